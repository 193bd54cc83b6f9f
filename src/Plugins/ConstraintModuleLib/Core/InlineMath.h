#pragma once
// The host's vector and point arithmetic written out where the hot paths can inline it: the same
// operations in the same order as Math::Vector3d and Math::Matrix4x4 do them, so the same bits,
// without a call into the host library for each cross product, length or point.
#include <cmath>

#include "HostInterface/HostMath.h"

namespace InlineMath {

inline double length(const Math::Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// A zero (or NaN-length) vector is left as it is.
inline Math::Vector3d normalized(Math::Vector3d v) {
  const double len = length(v);
  if (len > 0.0) {
    v.x /= len;
    v.y /= len;
    v.z /= len;
  }
  return v;
}

inline Math::Vector3d cross(const Math::Vector3d& a, const Math::Vector3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// m × (x, y, z, 1), divided by w unless w is 1 or 0.
inline Math::Point3d transformPoint(const Math::Matrix4x4& matrix, const Math::Point3d& p) {
  if (matrix.isIdentity())
    return p;
  const double* m = matrix.values();
  const double x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
  const double y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
  const double z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
  const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
  if (w != 1.0 && w != 0.0)
    return {x / w, y / w, z / w};
  return {x, y, z};
}

// The upper 3x3 of m times v.
inline Math::Vector3d transformVector(const Math::Matrix4x4& matrix, const Math::Vector3d& v) {
  const double* m = matrix.values();
  return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
          m[2] * v.x + m[6] * v.y + m[10] * v.z};
}

} // namespace InlineMath
