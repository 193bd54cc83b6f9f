#include "PointConstraints/PointConstraintMath.h"

#include <algorithm>
#include <cmath>

#include "Core/Angles.h"
#include "Core/MatrixValues.h"
#include "Core/TransformFunctions.h"

namespace PointConstraintMath {

namespace {

// Stretches and cross scales never reach zero, so that the result stays invertible.
constexpr double kMinScale = 0.0001;

// The skew that adds k of the turn between the rest direction (at restAngle, degrees) and the
// current one (0 when they agree, and a skew of 0 changes nothing). Turns of more than a quarter
// blend from a half turn, so that a flipped segment skews the short way round.
double skewAngle(const MatrixValues& current, double restAngle, double k) {
  const double a1 = std::atan2(current[1], current[0]) * kRadToDeg;
  const double a0 = restAngle;
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

namespace {

// The segment aimed in the primary's parent space: the current direction u1 from where the
// primary's pivot is now, with its frame, and the offset that follows the primary (taken before
// any flattening, so that it keeps its depth).
struct AimedSegment {
  Math::Vector3d offset, u1;
  double length = 0.0; // of u1
  MatrixValues current;
};

// Takes the pegs' points into the parent's space and builds the current frame.
AimedSegment aim(const SegmentPegs& pegs, const SegmentSettings& s, const Math::Matrix4x4& parentInverse) {
  AimedSegment seg;
  Math::Point3d a = parentInverse * pegs.primary;
  Math::Point3d b = parentInverse * pegs.secondary;
  seg.offset = a - pegs.restPrimary;
  if (s.flatten == PointConstraint2::Flatten_e::FLATTEN)
    a.z = b.z = 0.0;
  seg.u1 = b - a;
  seg.length = seg.u1.length();
  if (seg.length == 0.0) {
    seg.u1 = Math::Vector3d(0.001, 0, 0);
    seg.length = seg.u1.length();
  }
  const Math::Vector3d z(0, 0, 1);
  const Math::Vector3d x1 = seg.u1.getNormalized();
  const Math::Vector3d y1 = z.getCrossProduct(x1).getNormalized();
  seg.current = MatrixValues::fromAxes(x1, y1, x1.getCrossProduct(y1).getNormalized());
  return seg;
}

// Takes the aimed segment and gives the map below the parent: the rest segment turned onto the
// current one about p, skewed, stretched within the limits and squashed across, with the offset
// or, for the two types that take it over, the primary peg's own transformation.
MatrixValues mapBelowParent(const RestSegment& rest, const AimedSegment& seg, const SegmentPegs& pegs,
                            const SegmentSettings& s, const Math::Matrix4x4& parentInverse) {
  using PointConstraint2::Transform_e;
  const bool takesPrimary = s.transform == Transform_e::TRANSFORM || s.transform == Transform_e::LOCALTRANSFORM;
  const Math::Matrix4x4 primaryBelowParent = takesPrimary ? parentInverse * pegs.primaryMatrix : Math::Matrix4x4();
  const Math::Point3d& p = rest.p;
  MatrixValues out;
  if (s.transform == Transform_e::TRANSFORM)
    out = MatrixValues(primaryBelowParent);
  else
    out.translate(seg.offset);
  out.translate(p.x, p.y, p.z);
  out.timesLinear(seg.current);
  if (s.skew > 0.0)
    out.skew(skewAngle(seg.current, rest.restAngle, s.skew));
  const double r =
      limitedStretch(std::max(seg.length / rest.length, kMinScale), s.smoothing, s.stretchMin, s.stretchMax);
  out.scale(r, crossScale(r, s.volume, s.volumeMin, s.volumeMax), 1);
  out.timesLinear(rest.restInverse);
  if (s.transform == Transform_e::LOCALTRANSFORM)
    out.timesLinear(MatrixValues(primaryBelowParent.rotation()));
  out.translate(-p.x, -p.y, -p.z);
  return out;
}

// Takes the map below the parent and moves it by a share of what is still missing at the
// secondary pivot; the gap is a direction, so the parent's inverse turns it without moving it.
MatrixValues balance(MatrixValues out, const SegmentPegs& pegs, const SegmentSettings& s,
                     const Math::Matrix4x4& parentInverse) {
  const Math::Vector3d gap =
      parentInverse * (pegs.secondaryUnprojected - (pegs.parent * out.matrix()) * pegs.restSecondary);
  return out.preTranslate(gap * s.balance);
}

// Takes the map below the parent and blends it by the activity about the right pivot, which then
// moves on the straight line between where the right peg and the constrained result put it.
Math::Matrix4x4 blendAboutRightPivot(const Math::Matrix4x4& out, const SegmentPegs& pegs, const SegmentSettings& s,
                                     const Math::Matrix4x4& parentInverse) {
  const Math::Matrix4x4 source = parentInverse * pegs.right;
  const Math::Point3d pivot = pegs.rightIsPrimary ? pegs.restPrimary : pegs.restSecondary;
  const Math::Vector3d d1 = out * pivot - pivot;
  const Math::Vector3d d2 = source * pivot - pivot;
  return MatrixValues(blendTransforms(out, source, s.activity, pivot, d2 - d1, false, true)).preTranslate(d1).matrix();
}

} // namespace

std::optional<RestSegment> restSegment(const Math::Point3d& restPrimary, const Math::Point3d& restSecondary,
                                       bool flatten) {
  RestSegment rest;
  rest.p = restPrimary;
  Math::Point3d q = restSecondary;
  if (flatten)
    rest.p.z = q.z = 0.0;
  if (rest.p.distanceSq(q) == 0.0)
    return std::nullopt;
  rest.u0 = q - rest.p;
  rest.length = rest.u0.length();
  if (rest.length == 0.0)
    return std::nullopt;
  const Math::Vector3d z(0, 0, 1);
  const Math::Vector3d x0 = rest.u0.getNormalized();
  // A rest frame that cannot be inverted (the segment along z) leaves the identity.
  if (!MatrixValues::fromAxes(x0, z.getCrossProduct(x0).getNormalized(), z).linearInverse(rest.restInverse))
    rest.restInverse = MatrixValues();
  rest.restAngle = -(std::atan2(rest.restInverse[1], rest.restInverse[0]) * kRadToDeg);
  return rest;
}

std::optional<Math::Matrix4x4> segmentMap(const SegmentPegs& pegs, const SegmentSettings& s) {
  const std::optional<RestSegment> rest =
      restSegment(pegs.restPrimary, pegs.restSecondary, s.flatten == PointConstraint2::Flatten_e::FLATTEN);
  if (!rest)
    return std::nullopt;
  return segmentMap(pegs, s, *rest);
}

Math::Matrix4x4 segmentMap(const SegmentPegs& pegs, const SegmentSettings& s, const RestSegment& rest) {
  const Math::Matrix4x4 parentInverse = pegs.parent.getInverse();
  const AimedSegment seg = aim(pegs, s, parentInverse);
  MatrixValues below = mapBelowParent(rest, seg, pegs, s, parentInverse);
  if (s.balance > 0.0)
    below = balance(below, pegs, s, parentInverse);
  Math::Matrix4x4 out = below.matrix();
  if (s.activity < 1.0)
    out = blendAboutRightPivot(out, pegs, s, parentInverse);
  return pegs.parent * out;
}

Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, const TriangleSettings& s) {
  return triangleResult(pegs, s, triangleRestInverse(pegs.rest));
}

Math::Matrix4x4 triangleResult(const TrianglePegs& pegs, const TriangleSettings& s,
                               const std::optional<MatrixValues>& restInverse) {
  using PointConstraint3::Transform_e;
  std::array<Math::Point3d, 3> current = pegs.current;
  Math::Vector3d normal = pegs.primaryMatrix * Math::Vector3d(0, 0, 1);
  const bool belowParent = s.transform == Transform_e::ALLOW || s.transform == Transform_e::LOCAL;
  MatrixValues turn; // the primary peg's own rotation about its pivot, below the parent
  if (belowParent) {
    // Below the primary's parent, the primary peg's own rotation about its pivot is kept apart
    // from the triangle, which then carries only what the pegs' positions say.
    const Math::Matrix4x4 parentInverse = pegs.parent.getInverse();
    turn = MatrixValues((parentInverse * pegs.primaryMatrix).rotation());
    for (Math::Point3d& c : current)
      c = parentInverse * c;
    normal = Math::Vector3d(0, 0, 1);
  }
  if (normal.length() == 0.0)
    normal = Math::Vector3d(0, 0, 0.0001);
  Math::Matrix4x4 map = restInverse ? triangleMap(*restInverse, pegs.rest[0], current, normal) : Math::Matrix4x4();
  if (s.activity != 1.0)
    map = blendTransforms(map, pegs.right, s.activity, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, true);
  if (!belowParent)
    return map;
  const Math::Point3d& p = pegs.rest[0];
  MatrixValues out(s.transform == Transform_e::ALLOW ? pegs.parent * map : pegs.parent);
  out.translate(p.x, p.y, p.z).timesLinear(turn).translate(-p.x, -p.y, -p.z);
  if (s.transform == Transform_e::ALLOW)
    return out.matrix();
  return out.matrix() * map;
}

} // namespace PointConstraintMath
