#include "SceneCore/AT_IntAttr.h"

#include <algorithm>
#include <cmath>

#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_ValueText.h"

AT_IntAttr::AT_IntAttr(MO_Node* owner, const AT_AttrMeta& meta, bool animatable, int defaultValue, int min, int max,
                       int step)
    : AT_SimpleAttr(owner, meta), m_animatable(animatable), m_default(defaultValue), m_min(min), m_max(max),
      m_step(step), m_local(defaultValue) {}

int AT_IntAttr::value(double frame) const {
  if (const AT_ScalarSimpleAttrSurrogate* s = scalarSurrogate())
    return s->intValue();
  if (auto v = m_keys.value(frame, true))
    return static_cast<int>(std::lround(*v));
  return m_local;
}

void AT_IntAttr::setLocalValue(int v) {
  m_local = std::min(std::max(v, m_min), m_max);
  changed();
}

void AT_IntAttr::setKey(double frame, int v) {
  m_keys.setKey(frame, std::min(std::max(v, m_min), m_max), AT_Keys::Constant);
  changed();
}

void AT_IntAttr::setValue(double frame, int v) {
  if (m_keys.empty())
    setLocalValue(v);
  else
    setKey(frame, v);
}

QString AT_IntAttr::localValueString() const { return QString::number(m_local); }

bool AT_IntAttr::setLocalValueFromString(const QString& text, QString* why) {
  int v = 0;
  if (!AT_ValueText::toInt(text, v, why) || !acceptsKeyValue(v, why))
    return false;
  setLocalValue(v);
  return true;
}

bool AT_IntAttr::acceptsKeyValue(double v, QString* why) const {
  if (v != std::floor(v) || v < m_min || v > m_max) {
    if (why)
      *why = QStringLiteral("%1 is not a whole number from %2 to %3 for \"%4\"")
                 .arg(AT_ValueText::fromDouble(v), QString::number(m_min), QString::number(m_max), path());
    return false;
  }
  return true;
}

CO_Command* AT_IntAttr::setTextValue(double frame, const QString& text) {
  int v = 0;
  if (!AT_ValueText::toInt(text, v, nullptr) || !acceptsKeyValue(v, nullptr))
    return nullptr;
  return new AT_EditCmd(this, [this, frame, v] { setValue(frame, v); });
}
