#include "Core/TransformFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Core/Angles.h"
#include "Core/MatrixValues.h"

namespace {

void guardScale(double& v) {
  if (std::fabs(v) <= 0.0001)
    v = v > 0.0 ? 0.0001 : -0.0001;
  if (v == std::numeric_limits<double>::infinity())
    v = 2.0;
  else if (v == -std::numeric_limits<double>::infinity())
    v = -2.0;
}

struct Decomposition {
  double tx, ty, tz, sx, sy, angle, skew;
  explicit Decomposition(const Math::Matrix4x4& m) {
    m.extractParameters(false, false, 0.0, 0.0, tx, ty, tz, sx, sy, angle, skew);
  }
};

double lerp(double a, double b, double t) { return a + (b - a) * t; }

Math::CameraTransformChain cameraChain(const Math::Matrix4x4& view, const Math::Matrix4x4& projection,
                                       const Math::Matrix4x4& model) {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(-1, 1, 1, -1));
  chain.setViewMatrix(view);
  chain.setProjectionMatrix(projection);
  chain.setModelMatrix(model);
  return chain;
}

// Below this cross product of two unit axes (the sine of their angle) the rounding of their
// angles (a few 1e-15) could tell the turn's side otherwise than the cross product.
constexpr double kClearTurn = 1e-9;

// Whether guardScale would change v (NaN passes through).
bool needsGuard(double v) { return std::fabs(v) <= 0.0001 || std::isinf(v); }

} // namespace

void sanitizeScale(Math::Matrix4x4& m) {
  // Most matrices need nothing: leave them (and their identity flag) as they are.
  if (!needsGuard(m[0]) && !needsGuard(m[5]))
    return;
  try {
    double v[16];
    m.getValues(v);
    guardScale(v[0]);
    guardScale(v[5]);
    m = Math::Matrix4x4(v);
  } catch (...) {
    std::printf("0-Scaled Matrix has been identified and caught - ensure that the matrix does not have a 0-scale.\n");
    m = Math::Matrix4x4();
  }
}

void sanitizeScale(MatrixValues& m) {
  double x = m[0], y = m[5];
  guardScale(x);
  guardScale(y);
  m.set(0, x);
  m.set(5, y);
}

Math::Matrix4x4 sanitizedCopy(const Math::Matrix4x4& m) {
  Math::Matrix4x4 copy = m;
  sanitizeScale(copy);
  return copy;
}

Math::Matrix4x4 blendTransforms(const Math::Matrix4x4& target, const Math::Matrix4x4& source, double t,
                                const Math::Point3d& pivot, const Math::Vector3d& offset, bool translation,
                                bool rotation) {
  Math::Matrix4x4 src = source;
  // Decomposing a mirrored matrix against an unmirrored one would blend through a half turn;
  // flipping x first makes the scale pass through zero instead.
  const bool flipped = isMirrored(source) != isMirrored(target);
  if (flipped)
    src.scale(-1, 1, 1);
  Decomposition s(src);
  const Decomposition d(target);
  if (flipped)
    s.sx = -s.sx;

  MatrixValues out;
  out.translate(offset * (1.0 - t));
  if (translation)
    out.translate(lerp(s.tx, d.tx, t), lerp(s.ty, d.ty, t), lerp(s.tz, d.tz, t));
  out.translate(pivot.x, pivot.y, pivot.z);
  const double angle = (rotation ? blendAngle(s.angle, d.angle, t, false) : d.angle) * kDegToRad;
  out.rotateZ(std::cos(angle), std::sin(angle));
  out.skew(blendAngle(s.skew, d.skew, t, false));
  double sx = lerp(s.sx, d.sx, t);
  double sy = lerp(s.sy, d.sy, t);
  if (sx == 0.0)
    sx = 0.0001;
  if (sy == 0.0)
    sy = 0.0001;
  out.scale(sx, sy, 1);
  out.translate(-pivot.x, -pivot.y, -pivot.z);
  sanitizeScale(out);
  return out.matrix();
}

Math::Matrix4x4 triangleMap(const std::array<Math::Point3d, 3>& rest, const std::array<Math::Point3d, 3>& current,
                            const Math::Vector3d& normal) {
  const std::optional<MatrixValues> restInverse = triangleRestInverse(rest);
  return restInverse ? triangleMap(*restInverse, rest[0], current, normal) : Math::Matrix4x4();
}

std::optional<MatrixValues> triangleRestInverse(const std::array<Math::Point3d, 3>& rest) {
  MatrixValues restLinear = MatrixValues::fromAxes(Math::Vector3d(rest[0], rest[1]), Math::Vector3d(rest[0], rest[2]),
                                                   Math::Vector3d(0, 0, 1));
  sanitizeScale(restLinear);
  MatrixValues restInverse;
  if (!restLinear.linearInverse(restInverse))
    return std::nullopt;
  return restInverse;
}

Math::Matrix4x4 triangleMap(const MatrixValues& restInverse, const Math::Point3d& r0,
                            const std::array<Math::Point3d, 3>& current, const Math::Vector3d& normal) {
  MatrixValues now =
      MatrixValues::fromAxes(Math::Vector3d(current[0], current[1]), Math::Vector3d(current[0], current[2]), normal);
  now.set(12, current[0].x);
  now.set(13, current[0].y);
  now.set(14, current[0].z);
  sanitizeScale(now);
  // now x (rest frame at r0)^-1: p goes to now's linear part x L^-1 (p - r0) + c0.
  return now.timesLinear(restInverse).translate(-r0.x, -r0.y, -r0.z).matrix();
}

bool isMirrored(const Math::Matrix4x4& m) {
  // Each axis is normalised in single precision, then again in double precision as a direction.
  double axes[3][3];
  for (int axis = 0; axis < 3; ++axis) {
    float c[3] = {static_cast<float>(m[4 * axis]), static_cast<float>(m[4 * axis + 1]),
                  static_cast<float>(m[4 * axis + 2])};
    const float len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    Math::Vector3d v(c[0] / len, c[1] / len, c[2] / len);
    v.normalize();
    axes[axis][0] = v.x;
    axes[axis][1] = v.y;
    axes[axis][2] = v.z;
  }
  const double* x = axes[0];
  const double* y = axes[1];
  const double zz = axes[2][2];
  // d > 0 when y turns clockwise from x in the plane. Clear of parallel axes that is the sign of
  // their cross product; near them, where the angles' rounding could decide, the angles themselves.
  const double cross = x[0] * y[1] - x[1] * y[0];
  const double d = std::fabs(cross) > kClearTurn
                       ? -cross
                       : std::fmod(std::atan2(y[1], y[0]) - std::atan2(x[1], x[0]) + 4.0 * kPi, 2.0 * kPi) - kPi;
  return (d > 0.0 && zz >= 0.0) || (d <= 0.0 && zz < 0.0);
}

int mirroredAtOnce(const double* v) {
  // Each axis in turn, written out so that nothing is looped over.
  const auto boundedAxis = [](const double* axis) {
    const double a0 = std::fabs(axis[0]), a1 = std::fabs(axis[1]), a2 = std::fabs(axis[2]);
    const double largest = std::max(std::max(a0, a1), a2);
    if (!(largest >= 1e-15 && largest <= 1e15))
      return false;
    // No value is above the largest; a value that is not a number fails the bound.
    const double smallest = std::max(1e-30, largest * 1e-20);
    return (a0 == 0.0 || a0 >= smallest) && (a1 == 0.0 || a1 >= smallest) && (a2 == 0.0 || a2 >= smallest);
  };
  if (!boundedAxis(v) || !boundedAxis(v + 4) || !boundedAxis(v + 8))
    return -1;
  const double cross = v[0] * v[5] - v[1] * v[4];
  const double size = (std::fabs(v[0]) + std::fabs(v[1])) * (std::fabs(v[4]) + std::fabs(v[5]));
  if (!(std::fabs(cross) > 1e-5 * size))
    return -1;
  // Clockwise, the axes' angle difference lands above 0; the z axis's sign as it is rounded.
  const bool clockwise = cross < 0.0;
  const bool up = !(v[10] < 0.0);
  return clockwise == up ? 1 : 0;
}

bool isMirroredQuickly(const double* values) {
  const int atOnce = mirroredAtOnce(values);
  return atOnce >= 0 ? atOnce == 1 : isMirrored(Math::Matrix4x4(values));
}

double signedAngleDifference(double from, double to, bool radians) {
  if (from == to)
    return 0.0;
  if (!radians) {
    from *= kDegToRad;
    to *= kDegToRad;
  }
  const Math::Vector3d u = Math::Vector3d(std::cos(from), std::sin(from), 0).normalize();
  const Math::Vector3d v = Math::Vector3d(std::cos(to), std::sin(to), 0).normalize();
  if (u == v)
    return 0.0;
  const double k = v.getDotProduct(u);
  if (std::fabs(k) > 1.0)
    return 0.0;
  const double a = std::acos(k) * kRadToDeg;
  const Math::Vector3d w = v.getCrossProduct(u).normalize();
  return w.getDotProduct(Math::Vector3d(0, 0, 1)) < 0.0 ? a : -a;
}

double blendAngle(double from, double to, double t, bool radians) {
  const double start = radians ? from : from * kDegToRad;
  return (start + signedAngleDifference(from, to, radians) * t * kDegToRad) * kRadToDeg;
}

double blendAngleFromZero(double to, double t) {
  // signedAngleDifference(0, to) with 0's direction (1, 0, 0) worked through: the dot product is
  // to's x, and the cross product's z, -y, says which way it turns.
  double difference = 0.0;
  if (to != 0.0) {
    const double r = to * kDegToRad;
    double x = std::cos(r);
    double y = std::sin(r);
    const double len = std::sqrt(x * x + y * y);
    if (len > 0.0) {
      x /= len;
      y /= len;
    }
    const double k = x + y * 0.0;
    if (!(x == 1.0 && y == 0.0) && !(std::fabs(k) > 1.0)) {
      const double a = std::acos(k) * kRadToDeg;
      difference = y > 0.0 ? a : -a;
    }
  }
  return (0.0 + difference * t * kDegToRad) * kRadToDeg;
}

Math::Point3d projectToDrawingPlane(const Math::Point3d& p, const Math::Matrix4x4& view,
                                    const Math::Matrix4x4& projection, const Math::Matrix4x4& model, bool* ok) {
  const Math::CameraTransformChain chain = cameraChain(view, projection, model);
  Math::CameraTransformChain work = chain;
  Math::Matrix4x4 compound;
  if (!work.compoundMatrix(6, 1, compound)) {
    if (ok)
      *ok = false;
    return Math::Point3d(0, 0, 0);
  }
  const Math::PlaneProjection plane(compound, true);
  Math::Point3d inView;
  bool success = work.transform(5, p, 1, inView);
  Math::Point3d result(0, 0, 0);
  if (success) {
    Math::Point3d onPlane;
    success = plane.getInverseProjection(Math::Point2d(inView.x, inView.y), onPlane);
    if (success)
      result = Math::Point3d(onPlane.x, onPlane.y, 0);
  }
  if (ok)
    *ok = success;
  return result;
}

Math::Point3d projectToView(const Math::Point3d& p, const Math::Matrix4x4& view, const Math::Matrix4x4& projection,
                            const Math::Matrix4x4& model, bool* ok) {
  const Math::CameraTransformChain chain = cameraChain(view, projection, model);
  Math::Point3d result(0, 0, 0);
  const bool success = chain.transform(6, p, 2, result);
  if (ok)
    *ok = success;
  return result;
}

Math::Point3d transformToViewFrame(const Math::Point3d& p, const Math::CameraTransformChain& chain) {
  Math::Point3d result(0, 0, 0);
  chain.transform(5, p, 1, result);
  return result;
}
