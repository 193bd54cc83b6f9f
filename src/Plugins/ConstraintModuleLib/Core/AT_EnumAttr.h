#pragma once
// The option attribute template: a local (never animated) integer value drawn from a fixed
// table of values, each with a keyword (the form files store) and a display text. A concrete
// option only fills the table and names its default. The table is shared by every instance of
// the option, filled once on first use and walked in ascending numeric order. While a scalar
// surrogate is attached (a drag in progress), reads see the surrogate's value; files always
// get the local value's keyword.
#include <new>

#include "HostInterface/HostAttributes.h"

template <class E> class AT_EnumAttr : public AT_EnumAttrBase {
public:
  AT_EnumAttr(MO_Node* owner, const AT_AttrMeta& meta, E defaultValue)
      : AT_EnumAttrBase(owner, meta), m_value(static_cast<int>(defaultValue)) {}
  ~AT_EnumAttr() override = default;

  UT_DynKey typeKey() const override {
    static const UT_DynKey key;
    return key;
  }

  void accept(AT_AttrVisitor& visitor) override {
    if (visitor.performDynamicOperation(this, typeKey()))
      return;
    visitor.visitEnumAttr(this);
  }

  QString textValue(double) const override {
    ensureFilled();
    const auto it = table().find(currentValue());
    return it == table().end() ? QString() : it->second.m_text;
  }

  CO_Command* setTextValue(double, const QString& text) override {
    ensureFilled();
    for (const auto& entry : table())
      if (text == entry.second.m_text || text == entry.second.m_keyword)
        return new (std::nothrow) AT_EnumAttrBase::SetLocalValueCmd(this, entry.first);
    return nullptr;
  }

  CO_Command* dropLocalValue(const AT_Attr* other) override {
    const auto* same = dynamic_cast<const AT_EnumAttr<E>*>(other);
    if (!same || same->name() != name() || same->currentValue() == currentValue())
      return nullptr;
    return new (std::nothrow) AT_EnumAttrBase::SetLocalValueCmd(this, same->currentValue());
  }

  void parseLocalValue(RXLex& lex, bool store) override {
    ensureFilled();
    for (const auto& entry : table())
      if (AT_Attr::parseString(lex, entry.second.m_keyword)) {
        if (store)
          setLocalValue(entry.first);
        return;
      }
  }

  void writeXmlLocalValue(PIO_WritingContext& context) const override {
    ensureFilled();
    const auto it = table().find(m_value);
    // A number outside the table can only come from a direct setLocalValue: write the number.
    context.writer().encodeStringAttr(kPIO_attributeValue,
                                      it == table().end() ? QString::number(m_value) : it->second.m_keyword);
  }

  bool isEquivalentLocalValue(const AT_Attr& other) const override {
    const auto* same = dynamic_cast<const AT_EnumAttr<E>*>(&other);
    return same && same->currentValue() == currentValue();
  }

  void parseLocalValueString(const QString& s) override {
    ensureFilled();
    for (const auto& entry : table())
      if (entry.second.m_keyword == s) {
        setLocalValue(entry.first);
        return;
      }
  }

  const_iterator enumBegin() const override {
    ensureFilled();
    return table().begin();
  }
  const_iterator enumEnd() const override {
    ensureFilled();
    return table().end();
  }

  bool setLocalValue(int v) override {
    if (v == m_value)
      return false;
    m_value = v;
    changed();
    return true;
  }

  int value(double) const override { return currentValue(); }
  int localValue() const override { return m_value; }
  // The value as its enumeration, the way the nodes read their options.
  E enumValue() const { return static_cast<E>(currentValue()); }

protected:
  // Adds one entry; called by fillEnumValues of the concrete option.
  static void addEnumValue(E v, const char* keyword, const char* context, const char* text) {
    table()[static_cast<int>(v)] =
        EnumValue(QString::fromLatin1(keyword), MISC_translateFromLatin1(context, text, nullptr), false);
  }

private:
  static EnumValues& table() {
    static EnumValues values;
    return values;
  }
  static bool& filled() {
    static bool done = false;
    return done;
  }
  void ensureFilled() const {
    if (filled())
      return;
    filled() = true;
    const_cast<AT_EnumAttr*>(this)->fillEnumValues();
  }
  int currentValue() const {
    if (const AT_ScalarSimpleAttrSurrogate* s = scalarSurrogate())
      return s->intValue();
    return m_value;
  }

  int m_value;
};
