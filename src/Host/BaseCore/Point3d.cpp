#include "BaseCore/Point3d.h"

#include <cmath>
#include <ostream>

namespace Math {

double Point3d::distance(const Point3d& p) const { return std::sqrt(distanceSq(p)); }

std::ostream& operator<<(std::ostream& os, const Point3d& p) {
  return os << "Point3d(" << p.x << ", " << p.y << ", " << p.z << ")";
}

} // namespace Math
