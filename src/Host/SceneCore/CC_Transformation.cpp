#include "SceneCore/CC_Transformation.h"

void CC_Transformation::set(const Math::Matrix4x4& m) {
  m_composed = m;
  m_count = 1;
}

void CC_Transformation::add(const Math::Matrix4x4& m) {
  Math::Matrix4x4::multiply(m_composed, m, m_composed);
  ++m_count;
}

void CC_Transformation::add(const CC_Transformation& t) {
  if (t.isEmpty())
    return;
  Math::Matrix4x4::multiply(m_composed, t.m_composed, m_composed);
  m_count += t.m_count;
}

void CC_Transformation::setAppended(const CC_Transformation& base, const Math::Matrix4x4& m) {
  Math::Matrix4x4::multiply(base.m_composed, m, m_composed);
  m_count = base.m_count + 1;
}

void CC_Transformation::clear() {
  m_composed = Math::Matrix4x4();
  m_count = 0;
}
