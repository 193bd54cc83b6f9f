// The point constraints' arithmetic against closed forms: the soft stretch limits and the volume
// rule at the worked values, the segment map for stretches, turns, skew, limits, balance,
// activity, flattening and the three transform types under a parent, and the triangle map
// recovering known affine maps (seeded random cases).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "Common/HandMatrices.h"
#include "PointConstraints/PointConstraintMath.h"

namespace {

using namespace hand;
using namespace PointConstraintMath;

TEST(PointConstraintMath, StretchEasesIntoItsLimitsAndVolumeFollowsTheStretch) {
  const struct {
    double r, s, dmin, dmax, expected;
  } stretch[] = {
      {2.0, 0, 0, 1.5, 1.5},   {1.2, 0, 0, 1.5, 1.2},
      {0.3, 0, 0.5, 0, 0.5},                                                   // hard limits
      {1.2, 1, 0, 1.5, 1.2},   {2.25, 1, 0, 1.5, 1.5 + 0.15 * std::sqrt(0.5)}, // eases above 1.5 ...
      {3.0, 1, 0, 1.5, 1.65},  {5.0, 1, 0, 1.5, 1.65},                         // ... to 1.65 at 3
      {0.5, 1, 0.5, 0, 0.5},   {0.275, 1, 0.5, 0, 0.45 + 0.05 * 0.25},         // eases below 0.5 ...
      {0.05, 1, 0.5, 0, 0.45}, {0.01, 1, 0.5, 0, 0.45},                        // ... to 0.45 at 0.05
  };
  for (const auto& r : stretch)
    EXPECT_NEAR(limitedStretch(r.r, r.s, r.dmin, r.dmax), r.expected, 1e-12) << r.r << " s " << r.s;
  const struct {
    double r, m, expected;
  } volume[] = {{2, 0.75, 0.625}, {0.5, 0.75, 1.75}, {0.25, 0.75, 2.0}, {2, 1.0, 0.5}, {8, 1.0, 0.25}};
  for (const auto& v : volume)
    EXPECT_NEAR(crossScale(v.r, v.m, 0.25, 2.0), v.expected, 1e-12) << v.r << " m " << v.m;
}

// Rest pivots p = (1, 2, 0), q = (3, 2, 0): the segment runs along x.
struct SegmentCase {
  const char* name;
  Math::Matrix4x4 primary, secondary, parent;
  std::function<void(SegmentOptions&)> set;
  Math::Matrix4x4 expected;
  double secondaryDepth = 0; // z of the secondary's rest pivot
  bool rightIsSecondary = false;
};

void PrintTo(const SegmentCase& c, std::ostream* os) { *os << c.name; }

class SegmentMapTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentMapTest, MatchesTheClosedForm) {
  const SegmentCase& c = GetParam();
  SegmentPegs pegs;
  pegs.restPrimary = Math::Point3d(1, 2, 0);
  pegs.restSecondary = Math::Point3d(3, 2, c.secondaryDepth);
  pegs.primaryMatrix = c.primary;
  pegs.right = c.rightIsSecondary ? c.secondary : c.primary;
  pegs.rightIsPrimary = !c.rightIsSecondary;
  pegs.parent = c.parent;
  pegs.primary = c.primary * pegs.restPrimary;
  pegs.secondary = pegs.secondaryUnprojected = c.secondary * pegs.restSecondary;
  SegmentOptions options;
  if (c.set)
    c.set(options);
  Math::Matrix4x4 out;
  ASSERT_TRUE(segmentMap(pegs, options, out));
  EXPECT_TRUE(matrixNear(out, c.expected, 1e-12));
}

const Math::Matrix4x4 kI;
// About the primary pivot, and about the secondary one.
Math::Matrix4x4 aboutP(const Math::Matrix4x4& m) { return T(1, 2, 0) * m * T(-1, -2, 0); }
Math::Matrix4x4 aboutQ(const Math::Matrix4x4& m) { return T(3, 2, 0) * m * T(-3, -2, 0); }
const Math::Matrix4x4 kParent = T(0.5, -1, 0) * Rz(30);
const Math::Matrix4x4 kTurnedPrimary = kParent * aboutP(Rz(90));

INSTANTIATE_TEST_SUITE_P(
    PointConstraintMath, SegmentMapTest,
    ::testing::Values(SegmentCase{"AtRestIsIdentity", kI, kI, kI, nullptr, kI},
                      SegmentCase{"DoubledStretchesAlongAndSquashesAcross", kI, T(2, 0, 0), kI, nullptr,
                                  aboutP(S(2, 0.625, 1))},
                      SegmentCase{"VolumeHundredKeepsTheArea", kI, T(2, 0, 0), kI,
                                  [](SegmentOptions& o) { o.volume = 1; }, aboutP(S(2, 0.5, 1))},
                      SegmentCase{"HalvedSwells", kI, T(-1, 0, 0), kI, nullptr, aboutP(S(0.5, 1.75, 1))},
                      SegmentCase{"FollowsThePrimary", T(0, 1, 0), T(2, 1, 0), kI, nullptr,
                                  T(0, 1, 0) * aboutP(S(2, 0.625, 1))},
                      SegmentCase{"AimsAtTheSecondary", kI, T(-2, 2, 0), kI, nullptr, aboutP(Rz(90))},
                      SegmentCase{"SkewAddsItsShareOfTheTurn", kI, aboutP(Rz(30)), kI,
                                  [](SegmentOptions& o) { o.skew = 0.5; }, aboutP(Rz(30) * K(15))},
                      SegmentCase{"DistanceMaxStops", kI, T(2, 0, 0), kI, [](SegmentOptions& o) { o.stretchMax = 1.5; },
                                  aboutP(S(1.5, 0.75, 1))},
                      SegmentCase{"BalanceMovesByItsShareOfTheGap", kParent, kParent* T(2, 0, 0), kParent,
                                  [](SegmentOptions& o) {
                                    o.stretchMax = 1.5;
                                    o.balance = 0.5;
                                  },
                                  kParent* T(0.5, 0, 0) * aboutP(S(1.5, 0.75, 1))},
                      SegmentCase{"HalfActivityBlendsAboutTheRightPivot", kI, T(2, 0, 0), kI,
                                  [](SegmentOptions& o) { o.activity = 0.5; }, aboutP(S(1.5, 0.8125, 1))},
                      // Under a parent, the right peg is the secondary, aimed at a quarter turn away and held
                      // short of its pivot (1, 6) at (1, 5) by the limit: half activity turns the result by an
                      // eighth about the right pivot and puts that pivot halfway, at (1, 5.5).
                      SegmentCase{"HalfActivityMovesTheRightPivotHalfway", kParent, kParent* T(-2, 4, 0), kParent,
                                  [](SegmentOptions& o) {
                                    o.stretchMax = 1.5;
                                    o.activity = 0.5;
                                  },
                                  kParent* T(-2, 3.5, 0) * aboutQ(Rz(45) * S(1.25, 0.875, 1)), 0, true},
                      SegmentCase{"FlattenIgnoresDepth", kI, T(2, 0, -8), kI,
                                  [](SegmentOptions& o) { o.flatten = true; }, aboutP(S(2, 0.625, 1)), 5},
                      // The primary turned about its own pivot under a parent, the secondary at rest under it.
                      SegmentCase{"TranslateKeepsOnlyTheParent", kTurnedPrimary, kParent, kParent, nullptr, kParent},
                      SegmentCase{"TransformTakesThePrimary", kTurnedPrimary, kParent, kParent,
                                  [](SegmentOptions& o) { o.transform = SegmentOptions::eTransform; }, kTurnedPrimary},
                      SegmentCase{"LocalTransformTakesItsTurn", kTurnedPrimary, kParent, kParent,
                                  [](SegmentOptions& o) { o.transform = SegmentOptions::eLocalTransform; },
                                  kTurnedPrimary}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PointConstraintMath, CoincidingRestPivotsAreRefused) {
  SegmentPegs pegs;
  pegs.restPrimary = pegs.restSecondary = Math::Point3d(1, 2, 3);
  Math::Matrix4x4 out = T(9, 9, 9);
  EXPECT_FALSE(segmentMap(pegs, SegmentOptions(), out));
  EXPECT_EQ(out, T(9, 9, 9));
}

TEST(PointConstraintMath, TriangleMapRecoversAnAffineMap) {
  std::mt19937 rng(8);
  std::uniform_real_distribution<double> u(-3, 3);
  for (int i = 0; i < 20; ++i) {
    const Math::Matrix4x4 affine(u(rng), u(rng), 0, 0, u(rng), u(rng), 0, 0, 0, 0, 1, 0, u(rng), u(rng), 0, 1);
    if (std::fabs(affine[0] * affine[5] - affine[1] * affine[4]) < 0.1)
      continue;
    std::array<Math::Point3d, 3> rest, current;
    for (std::size_t k = 0; k < 3; ++k) {
      rest[k] = Math::Point3d(u(rng), u(rng), 0);
      current[k] = affine * rest[k];
    }
    EXPECT_TRUE(matrixNear(triangleMap(rest, current, Math::Vector3d(0, 0, 1)), affine, 1e-9, true)) << i;
  }
}

TEST(PointConstraintMath, TriangleTransformTypesAndActivity) {
  TrianglePegs pegs;
  pegs.rest = {Math::Point3d(1, 2, 0), Math::Point3d(3, 2, 0), Math::Point3d(1, 5, 0)};
  // Under a parent every corner moved by (1, 0, 0), the primary also turned about its corner.
  const Math::Matrix4x4 turn = T(1, 2, 0) * Rz(40) * T(-1, -2, 0);
  pegs.primaryMatrix = kParent * T(1, 0, 0) * turn;
  pegs.parent = pegs.right = kParent;
  for (std::size_t k = 0; k < 3; ++k)
    pegs.current[k] = kParent * (pegs.rest[k] + Math::Vector3d(1, 0, 0));
  EXPECT_TRUE(matrixNear(triangleResult(pegs, TrianglePegs::eTranslate, 1), kParent * T(1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(triangleResult(pegs, TrianglePegs::eTransform, 1), pegs.primaryMatrix, 1e-12));
  EXPECT_TRUE(matrixNear(triangleResult(pegs, TrianglePegs::eLocalTransform, 1), kParent * turn * T(1, 0, 0), 1e-12));

  // Every corner moved by (1, 0, 0): activity 0 gives the right peg, 2 extrapolates the move.
  for (std::size_t k = 0; k < 3; ++k)
    pegs.current[k] = pegs.rest[k] + Math::Vector3d(1, 0, 0);
  pegs.primaryMatrix = pegs.right = T(0, 3, 0) * Rz(20);
  EXPECT_TRUE(matrixNear(triangleResult(pegs, TrianglePegs::eTranslate, 0), pegs.right, 1e-12));
  pegs.primaryMatrix = pegs.right = kI;
  EXPECT_TRUE(matrixNear(triangleResult(pegs, TrianglePegs::eTranslate, 2), T(2, 0, 0), 1e-12));
}

} // namespace
