#include "DynamicSpring/SpringMath.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Core/Angles.h"
#include "Core/TransformFunctions.h"

namespace {

// Turns smaller than this (radians) count as no turn at all.
constexpr double kNoTurn = 0.0001;

double turnOf(const Math::Quat& q) {
  double angle = 0.0;
  Math::Vector3d axis;
  q.rotAxis(angle, axis);
  return angle;
}

double halfRoot(double v) { return 0.5 * std::sqrt(std::max(0.0, v)); }

// The composition takes a dozen matrix products a frame. They are made on plain values, each
// exactly as the host's product makes it (the same sums in the same order, and the same short
// cut when a side is exactly the identity), without its temporaries.
using Values = std::array<double, 16>;

constexpr Values kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

bool isIdentity(const Values& v) {
  for (int i = 0; i < 16; ++i)
    if (v[i] != kIdentity[i])
      return false;
  return true;
}

void multiply(Values& m, const Values& b) {
  if (isIdentity(m)) {
    m = b;
    return;
  }
  if (isIdentity(b))
    return;
  Values r;
  for (int col = 0; col < 16; col += 4)
    for (int row = 0; row < 4; ++row)
      r[col + row] =
          (((0.0 + m[row] * b[col]) + m[4 + row] * b[col + 1]) + m[8 + row] * b[col + 2]) + m[12 + row] * b[col + 3];
  m = r;
}

Values valuesOf(const Math::Matrix4x4& m) {
  Values v;
  m.getValues(v.data());
  return v;
}

Values translation(double x, double y, double z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

// Matrix4x4::skew's factor.
Values skewing(double degrees) {
  const double a = degrees * kDegToRad;
  return {1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// A skew about another axis: the plain skew turned there by quarter turns about z (and first
// y). The turns are the same every time, so they are made once, by the host's own calls.
Values sideSkew(double degrees, bool aboutY) {
  static const Math::Vector3d y(0, 1, 0), z(0, 0, 1);
  static const Values into = valuesOf(Math::Matrix4x4().rotateDegrees(90, z));
  static const Values intoFromY = valuesOf(Math::Matrix4x4().rotateDegrees(90, y).rotateDegrees(90, z));
  static const Values back = valuesOf(Math::Matrix4x4().rotateDegrees(-90, z));
  static const Values backToY = valuesOf(Math::Matrix4x4().rotateDegrees(-90, y));
  Values m = aboutY ? intoFromY : into;
  multiply(m, skewing(degrees));
  multiply(m, back);
  if (aboutY)
    multiply(m, backToY);
  return m;
}

} // namespace

Math::Quat quatProduct(const Math::Quat& a, const Math::Quat& b) {
  return {a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z), a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y,
          a.w * b.y + b.w * a.y + a.z * b.x - a.x * b.z, a.w * b.z + b.w * a.z + a.x * b.y - a.y * b.x};
}

void decomposeSpringMatrix(const Math::Matrix4x4& m, Math::Vector3d& translation, Math::Vector3d& scale,
                           Math::Quat& rotation, Math::Vector3d& skew) {
  Math::Matrix4x4 copy = m;
  const bool mirrored = isMirrored(m);
  if (mirrored)
    copy.scale(-1, 1, 1);
  double v[16];
  copy.getValues(v);
  for (int i : {0, 5, 10})
    if (v[i] == 0.0)
      v[i] = 0.0001;

  translation = Math::Vector3d(v[12], v[13], v[14]);
  Math::Vector3d r0(v[0], v[1], v[2]), r1(v[4], v[5], v[6]), r2(v[8], v[9], v[10]);
  double sx = r0.length(), sy = r1.length(), sz = r2.length();
  r0.normalize();
  double hxy = r0.getDotProduct(r1);
  r1 -= r0 * hxy;
  hxy /= r1.length();
  r1.normalize();
  double hxz = r0.getDotProduct(r2);
  r2 -= r0 * hxz;
  double hyz = r1.getDotProduct(r2);
  r2 -= r1 * hyz;
  const double len2 = r2.length();
  hxz /= len2;
  hyz /= len2;
  r2.normalize();

  if (r0.getDotProduct(r1.getCrossProduct(r2)) < 0.0) {
    sx = -sx;
    sy = -sy;
    sz = -sz;
    r0 = -r0;
    r1 = -r1;
    r2 = -r2;
  }

  rotation.w = halfRoot(1.0 + r0.x + r1.y + r2.z);
  rotation.x = halfRoot(1.0 + r0.x - r1.y - r2.z);
  rotation.y = halfRoot(1.0 - r0.x + r1.y - r2.z);
  rotation.z = halfRoot(1.0 - r0.x - r1.y + r2.z);
  if (r2.y > r1.z)
    rotation.x = -rotation.x;
  if (r0.z > r2.x)
    rotation.y = -rotation.y;
  if (r1.x > r0.y)
    rotation.z = -rotation.z;

  skew = Math::Vector3d(std::atan(hxy) / kPi * 180.0, std::atan(hxz) / kPi * 180.0, std::atan(hyz) / kPi * 180.0);
  scale = Math::Vector3d(mirrored ? -sx : sx, sy, sz);
}

Math::Matrix4x4 aboutPivot(const Math::Matrix4x4& m, const Math::Point3d& pivot) {
  Values v = translation(-pivot.x, -pivot.y, -pivot.z);
  multiply(v, valuesOf(m));
  multiply(v, translation(pivot.x, pivot.y, pivot.z));
  return Math::Matrix4x4(v.data());
}

Math::Matrix4x4 composeSpringMatrix(SpringHistoryEntry& entry, const Math::Point3d& pivot) {
  Values m = translation(entry.translation.x, entry.translation.y, entry.translation.z);
  multiply(m, translation(pivot.x, pivot.y, pivot.z));
  multiply(m, valuesOf(entry.rotation.matrix()));
  if (entry.skew.x != 0.0)
    multiply(m, skewing(entry.skew.x));
  if (entry.skew.y != 0.0)
    multiply(m, sideSkew(entry.skew.y, false));
  if (entry.skew.z != 0.0)
    multiply(m, sideSkew(entry.skew.z, true));
  multiply(m, {entry.scale.x, 0, 0, 0, 0, entry.scale.y, 0, 0, 0, 0, entry.scale.z, 0, 0, 0, 0, 1});
  multiply(m, translation(-pivot.x, -pivot.y, -pivot.z));
  entry.result = Math::Matrix4x4(m.data());
  return entry.result;
}

void advanceSpring(const SpringHistoryEntry& previous, const SpringTarget& target, const SpringGains& gains,
                   SpringHistoryEntry& next) {
  const Math::Vector3d& pv = previous.translationVelocity;
  const Math::Vector3d& it = gains.translationInertia;
  const Math::Vector3d& tt = gains.translationTension;
  next.translationVelocity = Math::Vector3d(it.x * pv.x, it.y * pv.y, it.z * pv.z) +
                             Math::Vector3d(tt.x * (target.translation.x - previous.translation.x),
                                            tt.y * (target.translation.y - previous.translation.y),
                                            tt.z * (target.translation.z - previous.translation.z));
  next.translation = previous.translation + next.translationVelocity;

  next.scaleVelocity =
      previous.scaleVelocity * gains.scaleInertia + (target.scale - previous.scale) * gains.scaleTension;
  next.scale = previous.scale + next.scaleVelocity;
  next.skewVelocity = previous.skewVelocity * gains.skewInertia + (target.skew - previous.skew) * gains.skewTension;
  next.skew = previous.skew + next.skewVelocity;

  // The turn still missing, taken in the scene's frame: the target after undoing the state.
  Math::Quat omega = Math::Quat::slerpMethod(Math::Quat(), previous.rotationVelocity, gains.rotateInertia);
  const Math::Quat& q = previous.rotation;
  const double n = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
  const Math::Quat undo(q.w * n, -q.x * n, -q.y * n, -q.z * n);
  const Math::Quat missing = quatProduct(target.rotation, undo);
  if (std::fabs(turnOf(missing)) <= kNoTurn)
    omega = Math::Quat();
  const Math::Quat pull = Math::Quat::slerpMethod(Math::Quat(), missing, gains.rotateTension);
  if (std::fabs(turnOf(pull)) > kNoTurn)
    omega = omega * pull;
  next.rotation = q * omega;
  next.rotationVelocity = omega;
}

void settleSpring(const SpringTarget& target, double activity, SpringHistoryEntry& next) {
  if (activity != 1.0) {
    next.translation = target.translation + (next.translation - target.translation) * activity;
    next.scale = target.scale + (next.scale - target.scale) * activity;
    next.skew = target.skew + (next.skew - target.skew) * activity;
    next.rotation = Math::Quat::slerpMethod(target.rotation, next.rotation, activity);
    const double carried = std::sqrt(activity);
    next.translationVelocity *= carried;
    next.scaleVelocity *= carried;
    next.skewVelocity *= carried;
    next.rotationVelocity = Math::Quat::slerpMethod(Math::Quat(), next.rotationVelocity, carried);
  }
  // A factor of zero would make the output singular; only the factors near zero are lifted.
  for (double* s : {&next.scale.x, &next.scale.y, &next.scale.z})
    if (std::fabs(*s) < 0.0001)
      *s = 0.001;
}

SpringHistoryEntry nextSpringState(const SpringHistoryEntry& previous, const SpringTarget& target,
                                   const SpringSettings& s, const Math::Point3d& pivot) {
  SpringHistoryEntry next;
  if (previous.valid)
    advanceSpring(previous, target, s.gains, next);
  settleSpring(target, s.activity, next);
  if (s.update)
    composeSpringMatrix(next, pivot);
  else
    next.result = previous.result;
  return next;
}

SpringHistoryEntry startSpringState(const SpringTarget& target, const Math::Point3d& pivot) {
  SpringHistoryEntry start;
  start.translation = target.translation;
  start.scale = target.scale;
  start.rotation = target.rotation;
  start.skew = target.skew;
  composeSpringMatrix(start, pivot);
  return start;
}
