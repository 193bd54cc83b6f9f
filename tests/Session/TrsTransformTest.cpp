// The nearest translation, rotation and scale of a matrix: known T · R · S recovered over seeded
// random rotations and scales (mirrored, tiny, uneven), the polar factor of sheared matrices
// against an SVD's, a 2-D skew against its closed form, and the degenerate cases.
#include <gtest/gtest.h>

#include <Eigen/LU>
#include <Eigen/SVD>
#include <cmath>
#include <random>

#include "TrsTransform.h"

namespace {

constexpr double kDeg = 0.017453292519943295;

Math::Matrix4x4 trs(const Math::Vector3d& t, const Math::Quat& q, const Math::Vector3d& s) {
  Math::Matrix4x4 m;
  m.translate(t);
  m *= q.matrix();
  m.scale(s.x, s.y, s.z);
  return m;
}

Math::Quat randomRotation(std::mt19937& rng) {
  std::normal_distribution<double> n;
  return Math::Quat(n(rng), n(rng), n(rng), n(rng)).normalized();
}

double largestDifference(const Math::Matrix4x4& a, const Math::Matrix4x4& b) {
  double d = 0.0;
  for (int i = 0; i < 16; ++i)
    d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

struct Scales {
  const char* name;
  Math::Vector3d s;
};

class RecoversTrs : public ::testing::TestWithParam<Scales> {};

TEST_P(RecoversTrs, GivesBackTheRotationAndScaleItWasBuiltFrom) {
  std::mt19937 rng(7);
  const Math::Vector3d s = GetParam().s;
  const double size = std::max({1.0, std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)});
  for (int k = 0; k < 50; ++k) {
    const Math::Quat q = randomRotation(rng);
    const Math::Matrix4x4 m = trs({1.5, -2, 40}, q, s);
    const TrsTransform t = TrsTransform::nearest(m);
    EXPECT_LE(largestDifference(t.matrix(), m), 1e-13 * size * 40);
    // A mirror along x is the x scale's sign: then the parts are the very ones it was built from.
    if (s.y > 0 && s.z > 0) {
      EXPECT_NEAR(t.scale.x, s.x, 1e-12 * size);
      EXPECT_NEAR(t.scale.y, s.y, 1e-12 * size);
      EXPECT_NEAR(t.scale.z, s.z, 1e-12 * size);
      const double dot = std::fabs(t.rotation.w * q.w + t.rotation.x * q.x + t.rotation.y * q.y + t.rotation.z * q.z);
      EXPECT_NEAR(dot, 1.0, 1e-12);
    }
    EXPECT_GE(t.rotation.w, 0.0);
    EXPECT_NEAR(t.rotation.norm(), 1.0, 1e-15);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, RecoversTrs,
                         ::testing::Values(Scales{"unit", {1, 1, 1}}, Scales{"uneven", {0.5, 2, 3}},
                                           Scales{"mirroredX", {-1.25, 0.75, 1}}, Scales{"mirroredY", {1, -1, 1}},
                                           Scales{"mirroredXYZ", {-2, -3, -4}}, Scales{"tiny", {1e-6, 1e-6, 1e-6}},
                                           Scales{"large", {1e4, 3e3, 1}}),
                         [](const ::testing::TestParamInfo<Scales>& row) { return std::string(row.param.name); });

TEST(TrsTransform, ShearedMatrixGetsThePolarRotationAndTheStretchDiagonalAsAnSvdGivesThem) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int k = 0; k < 200; ++k) {
    Eigen::Matrix3d a;
    for (int i = 0; i < 9; ++i)
      a.data()[i] = u(rng) + (i % 4 == 0 ? 2.0 : 0.0);
    if (a.determinant() < 0)
      continue; // mirrors are the next test's
    double v[16] = {a(0, 0), a(1, 0), a(2, 0), 0, a(0, 1), a(1, 1), a(2, 1), 0,
                    a(0, 2), a(1, 2), a(2, 2), 0, 3,       4,       5,       1};
    const TrsTransform t = TrsTransform::nearest(Math::Matrix4x4(v));
    Eigen::JacobiSVD<Eigen::Matrix3d> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
    const Eigen::Matrix3d q = svd.matrixU() * svd.matrixV().transpose();
    const Eigen::Matrix3d p = q.transpose() * a;
    const Math::Matrix4x4 r = t.rotation.matrix();
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        EXPECT_NEAR(r(row, col), q(row, col), 1e-10) << k;
    EXPECT_NEAR(t.scale.x, p(0, 0), 1e-10);
    EXPECT_NEAR(t.scale.y, p(1, 1), 1e-10);
    EXPECT_NEAR(t.scale.z, p(2, 2), 1e-10);
    EXPECT_EQ(t.translation.x, 3);
    EXPECT_EQ(t.translation.z, 5);
  }
}

TEST(TrsTransform, SkewTurnsByHalfItsAngleAndShrinksBothAxesByTheHalfAnglesCosine) {
  // K(a): x' = x + sin(a) y, y' = cos(a) y. Its polar rotation is −a/2 about z and its stretch
  // [[cos a/2, sin a/2], [sin a/2, cos a/2]], so the nearest TRS is off by sin(a)/2 at most.
  for (double a : {10.0, 30.0, 60.0}) {
    Math::Matrix4x4 m;
    m.skew(a);
    const TrsTransform t = TrsTransform::nearest(m);
    const Math::Quat expected = Math::Quat::fromAxisAngle(-a / 2 * kDeg, {0, 0, 1});
    EXPECT_NEAR(t.rotation.w, expected.w, 1e-14);
    EXPECT_NEAR(t.rotation.z, expected.z, 1e-14);
    EXPECT_NEAR(t.scale.x, std::cos(a / 2 * kDeg), 1e-14);
    EXPECT_NEAR(t.scale.y, std::cos(a / 2 * kDeg), 1e-14);
    EXPECT_NEAR(t.scale.z, 1.0, 1e-14);
    EXPECT_NEAR(largestDifference(t.matrix(), m), std::sin(a * kDeg) / 2, 1e-14);
  }
}

TEST(TrsTransform, PerspectiveRowIsDroppedAndAFlatAxisStillGivesAProperRotation) {
  const Math::Quat q = Math::Quat::fromAxisAngle(0.7, {1, 2, 3});
  Math::Matrix4x4 flat = trs({1, 2, 3}, q, {2, 3, 0});
  const TrsTransform t = TrsTransform::nearest(flat);
  EXPECT_LE(largestDifference(t.matrix(), flat), 1e-14);
  EXPECT_NEAR(t.rotation.matrix().determinant(), 1.0, 1e-14);

  Math::Matrix4x4 perspective = trs({1, 2, 3}, q, {2, 3, 4});
  const TrsTransform without = TrsTransform::nearest(perspective);
  perspective.setValue(3, 0.25);
  perspective.setValue(7, -0.5);
  const TrsTransform with = TrsTransform::nearest(perspective);
  EXPECT_EQ(with.matrix(), without.matrix());
}

TEST(TrsTransform, QuaternionFollowsTheOneBeforeIt) {
  const Math::Matrix4x4 m = Math::Quat::fromAxisAngle(3.0, {0, 1, 0}).matrix();
  const Math::Quat near(-0.1, 0, -0.99, 0);
  const TrsTransform t = TrsTransform::nearest(m, &near);
  EXPECT_LT(t.rotation.w, 0.0);
  EXPECT_LT(t.rotation.y, 0.0);
  EXPECT_GT(TrsTransform::nearest(m).rotation.w, 0.0);
}

} // namespace
