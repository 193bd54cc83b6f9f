#include "SceneCore/AT_BoolAttr.h"

#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_ValueText.h"

AT_BoolAttr::AT_BoolAttr(MO_Node* owner, const AT_AttrMeta& meta, bool defaultValue, AT_Attr* parent)
    : AT_SimpleAttr(owner, meta, parent), m_default(defaultValue), m_local(defaultValue) {}

bool AT_BoolAttr::value(double frame) const {
  if (const AT_ScalarSimpleAttrSurrogate* s = scalarSurrogate())
    return s->boolValue();
  if (auto v = m_keys.value(frame, true))
    return *v != 0.0;
  return m_local;
}

void AT_BoolAttr::setLocalValue(bool v) {
  m_local = v;
  changed();
}

void AT_BoolAttr::setKey(double frame, bool v) {
  m_keys.setKey(frame, v ? 1.0 : 0.0, AT_Keys::Constant);
  changed();
}

void AT_BoolAttr::setValue(double frame, bool v) {
  if (m_keys.empty())
    setLocalValue(v);
  else
    setKey(frame, v);
}

QString AT_BoolAttr::localValueString() const { return AT_ValueText::fromBool(m_local); }

bool AT_BoolAttr::setLocalValueFromString(const QString& text, QString* why) {
  bool v = false;
  if (!AT_ValueText::toBool(text, v, why))
    return false;
  setLocalValue(v);
  return true;
}

bool AT_BoolAttr::acceptsKeyValue(double v, QString* why) const {
  if (v != 0.0 && v != 1.0) {
    if (why)
      *why = QStringLiteral("a key of \"%1\" must be 0 or 1").arg(path());
    return false;
  }
  return true;
}

QString AT_BoolAttr::textValue(double frame) const { return AT_ValueText::fromBool(value(frame)); }

CO_Command* AT_BoolAttr::setTextValue(double frame, const QString& text) {
  bool v = false;
  if (!AT_ValueText::toBool(text, v, nullptr))
    return nullptr;
  return new AT_EditCmd(this, [this, frame, v] { setValue(frame, v); });
}
