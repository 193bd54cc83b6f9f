// The point constraints' arithmetic against closed forms: the soft stretch limits and the volume
// rule at the worked values, the segment map for stretches, turns, skew, balance, activity,
// flattening and the three transform types under a parent, and the triangle map's transform
// types and activity.
#include <gtest/gtest.h>

#include <functional>

#include "Common/HandMatrices.h"
#include "PointConstraints/PointConstraintMath.h"

namespace {

using namespace hand;
using namespace PointConstraintMath;

TEST(PointConstraintMath, StretchEasesIntoItsLimitsAndVolumeFollowsTheStretch) {
  const struct {
    double r, s, dmin, dmax, expected;
  } stretch[] = {
      {2.0, 0, 0, 1.5, 1.5},
      {0.3, 0, 0.5, 0, 0.5},
      {1.2, 1, 0, 1.5, 1.2}, // hard limits; below the soft one
      {2.25, 1, 0, 1.5, 1.5 + 0.15 * std::sqrt(0.5)},
      {3, 1, 0, 1.5, 1.65}, // eases to 1.65 at 3 ...
      {5, 1, 0, 1.5, 1.65},
      {0.275, 1, 0.5, 0, 0.4625},
      {0.05, 1, 0.5, 0, 0.45}, // ... and to 0.45 at 0.05
  };
  for (const auto& r : stretch)
    EXPECT_NEAR(limitedStretch(r.r, r.s, r.dmin, r.dmax), r.expected, 1e-12) << r.r << " s " << r.s;
  const double volume[][3] = {{2, 0.75, 0.625}, {0.5, 0.75, 1.75}, {0.25, 0.75, 2.0}, {8, 1.0, 0.25}};
  for (const auto& v : volume)
    EXPECT_NEAR(crossScale(v[0], v[1], 0.25, 2.0), v[2], 1e-12) << v[0] << " m " << v[1];
}

const Math::Matrix4x4 kI;
Math::Matrix4x4 aboutP(const Math::Matrix4x4& m) { return T(1, 2, 0) * m * T(-1, -2, 0); }
Math::Matrix4x4 aboutQ(const Math::Matrix4x4& m) { return T(3, 2, 0) * m * T(-3, -2, 0); }
const Math::Matrix4x4 kParent = T(0.5, -1, 0) * Rz(30);

// Rest pivots p = (1, 2, 0) of the primary and q = (3, 2, z): the segment runs along x.
TEST(PointConstraintMath, SegmentMapMatchesClosedForms) {
  const Math::Matrix4x4 turned = kParent * aboutP(Rz(90)); // the primary turned about its pivot
  const struct {
    const char* name;
    Math::Matrix4x4 primary, secondary, parent;
    std::function<void(SegmentSettings&)> set;
    Math::Matrix4x4 expected;
    double z = 0;
    bool rightIsSecondary = false;
  } rows[] = {
      {"at rest", kI, kI, kI, nullptr, kI},
      {"doubled: stretched along, squashed across", kI, T(2, 0, 0), kI, nullptr, aboutP(S(2, 0.625, 1))},
      {"follows the primary", T(0, 1, 0), T(2, 1, 0), kI, nullptr, T(0, 1, 0) * aboutP(S(2, 0.625, 1))},
      {"aims at the secondary", kI, T(-2, 2, 0), kI, nullptr, aboutP(Rz(90))},
      {"skew adds its share of the turn", kI, aboutP(Rz(30)), kI, [](SegmentSettings& o) { o.skew = 0.5; },
       aboutP(Rz(30) * K(15))},
      {"balance moves by its share of the gap", kParent, kParent * T(2, 0, 0), kParent,
       [](SegmentSettings& o) { o.stretchMax = 1.5, o.balance = 0.5; },
       kParent * T(0.5, 0, 0) * aboutP(S(1.5, 0.75, 1))},
      // The right peg is the secondary, a quarter turn away and held short of its pivot (1, 6) at
      // (1, 5): half activity turns by an eighth about it and puts it halfway, at (1, 5.5).
      {"half activity moves the right pivot halfway", kParent, kParent * T(-2, 4, 0), kParent,
       [](SegmentSettings& o) { o.stretchMax = 1.5, o.activity = 0.5; },
       kParent * T(-2, 3.5, 0) * aboutQ(Rz(45) * S(1.25, 0.875, 1)), 0, true},
      {"flatten ignores depth", kI, T(2, 0, -8), kI,
       [](SegmentSettings& o) { o.flatten = PointConstraint2::Flatten_e::FLATTEN; }, aboutP(S(2, 0.625, 1)), 5},
      {"translate keeps only the parent", turned, kParent, kParent, nullptr, kParent},
      {"transform takes the primary", turned, kParent, kParent,
       [](SegmentSettings& o) { o.transform = PointConstraint2::Transform_e::TRANSFORM; }, turned},
      {"local transform takes its turn", turned, kParent, kParent,
       [](SegmentSettings& o) { o.transform = PointConstraint2::Transform_e::LOCALTRANSFORM; }, turned},
  };
  for (const auto& r : rows) {
    SegmentPegs pegs;
    pegs.restPrimary = Math::Point3d(1, 2, 0);
    pegs.restSecondary = Math::Point3d(3, 2, r.z);
    pegs.primaryMatrix = r.primary;
    pegs.right = r.rightIsSecondary ? r.secondary : r.primary;
    pegs.rightIsPrimary = !r.rightIsSecondary;
    pegs.parent = r.parent;
    pegs.primary = r.primary * pegs.restPrimary;
    pegs.secondary = pegs.secondaryUnprojected = r.secondary * pegs.restSecondary;
    SegmentSettings settings;
    if (r.set)
      r.set(settings);
    const std::optional<Math::Matrix4x4> out = segmentMap(pegs, settings);
    ASSERT_TRUE(out) << r.name;
    EXPECT_TRUE(matrixNear(*out, r.expected, 1e-12)) << r.name;
  }
}

Math::Matrix4x4 triangle(const TrianglePegs& pegs, PointConstraint3::Transform_e transform, double activity) {
  TriangleSettings s;
  s.transform = transform;
  s.activity = activity;
  return triangleResult(pegs, s);
}

TEST(PointConstraintMath, TriangleTransformTypesAndActivity) {
  using PointConstraint3::Transform_e;
  TrianglePegs pegs;
  pegs.rest = {Math::Point3d(1, 2, 0), Math::Point3d(3, 2, 0), Math::Point3d(1, 5, 0)};
  // Under a parent every corner moved by (1, 0, 0), the primary also turned about its corner.
  const Math::Matrix4x4 turn = T(1, 2, 0) * Rz(40) * T(-1, -2, 0);
  pegs.primaryMatrix = kParent * T(1, 0, 0) * turn;
  pegs.parent = pegs.right = kParent;
  for (std::size_t k = 0; k < 3; ++k)
    pegs.current[k] = kParent * (pegs.rest[k] + Math::Vector3d(1, 0, 0));
  EXPECT_TRUE(matrixNear(triangle(pegs, Transform_e::TRANSLATE, 1), kParent * T(1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(triangle(pegs, Transform_e::ALLOW, 1), pegs.primaryMatrix, 1e-12));
  EXPECT_TRUE(matrixNear(triangle(pegs, Transform_e::LOCAL, 1), kParent * turn * T(1, 0, 0), 1e-12));
  // Every corner moved by (1, 0, 0) alone: activity 0 gives the right peg, 2 extrapolates.
  for (std::size_t k = 0; k < 3; ++k)
    pegs.current[k] = pegs.rest[k] + Math::Vector3d(1, 0, 0);
  pegs.primaryMatrix = pegs.right = T(0, 3, 0) * Rz(20);
  EXPECT_TRUE(matrixNear(triangle(pegs, Transform_e::TRANSLATE, 0), pegs.right, 1e-12));
  pegs.primaryMatrix = pegs.right = kI;
  EXPECT_TRUE(matrixNear(triangle(pegs, Transform_e::TRANSLATE, 2), T(2, 0, 0), 1e-12));
}

} // namespace
