#include "SceneCore/PegTransform.h"

#include <algorithm>
#include <cmath>

Math::Matrix4x4 PegTransform::matrix() const {
  Math::Matrix4x4 m;
  m.translate(Math::Vector3d(position.x, position.y, position.z));
  m.translate(Math::Vector3d(pivot.x, pivot.y, pivot.z));
  m.rotateDegrees(angles.z, Math::Vector3d(0, 0, 1));
  m.rotateDegrees(angles.y, Math::Vector3d(0, 1, 0));
  m.rotateDegrees(angles.x, Math::Vector3d(1, 0, 0));
  m.skew(skew);
  m.scale(scale.x, scale.y, scale.z);
  m.translate(Math::Vector3d(-pivot.x, -pivot.y, -pivot.z));
  return m;
}

namespace {

constexpr double kRadToDeg = 57.29577951308232;

// The angle plus the whole number of turns that brings it nearest `target`.
double nearestTurn(double angle, double target) { return angle + 360.0 * std::round((target - angle) / 360.0); }

// Angles about x, y, z (degrees) of the rotation with columns r0, r1, r2 = Rz · Ry · Rx. When the
// y angle is a quarter turn only the difference (or sum) of x and z is defined; x is then kept
// at `xHint`.
Math::Vector3d eulerAngles(const Math::Vector3d& r0, const Math::Vector3d& r1, const Math::Vector3d& r2, double xHint) {
  const double sy = std::clamp(-r0.z, -1.0, 1.0);
  const double y = std::asin(sy);
  if (std::fabs(sy) < 1.0 - 1e-12)
    return {std::atan2(r1.z, r2.z) * kRadToDeg, y * kRadToDeg, std::atan2(r0.y, r0.x) * kRadToDeg};
  const double x = xHint / kRadToDeg;
  const double z = sy > 0 ? x - std::atan2(r1.x, r1.y) : std::atan2(-r1.x, r1.y) - x;
  return {xHint, y * kRadToDeg, z * kRadToDeg};
}

} // namespace

PegTransform PegTransform::fromMatrix(const Math::Matrix4x4& m, const PegTransform* near) {
  double v[16];
  m.getValues(v);
  const Math::Vector3d c0(v[0], v[1], v[2]), c1(v[4], v[5], v[6]), c2(v[8], v[9], v[10]);
  PegTransform t;
  t.position = Math::Point3d(v[12], v[13], v[14]);

  double sx = c0.length();
  Math::Vector3d r0 = sx > 0.0 ? c0 / sx : Math::Vector3d(1, 0, 0);
  if (c0.getDotProduct(c1.getCrossProduct(c2)) < 0.0) {
    sx = -sx;
    r0 = -r0;
  }
  Math::Vector3d r1 = c1 - r0 * c1.getDotProduct(r0);
  if (r1.length() == 0.0)
    r1 = std::fabs(r0.z) < 0.9 ? Math::Vector3d(0, 0, 1).getCrossProduct(r0) : Math::Vector3d(0, 1, 0);
  r1.normalize();
  const Math::Vector3d r2 = r0.getCrossProduct(r1);

  const double lean = c1.getDotProduct(r0), upright = c1.getDotProduct(r1);
  t.scale = Math::Vector3d(sx, std::hypot(lean, upright), c2.getDotProduct(r2));
  t.skew = std::atan2(lean, upright) * kRadToDeg;

  const Math::Vector3d a = eulerAngles(r0, r1, r2, near ? near->angles.x : 0.0);
  if (!near) {
    t.angles = a;
    return t;
  }
  // The same rotation turned the other way round the y axis: (x + 180, 180 − y, z + 180).
  const Math::Vector3d b(a.x + 180.0, 180.0 - a.y, a.z + 180.0);
  auto closest = [&](const Math::Vector3d& e) {
    return Math::Vector3d(nearestTurn(e.x, near->angles.x), nearestTurn(e.y, near->angles.y),
                          nearestTurn(e.z, near->angles.z));
  };
  auto distance = [&](const Math::Vector3d& e) {
    return std::fabs(e.x - near->angles.x) + std::fabs(e.y - near->angles.y) + std::fabs(e.z - near->angles.z);
  };
  const Math::Vector3d ea = closest(a), eb = closest(b);
  t.angles = distance(eb) < distance(ea) ? eb : ea;
  return t;
}
