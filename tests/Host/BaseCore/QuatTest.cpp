#include "BaseCore/Quat.h"
#include "BaseCore/Matrix4x4.h"

#include "MathTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using Math::Matrix4x4;
using Math::Quat;
using Math::Vector3d;
using MathTest::MatrixNear;
using MathTest::VectorNear;

namespace {

const double kPi = 3.14159265358979323846;
const Vector3d kZ(0, 0, 1);

double angleOf(const Quat& q) {
  double angle;
  Vector3d axis;
  q.rotAxis(angle, axis);
  return angle;
}

} // namespace

TEST(Quat, MatrixIsTheRotationOfTheSameAxisAndAngle) {
  std::mt19937 rng(7u);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 50; ++n) {
    const Vector3d axis(u(rng), u(rng), u(rng));
    const double angle = 3.0 * u(rng);
    const Matrix4x4 expected = Matrix4x4().rotateRadians(angle, axis);
    EXPECT_TRUE(MatrixNear(Quat::fromAxisAngle(angle, axis).matrix(), expected, 1e-15)) << "case " << n;
  }
}

// a * b is a followed by b: Hamilton's b·a.
TEST(Quat, ProductAppliesTheFirstRotationThenTheSecond) {
  std::mt19937 rng(11u);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 50; ++n) {
    const Vector3d a1(u(rng), u(rng), u(rng)), a2(u(rng), u(rng), u(rng)), v(u(rng), u(rng), u(rng));
    const double t1 = 3.0 * u(rng), t2 = 3.0 * u(rng);
    const Quat q = Quat::fromAxisAngle(t1, a1) * Quat::fromAxisAngle(t2, a2);
    const Matrix4x4 first = Matrix4x4().rotateRadians(t1, a1), second = Matrix4x4().rotateRadians(t2, a2);
    const Matrix4x4 expected = second * first;
    EXPECT_TRUE(VectorNear(q.matrix() * v, second * (first * v), 1e-14)) << "case " << n;
    Matrix4x4 m;
    q.conjugate().matrix(m);
    EXPECT_TRUE(MatrixNear(m, expected.getTranspose(), 1e-14)) << "case " << n;
  }
}

TEST(QuatSlerp, TurnsAtConstantSpeedAboutTheCommonAxis) {
  const Quat a, b = Quat::fromAxisAngle(kPi / 2, kZ);
  for (double t : {0.25, 0.5, 0.75}) {
    SCOPED_TRACE(t);
    const Quat s = Quat::slerpMethod(a, b, t);
    // 0 to 90 degrees: a quarter of the way is 22.5, the midpoint 45 (a plain lerp would give 45
    // at the midpoint too, but 18.4 at a quarter).
    EXPECT_NEAR(angleOf(s), t * kPi / 2, 1e-15);
    EXPECT_TRUE(MatrixNear(s.matrix(), Matrix4x4().rotateRadians(t * kPi / 2, kZ), 1e-15));
  }
}

TEST(QuatSlerp, TakesTheShorterArc) {
  const Quat a, b = Quat::fromAxisAngle(kPi / 2, kZ);
  const Quat negB(-b.w, -b.x, -b.y, -b.z);
  EXPECT_TRUE(MatrixNear(Quat::slerpMethod(a, negB, 0.5).matrix(), Matrix4x4().rotateDegrees(45, kZ), 1e-15));

  // 270 degrees about z is -90 the short way; half of it is -45, not +135.
  const Quat c = Quat::fromAxisAngle(1.5 * kPi, kZ);
  EXPECT_TRUE(MatrixNear(Quat::slerpMethod(a, c, 0.5).matrix(), Matrix4x4().rotateDegrees(-45, kZ), 1e-15));
}

TEST(QuatSlerp, TinyAnglesFallBackToANormalisedLerp) {
  const Quat a = Quat::fromAxisAngle(0.7, Vector3d(1, 2, 3));
  const Quat b = a * Quat::fromAxisAngle(1e-8, kZ);
  const Quat s = Quat::slerpMethod(a, b, 0.5);
  EXPECT_NEAR(s.norm(), 1.0, 1e-15);
  EXPECT_TRUE(std::isfinite(s.w));
  // Half of the 1e-8 turn about z: the difference quaternion's z is sin(0.25e-8).
  const Quat d = a.conjugate() * s;
  EXPECT_NEAR(d.z, std::sin(0.25e-8), 1e-15);
  EXPECT_NEAR(d.x, 0.0, 1e-15);
}
