#include "BaseCore/Quat.h"

#include "BaseCore/Matrix4x4.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace Math {

Quat Quat::operator*(const Quat& q) const {
  // Hamilton q·this: the rotation applied second stands on the left.
  return {q.w * w - q.x * x - q.y * y - q.z * z, q.w * x + q.x * w + q.y * z - q.z * y,
          q.w * y - q.x * z + q.y * w + q.z * x, q.w * z + q.x * y - q.y * x + q.z * w};
}

Quat& Quat::operator*=(const Quat& q) {
  *this = *this * q;
  return *this;
}

Quat Quat::fromAxisAngle(double radians, const Vector3d& axis) {
  const double len = axis.length();
  if (len == 0.0)
    return Quat();
  const double s = std::sin(0.5 * radians) / len;
  return {std::cos(0.5 * radians), axis.x * s, axis.y * s, axis.z * s};
}

void Quat::rotAxis(double& angleRadians, Vector3d& axis) const {
  const Quat q = normalized();
  // Rounding can push |w| a hair above 1, where acos is NaN.
  angleRadians = 2.0 * std::acos(std::clamp(q.w, -1.0, 1.0));
  const Vector3d v(q.x, q.y, q.z);
  const double len = v.length();
  axis = len > 0.0 ? v / len : Vector3d(1.0, 0.0, 0.0);
}

void Quat::matrix(Matrix4x4& m) const {
  const Quat q = normalized();
  const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  m = Matrix4x4(1.0 - 2.0 * (yy + zz), 2.0 * (xy + wz), 2.0 * (xz - wy), 0.0, 2.0 * (xy - wz), 1.0 - 2.0 * (xx + zz),
                2.0 * (yz + wx), 0.0, 2.0 * (xz + wy), 2.0 * (yz - wx), 1.0 - 2.0 * (xx + yy), 0.0, 0.0, 0.0, 0.0, 1.0);
}

Matrix4x4 Quat::matrix() const {
  Matrix4x4 m;
  matrix(m);
  return m;
}

double Quat::norm() const { return std::sqrt(w * w + x * x + y * y + z * z); }

Quat Quat::normalized() const {
  const double n = norm();
  if (!(n > 0.0))
    return Quat();
  return {w / n, x / n, y / n, z / n};
}

Quat::SlerpWeights Quat::slerpWeights(double angle, double t) {
  if (!(angle >= 1e-6))
    return {1.0 - t, t};
  const double s = std::sin(angle);
  return {std::sin((1.0 - t) * angle) / s, std::sin(t * angle) / s};
}

Quat Quat::slerpMethod(const Quat& a, const Quat& b, double t) {
  const Quat p = a.normalized();
  Quat q = b.normalized();
  double cosAngle = p.w * q.w + p.x * q.x + p.y * q.y + p.z * q.z;
  // q and -q are the same rotation; the one nearer p gives the shorter way round.
  if (cosAngle < 0.0) {
    q = Quat(-q.w, -q.x, -q.y, -q.z);
    cosAngle = -cosAngle;
  }
  const double angle = std::acos(std::min(cosAngle, 1.0));

  const auto [wp, wq] = slerpWeights(angle, t);
  const Quat r(wp * p.w + wq * q.w, wp * p.x + wq * q.x, wp * p.y + wq * q.y, wp * p.z + wq * q.z);
  return angle >= 1e-6 ? r : r.normalized();
}

std::ostream& operator<<(std::ostream& os, const Quat& q) {
  return os << "Quat(" << q.w << ", " << q.x << ", " << q.y << ", " << q.z << ")";
}

} // namespace Math
