// The spring's arithmetic without a scene: matrices built from known parts come apart into
// those parts and back, worked examples of the channel step, full tension reaching a 3-D
// rotation, and the activity blend.
#include <gtest/gtest.h>

#include <cmath>

#include "Common/HandMatrices.h"
#include "DynamicSpring/SpringMath.h"

namespace {

using namespace hand;

struct Parts {
  double tx, ty, tz, rz, ry, rx, skew, sx, sy, sz;
  bool handParts;  // the decomposition gives these exact parts back (no mirror folded into them)
};

Math::Matrix4x4 build(const Parts& p) {
  return T(p.tx, p.ty, p.tz) * Rz(p.rz) * Ry(p.ry) * Rx(p.rx) * K(p.skew) * S(p.sx, p.sy, p.sz);
}

class SpringDecomposition : public ::testing::TestWithParam<Parts> {};

TEST_P(SpringDecomposition, RecoversTheBuiltPartsAndComposesBackAboutThePivot) {
  const Parts& p = GetParam();
  const Math::Matrix4x4 m = build(p);
  SpringHistoryEntry e;
  decomposeSpringMatrix(m, e.translation, e.scale, e.rotation, e.skew);
  if (p.handParts) {
    EXPECT_NEAR(e.translation.x, p.tx, 1e-12);
    EXPECT_NEAR(e.translation.z, p.tz, 1e-12);
    EXPECT_NEAR(e.scale.x, p.sx, 1e-12);
    EXPECT_NEAR(e.scale.y, p.sy, 1e-12);
    EXPECT_NEAR(e.scale.z, p.sz, 1e-12);
    EXPECT_NEAR(e.skew.x, p.skew, 1e-10);
    EXPECT_NEAR(e.skew.y, 0.0, 1e-10);
    EXPECT_TRUE(matrixNear(e.rotation.matrix(), Rz(p.rz) * Ry(p.ry) * Rx(p.rx), 1e-12));
  }
  const Math::Matrix4x4 back = composeSpringMatrix(e, Math::Point3d(0.5, -2, 1));
  EXPECT_TRUE(matrixNear(back, T(0.5, -2, 1) * m * T(-0.5, 2, -1), 1e-12));
  EXPECT_EQ(e.result, back);
}

INSTANTIATE_TEST_SUITE_P(Parts, SpringDecomposition,
                         ::testing::Values(Parts{1, 2, 3, 30, 0, 0, 0, 1, 1, 1, true},
                                           Parts{-4, 0.5, 2, 20, -35, 50, 15, 2, 0.5, 3, true},
                                           Parts{0, 1, 0, 120, 0, 0, -25, -1.5, 0.8, 1, true},  // mirrored
                                           Parts{0, 0, 0, 10, 70, -20, 40, 1, -2, 0.5, false}));

Math::Quat aboutZ(double degrees) { return Math::Quat::fromAxisAngle(degrees * M_PI / 180.0, {0, 0, 1}); }

double degreesAboutZ(const Math::Quat& q) { return 2.0 * std::atan2(q.z, q.w) * 180.0 / M_PI; }

// Two steps from rest, each channel with its own gains, worked out by hand.
TEST(SpringStep, PullsByTensionAndCarriesByInertiaPerChannel) {
  SpringGains g;
  g.translationTension = {0.07, 0.5, 1.0};
  g.translationInertia = {0.8, 0.0, 0.5};
  g.scaleTension = g.scaleInertia = 0.5;
  g.skewTension = 0.1;
  g.skewInertia = 1.0;
  g.rotateTension = 0.5;
  g.rotateInertia = 1.0;
  SpringTarget target{{1, 2, -1}, {3, 3, 3}, aboutZ(90), {30, 0, 0}};
  SpringHistoryEntry first, second, rest;
  rest.rotation = aboutZ(30);
  advanceSpring(rest, target, g, first);
  advanceSpring(first, target, g, second);
  const struct {
    double got, frame1, frame2;
  } rows[] = {
      {first.translation.x, 0.07, 0.1911},  // v = 0.8 · 0.07 + 0.07 · 0.93
      {first.translation.y, 1.0, 1.5},
      {first.translation.z, -1.0, -1.5},    // the inertia carries it past the target
      {first.scale.x, 2.0, 3.0},
      {first.skew.x, 3.0, 8.7},
      {degreesAboutZ(first.rotation), 60.0, 105.0},  // 30 carried on, plus half of the 30 missing
  };
  const double frame2[] = {second.translation.x, second.translation.y, second.translation.z,
                           second.scale.x, second.skew.x, degreesAboutZ(second.rotation)};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(rows[i].got, rows[i].frame1, 1e-12) << "row " << i;
    EXPECT_NEAR(frame2[i], rows[i].frame2, 1e-12) << "row " << i;
  }
}

// A tension of 100 % lands on any rotation: the missing turn is applied after the state, in the
// scene's frame, after the turn that a full inertia carries on.
TEST(SpringStep, FullTensionReachesAThreeDimensionalRotation) {
  const Math::Quat from = Math::Quat::fromAxisAngle(1.1, {1, -2, 0.5});
  const Math::Quat turn = Math::Quat::fromAxisAngle(0.3, {0, 1, 1});
  const Math::Quat target = Math::Quat::fromAxisAngle(-2.0, {0.3, 1, -1});
  const Math::Matrix4x4 missing = target.matrix() * from.matrix().getTranspose();
  for (double inertia : {0.0, 1.0}) {
    SpringGains g;
    g.rotateTension = 1.0;
    g.rotateInertia = inertia;
    SpringHistoryEntry state, next;
    state.rotation = from;
    state.rotationVelocity = turn;
    advanceSpring(state, SpringTarget{{}, {1, 1, 1}, target, {}}, g, next);
    const Math::Matrix4x4 expected = inertia == 0 ? target.matrix() : missing * turn.matrix() * from.matrix();
    EXPECT_TRUE(matrixNear(next.rotation.matrix(), expected, 1e-12)) << "inertia " << inertia;
  }
}

TEST(SpringStep, ActivityKeepsItsShareOfTheFreeStepAndTheRootOfTheVelocities) {
  SpringGains g;
  g.translationTension = {0.5, 0.5, 0.5};
  g.rotateTension = g.scaleTension = g.skewTension = 0.5;
  const SpringTarget target{{4, 4, 4}, {3, 3, 3}, aboutZ(80), {20, 0, 0}};
  SpringHistoryEntry next;
  advanceSpring(SpringHistoryEntry(), target, g, next);  // free: 2, scale 2, 40° and skew 10
  settleSpring(target, 0.25, next);
  EXPECT_NEAR(next.translation.x, 3.5, 1e-12);  // a quarter of the way from 4 to 2
  EXPECT_NEAR(next.scale.x, 2.75, 1e-12);
  EXPECT_NEAR(next.skew.x, 17.5, 1e-12);
  EXPECT_NEAR(next.translationVelocity.x, 1.0, 1e-12);
  EXPECT_NEAR(degreesAboutZ(next.rotation), 70.0, 1e-9);
  EXPECT_NEAR(degreesAboutZ(next.rotationVelocity), 20.0, 1e-9);
}

TEST(SpringStep, ScaleFactorsNearZeroAreLifted) {
  SpringGains g;
  g.scaleTension = 1.0;
  const SpringTarget target{{}, {0, -0.00005, 0.0002}, {}, {}};
  SpringHistoryEntry next;
  advanceSpring(SpringHistoryEntry(), target, g, next);
  settleSpring(target, 1.0, next);
  EXPECT_EQ(next.scale.x, 0.001);
  EXPECT_EQ(next.scale.y, 0.001);
  EXPECT_NEAR(next.scale.z, 0.0002, 1e-15);
}

TEST(SpringMath, QuatProductIsHamiltonsTheHostsInReverse) {
  EXPECT_EQ(quatProduct(Math::Quat(0, 1, 0, 0), Math::Quat(0, 0, 1, 0)), Math::Quat(0, 0, 0, 1));
  const Math::Quat a = Math::Quat::fromAxisAngle(0.7, {1, 2, 3}), b = Math::Quat::fromAxisAngle(-1.3, {0, 1, -1});
  const Math::Quat ab = quatProduct(a, b), ba = b * a;
  EXPECT_NEAR(ab.w, ba.w, 1e-15);
  EXPECT_NEAR(ab.x, ba.x, 1e-15);
  EXPECT_NEAR(ab.z, ba.z, 1e-15);
}

} // namespace
