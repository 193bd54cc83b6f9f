#include "BaseCore/Vector3d.h"

#include "BaseCore/Point3d.h"

#include <cmath>
#include <ostream>

namespace Math {

Vector3d::Vector3d(const Point3d& a, const Point3d& b) : x(b.x - a.x), y(b.y - a.y), z(b.z - a.z) {}

Vector3d::Vector3d(const Point3d& p) : x(p.x), y(p.y), z(p.z) {}

Vector3d Vector3d::getCrossProduct(const Vector3d& v) const {
  return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
}

double Vector3d::length() const { return std::sqrt(lengthSq()); }

Vector3d& Vector3d::normalize() {
  const double len = length();
  // A zero (or NaN-length) vector has no direction; leave it as it is.
  if (len > 0.0)
    *this /= len;
  return *this;
}

Vector3d Vector3d::getNormalized() const {
  Vector3d v(*this);
  return v.normalize();
}

std::ostream& operator<<(std::ostream& os, const Vector3d& v) {
  return os << "Vector3d(" << v.x << ", " << v.y << ", " << v.z << ")";
}

} // namespace Math
