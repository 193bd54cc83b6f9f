#include "SceneCore/AT_SimpleAttrSurrogate.h"

#include <cmath>
#include <limits>

#include "SceneCore/MO_Revision.h"

int AT_ScalarSimpleAttrSurrogate::intValue() const {
  if (!std::isfinite(m_value))
    return 0;
  const double r = std::round(m_value);
  if (r >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (r <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

void AT_ScalarSimpleAttrSurrogate::setValue(double v) {
  m_value = v;
  m_dirty = true;
  // Stored results were computed with the old value; the attribute itself is left alone.
  MO_Revision::bump();
}
