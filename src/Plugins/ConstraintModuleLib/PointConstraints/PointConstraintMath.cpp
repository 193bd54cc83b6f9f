#include "PointConstraints/PointConstraintMath.h"

#include <algorithm>
#include <cmath>

#include "Core/TransformFunctions.h"

namespace PointConstraintMath {

namespace {

constexpr double kRadToDeg = 57.29577951308232;
// Stretches and cross scales never reach zero, so that the result stays invertible.
constexpr double kMinScale = 0.0001;

Math::Matrix4x4 translation(const Math::Vector3d& v) {
  Math::Matrix4x4 m;
  m.translate(v);
  return m;
}

Math::Matrix4x4 about(const Math::Point3d& pivot, const Math::Matrix4x4& linear) {
  Math::Matrix4x4 m;
  m.translate(pivot.x, pivot.y, pivot.z);
  m *= linear;
  m.translate(-pivot.x, -pivot.y, -pivot.z);
  return m;
}

Math::Vector3d normalized(Math::Vector3d v) { return v.normalize(); }

// The skew that adds k of the turn between the rest and the current direction (0 when they
// agree, and a skew of 0 changes nothing). Turns of more than a quarter blend from a half
// turn, so that a flipped segment skews the short way round.
double skewAngle(const Math::Matrix4x4& current, const Math::Matrix4x4& restInverse, double k) {
  double c[16], e[16];
  current.getValues(c);
  restInverse.getValues(e);
  const double a1 = std::atan2(c[1], c[0]) * kRadToDeg;
  const double a0 = -(std::atan2(e[1], e[0]) * kRadToDeg);
  if (a1 == a0)
    return 0.0;
  double sigma = -signedAngleDifference(a1, a0, false);
  if (k < 1.0)
    sigma = blendAngle(std::fabs(sigma) > 90.0 ? 180.0 : 0.0, sigma, k, false);
  return sigma;
}

} // namespace

double limitedStretch(double r, double s, double dmin, double dmax) {
  if (s > 0.0) {
    if (dmin > 0.0) {
      const double e = (1.0 - 0.9 * s) * dmin;
      const double n = (1.0 - 0.09999999999999998 * s) * dmin;
      if (dmin > r && r > e) {
        const double t = (r - e) / (dmin - e);
        r = n + (dmin - n) * (t * t);
      }
      dmin = n;
    }
    if (dmax > 1.0) {
      const double g = 0.1 * s * dmax;
      const double w = s * dmax;
      if (dmax < r && r < dmax + w)
        r = dmax + g * std::pow((r - dmax) / w, 0.5);
      dmax = dmax + g;
    }
  }
  if (dmin > 0.0)
    r = std::max(r, dmin);
  if (dmax > 0.0)
    r = std::min(r, dmax);
  return r;
}

double crossScale(double r, double m, double vmin, double vmax) {
  double v = std::max((1.0 / std::fabs(r) - 1.0) * m + 1.0, kMinScale);
  if (vmax > 0.0)
    v = std::min(v, vmax);
  if (vmin > 0.0)
    v = std::max(v, vmin);
  return v;
}

bool segmentMap(const SegmentPegs& pegs, const SegmentOptions& o, Math::Matrix4x4& result) {
  const Math::Matrix4x4& parent = pegs.parent;
  const Math::Matrix4x4 parentInverse = parent.getInverse();
  // Everything is aimed and stretched in the primary's parent space, the offset taken before
  // any flattening so that it keeps its depth.
  Math::Point3d p = pegs.restPrimary;
  Math::Point3d q = pegs.restSecondary;
  Math::Point3d a = parentInverse * pegs.primary;
  Math::Point3d b = parentInverse * pegs.secondary;
  const Math::Vector3d offset = a - p;
  if (o.flatten)
    p.z = q.z = a.z = b.z = 0.0;

  if (p.distanceSq(q) == 0.0)
    return false;
  const Math::Vector3d u0 = q - p;
  Math::Vector3d u1 = b - a;
  if (u0.length() == 0.0)
    return false;
  if (u1.length() == 0.0)
    u1 = Math::Vector3d(0.001, 0, 0);

  const Math::Vector3d z(0, 0, 1);
  const Math::Point3d origin(0, 0, 0);
  const Math::Vector3d x0 = normalized(u0);
  const Math::Matrix4x4 rest(x0, normalized(z.getCrossProduct(x0)), z, origin);
  Math::Matrix4x4 restInverse = rest;
  try {
    restInverse.inverse();
  } catch (...) {
    restInverse = Math::Matrix4x4();
  }
  const Math::Vector3d x1 = normalized(u1);
  const Math::Vector3d y1 = normalized(z.getCrossProduct(x1));
  const Math::Matrix4x4 current(x1, y1, normalized(x1.getCrossProduct(y1)), origin);

  // The primary peg's own transformation below its parent, for the two types that take it over.
  const bool takesPrimary = o.transform == SegmentOptions::eTransform || o.transform == SegmentOptions::eLocalTransform;
  const Math::Matrix4x4 primaryBelowParent = takesPrimary ? parentInverse * pegs.primaryMatrix : Math::Matrix4x4();
  Math::Matrix4x4 out;
  if (o.transform == SegmentOptions::eTransform)
    out = primaryBelowParent;
  else
    out.translate(offset);
  out.translate(p.x, p.y, p.z);
  out *= current;
  if (o.skew > 0.0)
    out.skew(skewAngle(current, restInverse, o.skew));
  const double r =
      limitedStretch(std::max(u1.length() / u0.length(), kMinScale), o.smoothing, o.stretchMin, o.stretchMax);
  out.scale(r, crossScale(r, o.volume, o.volumeMin, o.volumeMax), 1);
  out *= restInverse;
  if (o.transform == SegmentOptions::eLocalTransform)
    out *= primaryBelowParent.rotation();
  out.translate(-p.x, -p.y, -p.z);

  // The balance moves the result by a share of what is still missing at the secondary pivot;
  // the gap is a direction, so the parent's inverse turns it without moving it.
  if (o.balance > 0.0) {
    const Math::Vector3d gap = parentInverse * (pegs.secondaryUnprojected - (parent * out) * pegs.restSecondary);
    out = translation(gap * o.balance) * out;
  }
  // Blending about the right pivot moves it on the straight line between where the right peg
  // and the constrained result put it.
  if (o.activity < 1.0) {
    const Math::Matrix4x4 source = parentInverse * pegs.right;
    const Math::Point3d pivot = pegs.rightIsPrimary ? pegs.restPrimary : pegs.restSecondary;
    const Math::Vector3d d1 = out * pivot - pivot;
    const Math::Vector3d d2 = source * pivot - pivot;
    out = translation(d1) * blendTransforms(out, source, o.activity, pivot, d2 - d1, false, true);
  }
  result = parent * out;
  return true;
}

Math::Matrix4x4 triangleMap(const std::array<Math::Point3d, 3>& rest, const std::array<Math::Point3d, 3>& current,
                            const Math::Vector3d& normal) {
  try {
    const Math::Matrix4x4 now(Math::Vector3d(current[0], current[1]), Math::Vector3d(current[0], current[2]), normal,
                              current[0]);
    Math::Matrix4x4 restInverse = sanitizedCopy(Math::Matrix4x4(
        Math::Vector3d(rest[0], rest[1]), Math::Vector3d(rest[0], rest[2]), Math::Vector3d(0, 0, 1), rest[0]));
    restInverse.inverse();
    return sanitizedCopy(now) * restInverse;
  } catch (...) {
    return Math::Matrix4x4();
  }
}

Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, int transform, double activity) {
  std::array<Math::Point3d, 3> current = pegs.current;
  Math::Vector3d normal = pegs.primaryMatrix * Math::Vector3d(0, 0, 1);
  Math::Matrix4x4 out;
  Math::Matrix4x4 turn;
  if (transform == TrianglePegs::eTransform || transform == TrianglePegs::eLocalTransform) {
    // Below the primary's parent, the primary peg's own rotation about its pivot is kept apart
    // from the triangle, which then carries only what the pegs' positions say.
    const Math::Matrix4x4 parentInverse = pegs.parent.getInverse();
    turn = about(pegs.rest[0], (parentInverse * pegs.primaryMatrix).rotation());
    for (Math::Point3d& c : current)
      c = parentInverse * c;
    out = pegs.parent;
    normal = Math::Vector3d(0, 0, 1);
  }
  if (normal.length() == 0.0)
    normal = Math::Vector3d(0, 0, 0.0001);
  Math::Matrix4x4 map = triangleMap(pegs.rest, current, normal);
  if (activity != 1.0)
    map = blendTransforms(map, pegs.right, activity, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, true);
  if (transform == TrianglePegs::eTransform)
    return out * map * turn;
  if (transform == TrianglePegs::eLocalTransform)
    return out * turn * map;
  return out * map;
}

} // namespace PointConstraintMath
