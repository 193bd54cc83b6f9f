#include "SceneCore/CC_Transformation.h"

void CC_Transformation::set(const Math::Matrix4x4& m) {
  m_composed = m;
  m_last = m;
  m_count = 1;
}

void CC_Transformation::add(const Math::Matrix4x4& m) {
  m_composed *= m;
  m_last = m;
  ++m_count;
}

void CC_Transformation::add(const CC_Transformation& t) {
  if (t.isEmpty())
    return;
  m_composed *= t.m_composed;
  m_last = t.m_last;
  m_count += t.m_count;
}

void CC_Transformation::clear() {
  m_composed = Math::Matrix4x4();
  m_last = Math::Matrix4x4();
  m_count = 0;
}
