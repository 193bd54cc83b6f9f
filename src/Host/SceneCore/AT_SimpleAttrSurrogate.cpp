#include "SceneCore/AT_SimpleAttrSurrogate.h"

#include <cmath>
#include <limits>

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
