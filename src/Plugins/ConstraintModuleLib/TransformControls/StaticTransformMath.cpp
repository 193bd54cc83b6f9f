#include "TransformControls/StaticTransformMath.h"

#include <algorithm>
#include <cmath>

#include "Core/Angles.h"

namespace {

double radians(double degrees) { return degrees / 180.0 * kPi; }
double degrees(double rad) { return rad / kPi * 180.0; }

void zeroTiny(Math::Vector3d& v) {
  for (double* c : {&v.x, &v.y, &v.z})
    if (std::fabs(*c) < 1e-5)
      *c = 0.0;
}

} // namespace

Math::Matrix4x4 composeStaticTransform(const Math::Vector3d& translation, const Math::Vector3d& scale,
                                       const Math::Vector3d& angles, const Math::Vector3d& skews) {
  const double cx = std::cos(radians(angles.x)), sx = std::sin(radians(angles.x));
  const double cy = std::cos(radians(angles.y)), sy = std::sin(radians(angles.y));
  const double cz = std::cos(radians(angles.z)), sz = std::sin(radians(angles.z));
  const Math::Matrix4x4 rz(cz, -sz, 0, 0, sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  const Math::Matrix4x4 ry(cy, 0, sy, 0, 0, 1, 0, 0, -sy, 0, cy, 0, 0, 0, 0, 1);
  const Math::Matrix4x4 rx(1, 0, 0, 0, 0, cx, -sx, 0, 0, sx, cx, 0, 0, 0, 0, 1);
  Math::Matrix4x4 r;
  r *= rz;
  r *= ry;
  r *= rx;

  Math::Matrix4x4 m;
  m.translate(translation.x, translation.y, translation.z);
  m *= r;
  // A skew of exactly 0 adds nothing; any other value, however small, adds its shear.
  if (skews.x != 0.0) {
    Math::Matrix4x4 k;
    k.skew(skews.x);
    m *= k;
  }
  if (skews.y != 0.0) {
    Math::Matrix4x4 k;
    k.rotateDegrees(90, Math::Vector3d(0, 0, 1));
    k.skew(skews.y);
    k.rotateDegrees(-90, Math::Vector3d(0, 0, 1));
    m *= k;
  }
  if (skews.z != 0.0) {
    Math::Matrix4x4 k;
    k.rotateDegrees(90, Math::Vector3d(0, 1, 0));
    k.rotateDegrees(90, Math::Vector3d(0, 0, 1));
    k.skew(skews.z);
    k.rotateDegrees(-90, Math::Vector3d(0, 0, 1));
    k.rotateDegrees(-90, Math::Vector3d(0, 1, 0));
    m *= k;
  }
  m.scale(scale.x, scale.y, scale.z);
  return m;
}

StaticTransformParts decomposeForBake(const Math::Matrix4x4& matrix) {
  double v[16];
  matrix.getValues(v);
  // An exact zero on the diagonal would leave an axis without length.
  for (int i : {0, 5, 10})
    if (v[i] == 0.0)
      v[i] = 0.0001;

  StaticTransformParts parts;
  parts.translation = Math::Vector3d(v[12], v[13], v[14]);
  Math::Vector3d x(v[0], v[1], v[2]), y(v[4], v[5], v[6]), z(v[8], v[9], v[10]);
  zeroTiny(x);
  zeroTiny(y);
  zeroTiny(z);
  double sx = x.length();
  const double sy = y.length();
  const double sz = z.length();

  // Gram-Schmidt, keeping the shear each axis had on the ones before it.
  x.normalize();
  const double dxy = x.getDotProduct(y);
  y = y - x * dxy;
  double hxy = dxy / y.length();
  y.normalize();
  const double dxz = x.getDotProduct(z);
  z = z - x * dxz;
  const double dyz = y.getDotProduct(z);
  z = z - y * dyz;
  const double hxz = dxz / z.length();
  const double hyz = dyz / z.length();
  z.normalize();

  // A left-handed frame is a mirror in x.
  if (x.getDotProduct(y.getCrossProduct(z)) < 0.0) {
    sx = -sx;
    hxy = -hxy;
    x = -x;
    zeroTiny(x);
  }

  double qx = 0.5 * std::sqrt(std::max(0.0, 1 + x.x - y.y - z.z));
  double qy = 0.5 * std::sqrt(std::max(0.0, 1 - x.x + y.y - z.z));
  double qz = 0.5 * std::sqrt(std::max(0.0, 1 - x.x - y.y + z.z));
  const double qw = 0.5 * std::sqrt(std::max(0.0, 1 + x.x + y.y + z.z));
  if (z.y > y.z)
    qx = -qx;
  if (x.z > z.x)
    qy = -qy;
  if (y.x > x.y)
    qz = -qz;

  const double rx = std::atan2(2 * (qw * qx + qy * qz), 1 - 2 * (qx * qx + qy * qy));
  const double ry = std::asin(std::clamp(2 * (qw * qy - qz * qx), -1.0, 1.0));
  const double rz = std::atan2(2 * (qw * qz + qx * qy), 1 - 2 * (qy * qy + qz * qz));

  parts.rotation = Math::Vector3d(degrees(rx), degrees(ry), degrees(rz));
  parts.scale = Math::Vector3d(sx, sy, sz);
  parts.skew = Math::Vector3d(degrees(std::atan(hxy)), degrees(std::atan(hxz)), degrees(std::atan(hyz)));
  return parts;
}
