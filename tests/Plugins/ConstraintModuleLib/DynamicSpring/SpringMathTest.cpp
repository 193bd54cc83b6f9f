// The spring's channel step without a scene: worked examples, full tension reaching a 3-D
// rotation, and the activity blend. (Decomposition and composition are checked through scenes:
// a spring at full tension reproduces a tumbling, mirrored, skewed peg.)
#include <gtest/gtest.h>

#include <cmath>

#include "Common/HandMatrices.h"
#include "DynamicSpring/SpringMath.h"

namespace {

using namespace hand;

Math::Quat aboutZ(double degrees) { return Math::Quat::fromAxisAngle(degrees * M_PI / 180.0, {0, 0, 1}); }
double degreesAboutZ(const Math::Quat& q) { return 2.0 * std::atan2(q.z, q.w) * 180.0 / M_PI; }

void expectValues(const std::vector<double>& got, const std::vector<double>& want, double tol) {
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_NEAR(got[i], want[i], tol) << "value " << i;
}

// Two steps from rest, worked out by hand: x 0.07 then 0.8 · 0.07 + 0.07 · 0.93; z overshoots;
// the turn of 30° carried on plus half of the 30° still missing.
TEST(SpringStep, PullsByTensionAndCarriesByInertiaPerChannel) {
  SpringGains g;
  g.translationTension = {0.07, 0.5, 1.0};
  g.translationInertia = {0.8, 0.0, 0.5};
  g.scaleTension = g.scaleInertia = g.rotateTension = 0.5;
  g.skewTension = 0.1;
  g.skewInertia = g.rotateInertia = 1.0;
  const SpringTarget target{{1, 2, -1}, {3, 3, 3}, aboutZ(90), {30, 0, 0}};
  SpringHistoryEntry state, next;
  state.rotation = aboutZ(30);
  for (const std::vector<double>& want :
       {std::vector<double>{0.07, 1, -1, 2, 3, 60}, {0.1911, 1.5, -1.5, 3, 8.7, 105}}) {
    advanceSpring(state, target, g, next);
    expectValues({next.translation.x, next.translation.y, next.translation.z, next.scale.x, next.skew.x,
                  degreesAboutZ(next.rotation)},
                 want, 1e-12);
    state = next;
  }
}

// Full tension lands on any rotation: the missing turn is applied after the state, in the
// scene's frame, after the turn a full inertia carries on.
TEST(SpringStep, FullTensionReachesAThreeDimensionalRotation) {
  const Math::Quat from = Math::Quat::fromAxisAngle(1.1, {1, -2, 0.5}),
                   turn = Math::Quat::fromAxisAngle(0.3, {0, 1, 1});
  const Math::Quat target = Math::Quat::fromAxisAngle(-2.0, {0.3, 1, -1});
  for (double inertia : {0.0, 1.0}) {
    SpringGains g;
    g.rotateTension = 1.0;
    g.rotateInertia = inertia;
    SpringHistoryEntry state, next;
    state.rotation = from;
    state.rotationVelocity = turn;
    advanceSpring(state, SpringTarget{{}, {1, 1, 1}, target, {}}, g, next);
    const Math::Matrix4x4 carried =
        inertia == 0 ? Math::Matrix4x4() : from.matrix().getTranspose() * turn.matrix() * from.matrix();
    EXPECT_TRUE(matrixNear(next.rotation.matrix(), target.matrix() * carried, 1e-12)) << "inertia " << inertia;
  }
}

// Free step from rest: 2, scale 2, skew 10, 40°; an activity of 0.25 keeps a quarter of the way
// back from the target, and the square root of it of the velocities (1 and 20°).
TEST(SpringStep, ActivityKeepsItsShareOfTheFreeStepAndTheRootOfTheVelocities) {
  SpringGains g;
  g.translationTension = {0.5, 0.5, 0.5};
  g.rotateTension = g.scaleTension = g.skewTension = 0.5;
  const SpringTarget target{{4, 4, 4}, {3, 3, 3}, aboutZ(80), {20, 0, 0}};
  SpringHistoryEntry next;
  advanceSpring(SpringHistoryEntry(), target, g, next);
  settleSpring(target, 0.25, next);
  expectValues({next.translation.x, next.scale.x, next.skew.x, degreesAboutZ(next.rotation), next.translationVelocity.x,
                degreesAboutZ(next.rotationVelocity)},
               {3.5, 2.75, 17.5, 70, 1, 20}, 1e-9);
}

} // namespace
