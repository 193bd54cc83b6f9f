#include "SceneCore/AT_DoubleAttr.h"

#include <algorithm>

#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_ValueText.h"

AT_DoubleAttr::AT_DoubleAttr(MO_Node* owner, const AT_DoubleAttrMeta& meta, Linkable linkable, double defaultValue,
                             AT_Attr* parent, const QString&)
    : AT_SimpleAttr(owner, meta, parent), m_default(defaultValue), m_local(defaultValue) {
  setSpareBit(kSubclassBit, linkable == eLinkable);
}

double AT_DoubleAttr::clamp(double v) const { return std::min(std::max(v, doubleMeta().min()), doubleMeta().max()); }

double AT_DoubleAttr::value(double frame, bool* isKey, bool* isAnimated) const {
  if (isKey)
    *isKey = m_keys.isKey(frame);
  if (isAnimated)
    *isAnimated = !m_keys.empty();
  if (const AT_ScalarSimpleAttrSurrogate* s = scalarSurrogate())
    return s->doubleValue();
  return storedValue(frame);
}

double AT_DoubleAttr::storedValue(double frame) const {
  // A smooth stretch may swing past its keys; it never leaves the hard range.
  if (auto v = m_keys.value(frame))
    return clamp(*v);
  return m_local;
}

void AT_DoubleAttr::setValue(double frame, double v) {
  if (m_keys.empty()) {
    setLocalValue(v);
    return;
  }
  const AT_Keys::Key* standing = m_keys.find(frame);
  setKey(frame, v, standing ? standing->interpolation : AT_Keys::Linear);
}

void AT_DoubleAttr::setLocalValue(double v) {
  m_local = clamp(v);
  changed();
}

void AT_DoubleAttr::setKey(double frame, double v, AT_Keys::Interpolation interpolation) {
  m_keys.setKey(frame, clamp(v), interpolation);
  changed();
}

void AT_DoubleAttr::removeKey(double frame) {
  if (!m_keys.empty() && m_keys.removeKey(frame))
    changed();
}

void AT_DoubleAttr::setKeys(const AT_Keys& keys) {
  m_keys = keys;
  changed();
}

QString AT_DoubleAttr::localValueString() const { return AT_ValueText::fromDouble(m_local); }

bool AT_DoubleAttr::setLocalValueFromString(const QString& text, QString* why) {
  double v = 0.0;
  if (!AT_ValueText::toDouble(text, v, why) || !acceptsKeyValue(v, why))
    return false;
  setLocalValue(v);
  return true;
}

bool AT_DoubleAttr::acceptsKeyValue(double v, QString* why) const {
  if (v < doubleMeta().min() || v > doubleMeta().max()) {
    if (why)
      *why = QStringLiteral("%1 is outside the range %2 to %3 of \"%4\"")
                 .arg(AT_ValueText::fromDouble(v), AT_ValueText::fromDouble(doubleMeta().min()),
                      AT_ValueText::fromDouble(doubleMeta().max()), path());
    return false;
  }
  return true;
}

QString AT_DoubleAttr::textValue(double frame) const { return AT_ValueText::fromDouble(value(frame)); }

CO_Command* AT_DoubleAttr::setTextValue(double frame, const QString& text) {
  double v = 0.0;
  if (!AT_ValueText::toDouble(text, v, nullptr) || !acceptsKeyValue(v, nullptr))
    return nullptr;
  return new AT_EditCmd(this, [this, frame, v] { setValue(frame, v); });
}
