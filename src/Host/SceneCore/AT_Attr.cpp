#include "SceneCore/AT_Attr.h"

#include "PersistentObj/PIO_WritingContext.h"
#include "PersistentObj/RXLex.h"
#include "SceneCore/AT_AttrSnapshot.h"
#include "SceneCore/AT_AttrVisitor.h"
#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/MO_Node.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/UT_DynKey.h"

AT_Attr::AT_Attr(MO_Node* owner, const AT_AttrMeta& meta, AT_Attr* parent)
    : m_up(parent ? reinterpret_cast<std::uintptr_t>(parent) | 1u : reinterpret_cast<std::uintptr_t>(owner)),
      m_meta(&meta) {
  static_assert(alignof(AT_Attr) > kBits && alignof(MO_Node) > kBits,
                "the low bits of an attribute's or a node's address hold flags");
  // A part is made by its compound for the compound's own node.
  Q_ASSERT(!parent || parent->owner() == owner);
}

AT_Attr::~AT_Attr() = default;

QString AT_Attr::path() const {
  const AT_Attr* parent = parentAttr();
  return parent ? parent->path() + QLatin1Char('.') + keyword() : keyword();
}

AT_Attr* AT_Attr::subAttr(const QString& part) const {
  for (AT_Attr* a : subAttrs())
    if (a->keyword() == part)
      return a;
  return nullptr;
}

bool AT_Attr::setLocalValueFromString(const QString&, QString* why) {
  if (why)
    *why = QStringLiteral("attribute \"%1\" takes no value of its own").arg(path());
  return false;
}

bool AT_Attr::hasKeys() const {
  const AT_Keys* k = keys();
  return k && !k->empty();
}

bool AT_Attr::acceptsKeyValue(double, QString* why) const {
  if (why)
    *why = QStringLiteral("attribute \"%1\" cannot be animated").arg(path());
  return false;
}

QString AT_Attr::textValue(double) const { return localValueString(); }

CO_Command* AT_Attr::setTextValue(double, const QString&) { return nullptr; }

void AT_Attr::changed() {
  MO_Revision::bump();
  onChanged();
  if (MO_Node* node = owner())
    node->attrChanged(this);
}

UT_DynKey AT_Attr::typeKey() const {
  static const UT_DynKey key;
  return key;
}

void AT_Attr::accept(AT_AttrVisitor& visitor) {
  if (!visitor.performDynamicOperation(this, typeKey()))
    visitor.visitAttr(this);
}

CO_Command* AT_Attr::dropLocalValue(const AT_Attr* other) {
  if (!other || other == this || other->className() != className() || other->name() != name() || !hasLocalValue())
    return nullptr;
  const QString value = other->localValueString();
  if (value == localValueString())
    return nullptr;
  return new AT_EditCmd(this, [this, value] { setLocalValueFromString(value, nullptr); });
}

void AT_Attr::parseLocalValue(RXLex& lex, bool store) {
  const QString word = lex.next();
  if (store && !word.isEmpty())
    parseLocalValueString(word);
}

void AT_Attr::writeXmlLocalValue(PIO_WritingContext& context) const {
  context.writer().encodeStringAttr(QString::fromLatin1(kPIO_attributeValue), localValueString());
}

bool AT_Attr::isEquivalentLocalValue(const AT_Attr& other) const {
  return other.className() == className() && other.localValueString() == localValueString();
}

void AT_Attr::parseLocalValueString(const QString& s) { setLocalValueFromString(s, nullptr); }

bool AT_Attr::parseString(RXLex& lex, const QString& keyword) { return lex.accept(keyword); }
