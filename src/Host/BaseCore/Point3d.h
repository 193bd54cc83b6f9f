#pragma once

// A position in 3-D, in the units of the frame it belongs to (scene units, OpenGL units or
// view coordinates). Matrices map it with translation and perspective division.
// No degenerate input: arithmetic is plain IEEE double; equality is exact.

#include "BaseCore/Vector3d.h"

#include <iosfwd>

namespace Math {

struct Point3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  Point3d() = default;
  Point3d(double px, double py, double pz) : x(px), y(py), z(pz) {}
  explicit Point3d(const Vector3d& v) : x(v.x), y(v.y), z(v.z) {}

  Point3d operator+(const Vector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  Point3d operator-(const Vector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  Vector3d operator-(const Point3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
  // Sums and scalings of points serve averages and barycentres.
  Point3d operator+(const Point3d& p) const { return {x + p.x, y + p.y, z + p.z}; }
  Point3d operator*(double s) const { return {x * s, y * s, z * s}; }
  Point3d operator/(double s) const { return {x / s, y / s, z / s}; }
  Point3d operator-() const { return {-x, -y, -z}; }

  Point3d& operator+=(const Vector3d& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  Point3d& operator-=(const Vector3d& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  Point3d& operator+=(const Point3d& p) {
    x += p.x;
    y += p.y;
    z += p.z;
    return *this;
  }
  Point3d& operator*=(double s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }

  bool operator==(const Point3d& p) const { return x == p.x && y == p.y && z == p.z; }
  bool operator!=(const Point3d& p) const { return !(*this == p); }

  double distanceSq(const Point3d& p) const { return (*this - p).lengthSq(); }
  double distance(const Point3d& p) const;
};

std::ostream& operator<<(std::ostream& os, const Point3d& p);

} // namespace Math
