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
};

class SpringDecomposition : public ::testing::TestWithParam<Parts> {};

TEST_P(SpringDecomposition, RecoversTheBuiltPartsAndComposesBackAboutThePivot) {
  const Parts& p = GetParam();
  const Math::Matrix4x4 m = T(p.tx, p.ty, p.tz) * Rz(p.rz) * Ry(p.ry) * Rx(p.rx) * K(p.skew) * S(p.sx, p.sy, p.sz);
  SpringHistoryEntry e;
  decomposeSpringMatrix(m, e.translation, e.scale, e.rotation, e.skew);
  const double got[] = {e.translation.x, e.translation.z, e.scale.x, e.scale.y, e.scale.z, e.skew.x, e.skew.y};
  const double want[] = {p.tx, p.tz, p.sx, p.sy, p.sz, p.skew, 0};
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(got[i], want[i], 1e-10) << "part " << i;
  EXPECT_TRUE(matrixNear(e.rotation.matrix(), Rz(p.rz) * Ry(p.ry) * Rx(p.rx), 1e-12));
  EXPECT_TRUE(matrixNear(composeSpringMatrix(e, Math::Point3d(0.5, -2, 1)), T(0.5, -2, 1) * m * T(-0.5, 2, -1), 1e-12));
}

INSTANTIATE_TEST_SUITE_P(Parts, SpringDecomposition,
                         ::testing::Values(Parts{1, 2, 3, 30, 0, 0, 0, 1, 1, 1},
                                           Parts{-4, 0.5, 2, 20, -35, 50, 15, 2, 0.5, 3},
                                           Parts{0, 1, 0, 120, 0, 0, -25, -1.5, 0.8, 1}));  // mirrored

Math::Quat aboutZ(double degrees) { return Math::Quat::fromAxisAngle(degrees * M_PI / 180.0, {0, 0, 1}); }
double degreesAboutZ(const Math::Quat& q) { return 2.0 * std::atan2(q.z, q.w) * 180.0 / M_PI; }

// Two steps from rest, each channel with its own gains, worked out by hand.
TEST(SpringStep, PullsByTensionAndCarriesByInertiaPerChannel) {
  SpringGains g;
  g.translationTension = {0.07, 0.5, 1.0};
  g.translationInertia = {0.8, 0.0, 0.5};
  g.scaleTension = g.scaleInertia = g.rotateTension = 0.5;
  g.skewTension = 0.1;
  g.skewInertia = g.rotateInertia = 1.0;
  const SpringTarget target{{1, 2, -1}, {3, 3, 3}, aboutZ(90), {30, 0, 0}};
  SpringHistoryEntry state;
  state.rotation = aboutZ(30);
  const double expected[2][6] = {{0.07, 1.0, -1.0, 2.0, 3.0, 60.0},
                                 {0.1911, 1.5, -1.5, 3.0, 8.7, 105.0}};  // 0.8 · 0.07 + 0.07 · 0.93; 30 + 15
  for (const auto& frame : expected) {
    SpringHistoryEntry next;
    advanceSpring(state, target, g, next);
    const double got[] = {next.translation.x, next.translation.y, next.translation.z,
                          next.scale.x,       next.skew.x,        degreesAboutZ(next.rotation)};
    for (int i = 0; i < 6; ++i)
      EXPECT_NEAR(got[i], frame[i], 1e-12) << "channel " << i;
    state = next;
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
  const double got[] = {next.translation.x, next.scale.x, next.skew.x, degreesAboutZ(next.rotation),
                        next.translationVelocity.x, degreesAboutZ(next.rotationVelocity)};
  const double want[] = {3.5, 2.75, 17.5, 70, 1, 20};  // a quarter of the way back; velocities × √0.25
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(got[i], want[i], 1e-9) << "value " << i;
}

} // namespace
