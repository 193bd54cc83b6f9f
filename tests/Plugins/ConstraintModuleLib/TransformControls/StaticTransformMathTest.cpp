// The static transformation's arithmetic on its own: composing from parts (rotation angles as
// given, so the node's negated attributes turn the right-handed way; skews only when not exactly
// zero) and recovering the parts of known matrices for a bake, mirrored ones included.
#include <gtest/gtest.h>

#include <cmath>

#include "TransformControls/StaticTransformMath.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

const double kDeg = M_PI / 180.0;

// ---- composing ----------------------------------------------------------------------------

TEST(ComposeStaticTransform, NegatedAnglesGiveRightHandedTurnsZThenYThenX) {
  const struct {
    const char* name;
    Math::Vector3d t, s, angles;
  } rows[] = {{"about z", {0, 0, 0}, {1, 1, 1}, {0, 0, 35}},
              {"about y", {0, 0, 0}, {1, 1, 1}, {0, -50, 0}},
              {"about x", {0, 0, 0}, {1, 1, 1}, {70, 0, 0}},
              {"all three with translation and scale", {1, -2, 0.5}, {2, 0.5, 3}, {20, -35, 50}}};
  for (const auto& r : rows) {
    const Math::Matrix4x4 expected =
        T(r.t.x, r.t.y, r.t.z) * Rz(r.angles.z) * Ry(r.angles.y) * Rx(r.angles.x) * S(r.s.x, r.s.y, r.s.z);
    EXPECT_TRUE(matrixNear(composeStaticTransform(r.t, r.s, -r.angles, Math::Vector3d(0, 0, 0)), expected, 1e-14))
        << r.name;
  }
}

TEST(ComposeStaticTransform, SkewsOfFiniteAngleMatchTheirClosedForms) {
  const double a = 30 * kDeg;
  const Math::Vector3d none(0, 0, 0), unit(1, 1, 1);
  // x: K(30); y: x axis becomes (cos, −sin); z: z axis becomes (0, sin, cos).
  EXPECT_TRUE(matrixNear(composeStaticTransform(none, unit, none, {30, 0, 0}), K(30), 1e-15));
  EXPECT_TRUE(matrixNear(composeStaticTransform(none, unit, none, {0, 30, 0}),
                         Math::Matrix4x4(std::cos(a), -std::sin(a), 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1), 1e-15));
  EXPECT_TRUE(matrixNear(composeStaticTransform(none, unit, none, {0, 0, 30}),
                         Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1), 1e-15));
}

// ---- decomposing for a bake ---------------------------------------------------------------

struct DecomposeRow {
  const char* name;
  Math::Matrix4x4 m;
  Math::Vector3d translation, rotation, scale, skew;
  bool recomposes = true; // false where the decomposition drops something on purpose
};
void PrintTo(const DecomposeRow& r, std::ostream* os) { *os << r.name; }

class DecomposeForBake : public ::testing::TestWithParam<DecomposeRow> {};

TEST_P(DecomposeForBake, RecoversTheKnownParts) {
  const DecomposeRow& r = GetParam();
  const Math::Matrix4x4& m = r.m;
  const StaticTransformParts p = decomposeForBake(m);
  const Math::Vector3d got[] = {p.translation, p.rotation, p.scale, p.skew};
  const Math::Vector3d want[] = {r.translation, r.rotation, r.scale, r.skew};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << "part " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << "part " << i;
    EXPECT_NEAR(got[i].z, want[i].z, 1e-9) << "part " << i;
  }
  if (r.recomposes) {
    EXPECT_TRUE(matrixNear(composeStaticTransform(p.translation, p.scale, -p.rotation, p.skew), m, 1e-12));
  }
}

Math::Matrix4x4 Kz(double degrees) {
  const double a = degrees * kDeg;
  return Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1);
}

const Math::Vector3d kNone(0, 0, 0), kUnit(1, 1, 1);
const double kTinyCos = std::cos(1e-4 * kDeg);

INSTANTIATE_TEST_SUITE_P(
    KnownMatrices, DecomposeForBake,
    ::testing::Values(
        DecomposeRow{
            "rotatedIn3d", T(0.5, 0, -1) * Rz(50) * Ry(-35) * Rx(20), {0.5, 0, -1}, {20, -35, 50}, kUnit, kNone},
        DecomposeRow{"nonUniformScale", Rz(-120) * S(2, 0.5, 3), kNone, {0, 0, -120}, {2, 0.5, 3}, kNone},
        DecomposeRow{"skewed2d", Rz(-40) * K(25) * S(1.5, 0.7, 1), kNone, {0, 0, -40}, {1.5, 0.7, 1}, {25, 0, 0}},
        DecomposeRow{"zLeaningTowardsY", Kz(15) * S(1, 2, 0.5), kNone, kNone, {1, 2, 0.5}, {0, 0, 15}},
        // A mirror inside the chain keeps the skew; one outside it (below) negates it.
        DecomposeRow{"mirroredInside", Rz(30) * K(10) * S(-1.5, 1, 1), kNone, {0, 0, 30}, {-1.5, 1, 1}, {10, 0, 0}},
        DecomposeRow{"mirroredOutside", S(-1, 1, 1) * K(20), kNone, kNone, {-1, 1, 1}, {-20, 0, 0}},
        // sin(1e-4°) ≈ 1.7e-6 is below the 1e-5 floor: the turn is read as none.
        DecomposeRow{"tinyRotationReadsAsNone", Rz(1e-4), kNone, kNone, {kTinyCos, kTinyCos, 1}, kNone, false},
        DecomposeRow{"zeroXScaleBecomesTenThousandth", S(0, 1, 1), kNone, kNone, {1e-4, 1, 1}, kNone, false}),
    [](const ::testing::TestParamInfo<DecomposeRow>& p) { return std::string(p.param.name); });

} // namespace
