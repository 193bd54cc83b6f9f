// A matrix taken apart into a peg's parts and put back together: exact for everything a peg can
// express (rotations about every axis, scales of either sign, skew), and angles that follow the
// previous frame's instead of jumping by whole turns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "Common/HandMatrices.h"
#include "SceneCore/PegTransform.h"

namespace {

using namespace hand;

struct Parts {
  double tx, ty, tz, ax, ay, az, skew, sx, sy, sz;
};

Math::Matrix4x4 build(const Parts& p) {
  return T(p.tx, p.ty, p.tz) * Rz(p.az) * Ry(p.ay) * Rx(p.ax) * K(p.skew) * S(p.sx, p.sy, p.sz);
}

TEST(PegTransformFromMatrix, RebuildsEveryPegMatrixAndItsCanonicalParts) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 200; ++i) {
    // Canonical parts: y angle and skew within a quarter turn, y and z scales positive; a mirror
    // is carried by the x scale.
    const Parts p{u(rng) * 5,
                  u(rng) * 5,
                  u(rng) * 5,
                  u(rng) * 179,
                  u(rng) * 89,
                  u(rng) * 179,
                  u(rng) * 60,
                  u(rng) * 3,
                  0.2 + std::fabs(u(rng)) * 2,
                  0.2 + std::fabs(u(rng)) * 2};
    const PegTransform t = PegTransform::fromMatrix(build(p));
    EXPECT_TRUE(matrixNear(t.matrix(), build(p), 1e-12)) << i;
    const double got[] = {t.position.x, t.position.y, t.position.z, t.angles.x, t.angles.y,
                          t.angles.z,   t.skew,       t.scale.x,    t.scale.y,  t.scale.z};
    const double want[] = {p.tx, p.ty, p.tz, p.ax, p.ay, p.az, p.skew, p.sx, p.sy, p.sz};
    for (int k = 0; k < 10; ++k)
      EXPECT_NEAR(got[k], want[k], 1e-9) << "case " << i << " part " << k;
  }
}

TEST(PegTransformFromMatrix, AnglesFollowThePreviousFrameThroughWholeTurnsAndTheOtherSolution) {
  // Two turns about z in steps of 30 degrees, then a rotation that crosses y = 90.
  PegTransform previous;
  for (int step = 1; step <= 24; ++step) {
    const PegTransform t = PegTransform::fromMatrix(Rz(30.0 * step), &previous);
    EXPECT_NEAR(t.angles.z, 30.0 * step, 1e-9);
    previous = t;
  }
  PegTransform last;
  for (double y = 60; y <= 120; y += 15) {
    const Math::Matrix4x4 m = Rz(20) * Ry(y) * Rx(-10);
    const PegTransform t = PegTransform::fromMatrix(m, y == 60 ? nullptr : &last);
    EXPECT_TRUE(matrixNear(t.matrix(), m, 1e-9)) << y;
    if (y != 90) {
      EXPECT_NEAR(t.angles.y, y, 1e-6) << "y follows past the quarter turn";
    }
    last = t;
  }
}

} // namespace

// The peg's matrix is built leaving out the products' zero terms: it must give the full
// products' numbers bit for bit, signed zeros included, for the parts riggers use (zeros,
// negative zeros, quarter and half turns, mirrors, a flat scale, a pivot) and for random ones.
TEST(PegTransformMatrix, GivesTheFullProductsBitForBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> any(-400.0, 400.0);
  const double special[] = {0.0, -0.0, 90.0, -90.0, 180.0, 360.0, 1.0, -1.0, 1e-300, 1e29};
  std::uniform_int_distribution<int> pick(0, 2 * static_cast<int>(std::size(special)));
  auto part = [&] {
    const int i = pick(rng);
    return i < static_cast<int>(std::size(special)) ? special[i] : any(rng);
  };
  // A peg at rest but for one negative zero: the identity's shortcuts keep or drop the sign.
  std::vector<PegTransform> cases(6);
  cases[0].position = Math::Point3d(-0.0, 0.0, 0.0);
  cases[1].position = Math::Point3d(-0.0, 2.0, 0.0);
  cases[2].pivot = Math::Point3d(-0.0, 0.0, -0.0);
  cases[3].angles = Math::Vector3d(-0.0, 0.0, -0.0);
  cases[3].skew = -0.0;
  cases[4].scale = Math::Vector3d(-0.0, 1.0, 1.0);
  for (int n = 0; n < 20000; ++n) {
    PegTransform& t = cases.emplace_back();
    t.position = Math::Point3d(part(), part(), part());
    t.pivot = Math::Point3d(part(), part(), part());
    t.angles = Math::Vector3d(part(), part(), part());
    t.skew = part();
    t.scale = Math::Vector3d(part(), part(), part());
  }
  for (std::size_t n = 0; n < cases.size(); ++n) {
    const PegTransform& t = cases[n];
    const Math::Matrix4x4 fast = t.matrix(), full = t.matrixByProducts();
    ASSERT_EQ(std::memcmp(fast.values(), full.values(), sizeof(double) * 16), 0) << "case " << n;
    ASSERT_EQ(fast.isIdentity(), full.isIdentity()) << "case " << n;
  }
}

// Parts so large that a left-out zero term would have been a NaN take the full products.
TEST(PegTransformMatrix, HugePartsTakeTheFullProducts) {
  PegTransform t;
  t.scale = Math::Vector3d(1e200, 1e200, 0.0);
  t.position = Math::Point3d(1e200, 0.0, 0.0);
  const Math::Matrix4x4 fast = t.matrix(), full = t.matrixByProducts();
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(std::memcmp(&fast.values()[i], &full.values()[i], sizeof(double)) == 0 ||
                (std::isnan(fast[i]) && std::isnan(full[i])))
        << "value " << i;
}
