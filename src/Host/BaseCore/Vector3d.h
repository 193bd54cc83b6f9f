#pragma once

// A direction or displacement in 3-D, in whatever units the caller's frame uses.
// Matrices apply only their linear part to it (no translation). Normalising the zero
// vector leaves it zero rather than producing NaNs; equality is exact, not approximate.

#include <cmath>
#include <iosfwd>

namespace Math {

struct Point3d;

struct Vector3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  Vector3d() = default;
  Vector3d(double vx, double vy, double vz) : x(vx), y(vy), z(vz) {}
  // The displacement that carries a onto b (b - a).
  Vector3d(const Point3d& a, const Point3d& b);
  explicit Vector3d(const Point3d& p);

  Vector3d operator+(const Vector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  Vector3d operator-(const Vector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  Vector3d operator-() const { return {-x, -y, -z}; }
  Vector3d operator*(double s) const { return {x * s, y * s, z * s}; }
  Vector3d operator/(double s) const { return {x / s, y / s, z / s}; }

  Vector3d& operator+=(const Vector3d& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  Vector3d& operator-=(const Vector3d& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  Vector3d& operator*=(double s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  Vector3d& operator/=(double s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
  }

  bool operator==(const Vector3d& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const Vector3d& v) const { return !(*this == v); }

  double getDotProduct(const Vector3d& v) const { return x * v.x + y * v.y + z * v.z; }
  // Right-handed: x cross y is z.
  Vector3d getCrossProduct(const Vector3d& v) const {
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
  }
  double length() const { return std::sqrt(lengthSq()); }
  double lengthSq() const { return x * x + y * y + z * z; }
  // A zero (or NaN-length) vector has no direction; it is left as it is.
  Vector3d& normalize() {
    const double len = length();
    if (len > 0.0)
      *this /= len;
    return *this;
  }
  Vector3d getNormalized() const {
    Vector3d v(*this);
    return v.normalize();
  }
};

inline Vector3d operator*(double s, const Vector3d& v) { return v * s; }

std::ostream& operator<<(std::ostream& os, const Vector3d& v);

} // namespace Math
