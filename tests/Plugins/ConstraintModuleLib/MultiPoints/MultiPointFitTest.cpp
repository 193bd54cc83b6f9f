// The multi-point arithmetic without a scene: the hull's vertices and order, the two-point
// stretch against closed forms, the three-point map landing on its targets, known affine maps
// recovered by the single-precision solve, and a four-point perspective fit against a
// homography solved independently in double precision.
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
  const struct {
    std::vector<Math::Point3d> rest;
    std::vector<unsigned> hull;
  } rows[] = {
      // Square, its centre and the middle of its bottom edge, scrambled.
      {{{0, 0, 0}, {1, 1, 0}, {-1, 1, 0}, {0, -1, 0}, {1, -1, 0}, {-1, -1, 0}}, {5, 4, 1, 2}},
      {{{2, 2, 0}, {0, 0, 0}, {3, 3, 0}, {1, 1, 0}}, {1, 2}},
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 5}}, {2, 0, 1}},
  };
  for (const auto& r : rows) {
    std::vector<unsigned> ports;
    for (const ControlPoint& p : PointConstraintMulti::convexHull(pointsAt(r.rest, Math::Matrix4x4())))
      ports.push_back(p.portIndex);
    EXPECT_EQ(ports, r.hull);
  }
}

TEST(MultiPointFit, TwoPointsTurnOntoTheNewLineAndStretchAlongItOnly) {
  const struct {
    Math::Point3d r0, r1, q0, q1;
    bool fits;
    Math::Matrix4x4 expected;
  } rows[] = {
      {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {3, 0, 0}, true, S(3, 1, 1)},
      {{1, 1, 0}, {1, 3, 0}, {2, 0, 0}, {2, 1, 0}, true, T(2, 0, 0) * S(1, 0.5, 1) * T(-1, -1, 0)},
      {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, 5, 0}, true, T(1, 1, 0) * Rz(90) * S(2, 1, 1)},
      {{1, 1, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}, false, {}},  // no rest offset
      {{0, 0, 0}, {1, 0, 0}, {2, 2, 0}, {2, 2, 0}, false, {}},  // no current offset
      {{0, 0, 0}, {1, 2, 0}, {5, 5, 0}, {6, 7, 0}, false, {}},  // moved rigidly
  };
  for (const auto& r : rows) {
    Math::Matrix4x4 out = T(7, 7, 7);
    EXPECT_EQ(PointConstraintMulti::fitTwoPoints(r.r0, r.r1, r.q0, r.q1, out), r.fits);
    EXPECT_TRUE(matrixNear(out, T(7, 7, 7) * (r.fits ? r.expected : Math::Matrix4x4()), 1e-12));
  }
}

TEST(MultiPointFit, ThreePointsLandExactlyOnTheirTargets) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(-3, 3);
  for (int trial = 0; trial < 20; ++trial) {
    Math::Point3d r[3], q[3];
    for (int k = 0; k < 3; ++k) {
      r[k] = Math::Point3d(u(rng), u(rng), 0);
      q[k] = Math::Point3d(u(rng), u(rng), 0);
    }
    const Math::Matrix4x4 t = PointConstraintMulti::fitThreePoints(r[0], r[1], r[2], q[0], q[1], q[2]);
    for (int k = 0; k < 3; ++k)
      EXPECT_LT((t * r[k] - q[k]).length(), 1e-12) << "trial " << trial << " point " << k;
  }
}

// Known maps, four to six seeded points each; with perspective allowed an affine map is still
// the exact answer. The last map leaves the plane, so the z rows take part.
class KnownAffine : public ::testing::TestWithParam<Math::Matrix4x4> {};

TEST_P(KnownAffine, IsRecoveredInSinglePrecision) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-2, 2);
  const bool flat = GetParam()(2, 0) == 0 && GetParam()(2, 1) == 0;
  for (int n = 4; n <= 6; ++n)
    for (bool perspective : {false, true}) {
      if (!flat && perspective && n < 5)
        continue;  // 15 unknowns need five points off the plane
      std::vector<Math::Point3d> rest;
      for (int k = 0; k < n; ++k)
        rest.emplace_back(u(rng), u(rng), flat ? 0 : u(rng));
      const Math::Matrix4x4 fit = PointConstraintMulti::fitPoints(pointsAt(rest, GetParam()), perspective);
      EXPECT_TRUE(matrixNear(fit, GetParam(), 5e-5, true)) << n << " points, perspective " << perspective;
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, KnownAffine,
                         ::testing::Values(T(0.5, -2, 0) * Rz(30), S(2, 0.5, 1), T(1, 1, 0) * S(-1, 1, 1) * Rz(-70),
                                           T(-1, 0.25, 0) * K(25) * S(1.5, 1.25, 1), T(0, 1, 2) * Rx(40) * Ry(-20)));

TEST(MultiPointFit, FourCoplanarPointsWithPerspectiveMatchAnIndependentHomography) {
  const Math::Point3d rest[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  const Math::Point3d target[4] = {{-1.2, -0.9, 0}, {0.7, -0.5, 0}, {0.6, 0.4, 0}, {-1.1, 1.2, 0}};
  // u = (a x + b y + c) / (g x + h y + 1), v = (d x + e y + f) / (g x + h y + 1), in double.
  Eigen::Matrix<double, 8, 8> m = Eigen::Matrix<double, 8, 8>::Zero();
  Eigen::Matrix<double, 8, 1> rhs;
  for (int k = 0; k < 4; ++k) {
    const double x = rest[k].x, y = rest[k].y, tu = target[k].x, tv = target[k].y;
    m.row(2 * k) << x, y, 1, 0, 0, 0, -x * tu, -y * tu;
    m.row(2 * k + 1) << 0, 0, 0, x, y, 1, -x * tv, -y * tv;
    rhs(2 * k) = tu;
    rhs(2 * k + 1) = tv;
  }
  const Eigen::Matrix<double, 8, 1> h = m.fullPivLu().solve(rhs);
  const Math::Matrix4x4 homography(h(0), h(3), 0, h(6), h(1), h(4), 0, h(7), 0, 0, 1, 0, h(2), h(5), 0, 1);
  std::vector<ControlPoint> points;
  for (unsigned k = 0; k < 4; ++k)
    points.push_back(ControlPoint{Math::Matrix4x4(), rest[k], target[k], k});
  const Math::Matrix4x4 fit = PointConstraintMulti::fitPoints(points, true);
  EXPECT_TRUE(matrixNear(fit, homography, 5e-5, true));
  for (int k = 0; k < 4; ++k)
    EXPECT_LT((fit * rest[k] - target[k]).length(), 2e-5) << "corner " << k;
}

// Rest points on one line leave the y column unconstrained: the minimum-norm answer is 0 there.
TEST(MultiPointFit, RankDeficientSystemsGiveTheMinimumNormAnswer) {
  const std::vector<Math::Point3d> rest = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  for (bool perspective : {false, true}) {
    const Math::Matrix4x4 fit = PointConstraintMulti::fitPoints(pointsAt(rest, T(1, 2, 0) * Rz(40)), perspective);
    for (int i = 0; i < 16; ++i)
      EXPECT_TRUE(std::isfinite(fit[i]));
    EXPECT_NEAR(fit[4], 0, 1e-5);
    EXPECT_NEAR(fit[5], 0, 1e-5);
    EXPECT_LT((fit * Math::Point3d(3, 0, 0) - T(1, 2, 0) * Rz(40) * Math::Point3d(3, 0, 0)).length(), 1e-5);
  }
}

} // namespace
