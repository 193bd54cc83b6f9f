#include "BaseCore/Vector3d.h"

#include "BaseCore/Point3d.h"

#include <cmath>
#include <ostream>

namespace Math {

Vector3d::Vector3d(const Point3d& a, const Point3d& b) : x(b.x - a.x), y(b.y - a.y), z(b.z - a.z) {}

Vector3d::Vector3d(const Point3d& p) : x(p.x), y(p.y), z(p.z) {}

std::ostream& operator<<(std::ostream& os, const Vector3d& v) {
  return os << "Vector3d(" << v.x << ", " << v.y << ", " << v.z << ")";
}

} // namespace Math
