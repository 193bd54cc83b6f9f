// The multi-point arithmetic without a scene: the hull's vertices and order, the two-point
// stretch against closed forms, known affine and projective maps (built by hand) recovered by
// the single-precision solve, and the minimum-norm answer of a rank-deficient system.
#include <gtest/gtest.h>

#include <random>

#include "Common/HandMatrices.h"
#include "MultiPoints/MultiPointFit.h"

namespace {

using namespace hand;
using PointConstraintMulti::ControlPoint;

std::vector<ControlPoint> pointsAt(const std::vector<Math::Point3d>& rest, const Math::Matrix4x4& map) {
  std::vector<ControlPoint> points;
  for (std::size_t i = 0; i < rest.size(); ++i)
    points.push_back(ControlPoint{Math::Matrix4x4(), rest[i], map * rest[i], static_cast<unsigned>(i)});
  return points;
}

TEST(MultiPointFit, HullKeepsCornersCounterClockwiseFromSmallestX) {
  const std::pair<std::vector<Math::Point3d>, std::vector<unsigned>> rows[] = {
      // A square scrambled with its centre and the middle of its bottom edge; points on a line;
      // a triangle whose z is ignored and whose smallest x is shared.
      {{{0, 0, 0}, {1, 1, 0}, {-1, 1, 0}, {0, -1, 0}, {1, -1, 0}, {-1, -1, 0}}, {5, 4, 1, 2}},
      {{{2, 2, 0}, {0, 0, 0}, {3, 3, 0}, {1, 1, 0}}, {1, 2}},
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 5}}, {2, 0, 1}},
  };
  for (const auto& [rest, hull] : rows) {
    std::vector<unsigned> ports;
    for (const ControlPoint& p : PointConstraintMulti::convexHull(pointsAt(rest, Math::Matrix4x4())))
      ports.push_back(p.portIndex);
    EXPECT_EQ(ports, hull);
  }
}

TEST(MultiPointFit, TwoPointsTurnOntoTheNewLineAndStretchAlongItOnly) {
  const struct {
    Math::Point3d r0, r1, q0, q1;
    bool fits;
    Math::Matrix4x4 expected;
  } rows[] = {
      {{1, 1, 0}, {1, 3, 0}, {2, 0, 0}, {2, 1, 0}, true, T(2, 0, 0) * S(1, 0.5, 1) * T(-1, -1, 0)},
      {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, 5, 0}, true, T(1, 1, 0) * Rz(90) * S(2, 1, 1)},
      {{0, 0, 0}, {1, 0, 0}, {2, 2, 0}, {2, 2, 0}, false, {}}, // no current offset
      {{0, 0, 0}, {1, 2, 0}, {5, 5, 0}, {6, 7, 0}, false, {}}, // moved rigidly
  };
  for (const auto& r : rows) {
    Math::Matrix4x4 out = T(7, 7, 7);
    EXPECT_EQ(PointConstraintMulti::fitTwoPoints(r.r0, r.r1, r.q0, r.q1, out), r.fits);
    EXPECT_TRUE(matrixNear(out, T(7, 7, 7) * (r.fits ? r.expected : Math::Matrix4x4()), 1e-12));
  }
}

// Four to six seeded points per map. An affine map is the exact answer with perspective allowed
// or not; a projective one (divisors between 0.5 and 1.5 here) needs perspective, and from four
// points in the plane it is the one homography through them. The 3-D map takes the z rows, and
// five points to pin all 15 unknowns when perspective is allowed.
class KnownMap : public ::testing::TestWithParam<Math::Matrix4x4> {};

TEST_P(KnownMap, IsRecoveredInSinglePrecision) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-2, 2);
  const Math::Matrix4x4& map = GetParam();
  const bool flat = map(2, 0) == 0 && map(2, 1) == 0, projective = map(3, 0) != 0 || map(3, 1) != 0;
  for (int n = 4; n <= 6; ++n)
    for (bool perspective : {projective, true}) {
      std::vector<Math::Point3d> rest;
      for (int k = 0; k < n; ++k)
        rest.emplace_back(u(rng), u(rng), flat ? 0 : u(rng));
      if (flat || !perspective || n >= 5) {
        EXPECT_TRUE(matrixNear(PointConstraintMulti::fitPoints(pointsAt(rest, map), perspective), map, 5e-5, true))
            << n << " points, perspective " << perspective;
      }
    }
}

std::string mapName(const ::testing::TestParamInfo<Math::Matrix4x4>& row) {
  return std::vector<std::string>{"Turned", "Mirrored", "Skewed", "OffThePlane", "Projective"}.at(row.index);
}

INSTANTIATE_TEST_SUITE_P(Maps, KnownMap,
                         ::testing::Values(T(0.5, -2, 0) * Rz(30), T(1, 1, 0) * S(-1, 1, 1) * Rz(-70),
                                           T(-1, 0.25, 0) * K(25) * S(1.5, 1.25, 1), T(0, 1, 2) * Rx(40) * Ry(-20),
                                           Math::Matrix4x4(0.9, 0.2, 0, 0.15, -0.3, 1.1, 0, -0.1, 0, 0, 1, 0, 0.4, -0.2,
                                                           0, 1)),
                         &mapName);

// Rest points on one line leave the y column unconstrained: the minimum-norm answer is 0 there.
TEST(MultiPointFit, RankDeficientSystemsGiveTheMinimumNormAnswer) {
  const Math::Matrix4x4 map = T(1, 2, 0) * Rz(40);
  for (bool perspective : {false, true}) {
    const Math::Matrix4x4 fit =
        PointConstraintMulti::fitPoints(pointsAt({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, map), perspective);
    EXPECT_TRUE(
        matrixNear(fit, Math::Matrix4x4(map[0], map[1], 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, map[12], map[13], 0, 1), 2e-5));
  }
}

} // namespace
