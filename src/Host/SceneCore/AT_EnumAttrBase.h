#pragma once
// An option whose value is one of a fixed list; each value has a keyword (the form stored in
// files) and a display text. Concrete options supply the table; files hold the keyword.
// setLocalValue implementations report each change through changed().
#include <QString>
#include <map>

#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_SimpleAttr.h"

class AT_EnumAttrBase : public AT_SimpleAttr {
public:
  struct EnumValue {
    EnumValue() = default;
    EnumValue(const QString& keyword, const QString& text, bool flag = false)
        : m_keyword(keyword), m_text(text), m_flag(flag) {}
    QString m_keyword;
    QString m_text;
    bool m_flag = false;
  };
  using EnumValues = std::map<int, EnumValue>;
  using const_iterator = EnumValues::const_iterator;

  // The undoable edit that sets the local value (a number, in the table or not).
  class SetLocalValueCmd : public AT_EditCmd {
  public:
    SetLocalValueCmd(AT_EnumAttrBase* attr, int value);
    int value() const { return m_value; }

  private:
    int m_value;
  };

  AT_EnumAttrBase(MO_Node* owner, const AT_AttrMeta& meta) : AT_SimpleAttr(owner, meta) {}

  QString className() const override { return QStringLiteral("AT_EnumAttrBase"); }
  // The table in ascending numeric order.
  virtual const_iterator enumBegin() const = 0;
  virtual const_iterator enumEnd() const = 0;
  virtual bool setLocalValue(int v) = 0;
  virtual int value(double frame) const = 0;
  // Fills the table of values; options call it once, on first use of their table.
  virtual void fillEnumValues() = 0;
  virtual int localValue() const = 0;
  // Sets the value whose keyword equals the text exactly; nothing happens when none does.
  virtual void parseLocalValueString(const QString& s) = 0;

  // The file form of the local value (its keyword; the number when it is not in the table).
  QString localValueString() const override;
  bool setLocalValueFromString(const QString& text, QString* why) override;
  QString textValue(double frame) const override;
  // The value whose display text or keyword equals the text exactly; null when none does.
  CO_Command* setTextValue(double frame, const QString& text) override;
};
