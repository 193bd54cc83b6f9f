// The shared matrix and camera functions, checked against hand-worked values: the scale guard,
// the activity blend at its ends and through a mirror, the handedness test against the sign of
// the determinant, signed angle differences, and the drawing-plane projection against a ray cast
// by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "Common/HandMatrices.h"
#include "Core/Angles.h"
#include "Core/TransformFunctions.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using namespace hand;
Math::Matrix4x4 S(double x, double y) { return hand::S(x, y, 1); }

// ---- sanitizeScale ----------------------------------------------------------------------

struct ScaleGuardCase {
  const char* name;
  int element;
  double in;
  double out;
};

class SanitizeScaleTest : public ::testing::TestWithParam<ScaleGuardCase> {};

TEST_P(SanitizeScaleTest, GuardsOnlyTheXAndYScale) {
  const ScaleGuardCase& c = GetParam();
  double v[16];
  for (int i = 0; i < 16; ++i)
    v[i] = 0.5 + i; // distinct, none near the guard
  v[10] = 0.0;      // a zero z scale is not guarded
  v[c.element] = c.in;
  Math::Matrix4x4 m(v);
  sanitizeScale(m);
  for (int i = 0; i < 16; ++i) {
    if (i != c.element) {
      EXPECT_EQ(v[i], m[i]) << "element " << i << " was touched";
    } else if (std::isnan(c.out)) {
      EXPECT_TRUE(std::isnan(m[i]));
    } else {
      EXPECT_EQ(c.out, m[i]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, SanitizeScaleTest,
                         ::testing::Values(ScaleGuardCase{"ExactZeroBecomesNegativeEpsilon", 0, 0.0, -0.0001},
                                           ScaleGuardCase{"NegativeZeroBecomesNegativeEpsilon", 5, -0.0, -0.0001},
                                           ScaleGuardCase{"SmallPositiveBecomesEpsilon", 5, 0.00005, 0.0001},
                                           ScaleGuardCase{"BoundaryPositiveStays", 0, 0.0001, 0.0001},
                                           ScaleGuardCase{"PositiveInfinityBecomesTwo", 0, kInf, 2.0},
                                           ScaleGuardCase{"NegativeInfinityBecomesMinusTwo", 5, -kInf, -2.0},
                                           ScaleGuardCase{"NaNPassesThrough", 0, kNaN, kNaN}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- blendTransforms --------------------------------------------------------------------

struct BlendEndsCase {
  const char* name;
  Math::Matrix4x4 source;
  Math::Matrix4x4 target;
};

class BlendTransformsEndsTest : public ::testing::TestWithParam<BlendEndsCase> {};

TEST_P(BlendTransformsEndsTest, GivesSourceAtZeroAndTargetAtOne) {
  const BlendEndsCase& c = GetParam();
  const Math::Point3d origin(0, 0, 0);
  const Math::Vector3d none(0, 0, 0);
  EXPECT_TRUE(matrixNear(blendTransforms(c.target, c.source, 0.0, origin, none, true, true), c.source, 1e-9));
  EXPECT_TRUE(matrixNear(blendTransforms(c.target, c.source, 1.0, origin, none, true, true), c.target, 1e-9));
}

INSTANTIATE_TEST_SUITE_P(Table, BlendTransformsEndsTest,
                         ::testing::Values(BlendEndsCase{"Skew", Math::Matrix4x4(), K(20)},
                                           BlendEndsCase{"RotationAcrossTheHalfTurn", Rz(170), Rz(-170)},
                                           BlendEndsCase{"AllTogether", T(-1, 0.5, 0) * Rz(-40) * K(-10) * S(0.7, 1.3),
                                                         T(3, 2, 1) * Rz(75) * K(15) * S(1.5, 2.5)},
                                           BlendEndsCase{"MirroredTarget", Rz(20), T(1, 1, 0) * S(-1, 1)}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(BlendTransforms, HalfwayBlendsTranslationAngleAndScaleLinearly) {
  const Math::Matrix4x4 out = blendTransforms(T(4, 2, 0) * Rz(90) * S(3, 1), Math::Matrix4x4(), 0.5,
                                              Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, true);
  EXPECT_TRUE(matrixNear(out, T(2, 1, 0) * Rz(45) * S(2, 1), 1e-12));
}

TEST(BlendTransforms, WithRotationOffUsesTheTargetAngleEvenAtZero) {
  const Math::Matrix4x4 out =
      blendTransforms(Rz(30), Math::Matrix4x4(), 0.0, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, false);
  EXPECT_TRUE(matrixNear(out, Rz(30), 1e-12));
}

// Target S(-1, 1) against the identity: the source is flipped to S(-1, 1) too, which decomposes
// as sx 1, angle 180, sy -1; its sx is then negated, so sx runs from -1 (t = 0) to 1 (t = 1)
// under a half turn and element 0 = cos(180) * sx = 1 - 2t, guarded where it crosses zero.
TEST(BlendTransforms, MirroredTargetPassesTheXScaleThroughTheGuard) {
  const struct { double t, element0; } rows[] = {{0.0, 1.0}, {0.25, 0.5}, {0.5, -0.0001}, {0.75, -0.5}, {1.0, -1.0}};
  for (const auto& r : rows) {
    const Math::Matrix4x4 out =
        blendTransforms(S(-1, 1), Math::Matrix4x4(), r.t, Math::Point3d(0, 0, 0), Math::Vector3d(0, 0, 0), true, true);
    EXPECT_NEAR(r.element0, out[0], 1e-12) << "t = " << r.t;
    EXPECT_NEAR(1.0, out[5], 1e-12) << "t = " << r.t;
    EXPECT_NEAR(0.0, out[1], 1e-12) << "t = " << r.t;
    EXPECT_NEAR(0.0, out[4], 1e-12) << "t = " << r.t;
  }
}

// ---- isMirrored: the sign of the 3x3 determinant is the second method ---------------------

TEST(IsMirrored, AgreesWithTheSignOfTheDeterminant) {
  const std::vector<Math::Matrix4x4> cases = {Rz(120),
                                              S(-1, -1),
                                              hand::S(1, 1, -1),
                                              Rz(30) * K(20) * S(2, 3),
                                              T(5, 5, 5) * S(-3, 2),
                                              Rz(-100) * K(-35) * S(0.5, -4)};
  for (const Math::Matrix4x4& m : cases) {
    const double det =
        m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) + m[8] * (m[1] * m[6] - m[5] * m[2]);
    EXPECT_EQ(det < 0.0, isMirrored(m)) << m;
  }
}

// Axes within a hair of parallel or opposite, either side, either way up, the x axis on a main
// direction (so that single precision keeps the hair): the side is the determinant's however
// small the angle between them, on both sides of where the test stops reading the angles.
TEST(IsMirrored, NearlyParallelAxesKeepTheDeterminantsSign) {
  for (double turn : {0.0, kHalfPi, kPi, -kHalfPi})
    for (double base : {0.0, kPi})
      for (double gap : {1e-6, 1e-8, 3e-9, 1e-10, 1e-13, -1e-6, -1e-8, -3e-9, -1e-10, -1e-13})
        for (double zz : {1.0, -1.0}) {
          const double a = turn + base + gap;
          const Math::Matrix4x4 m(Math::Vector3d(std::cos(turn), std::sin(turn), 0),
                                  Math::Vector3d(2 * std::cos(a), 2 * std::sin(a), 0), Math::Vector3d(0, 0, zz),
                                  Math::Point3d(0, 0, 0));
          // Seen from +z the y axis lies on the gap's side of x (past the half turn, the other side).
          const bool counterClockwise = (gap > 0.0) == (base == 0.0);
          EXPECT_EQ(counterClockwise == (zz < 0.0), isMirrored(m))
              << "turn " << turn << " base " << base << " gap " << gap << " z " << zz;
        }
}

// The quick look at mirroring never disagrees with isMirrored, the one it stands in for: axes a hair from parallel,
// seen edge on, tiny, huge, denormal, zero or not finite; and it does decide ordinary matrices.
TEST(IsMirrored, AtOnceAgreesOrAbstains) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1, 1);
  const double magnitudes[] = {0, 1e-320, 1e-40, 1e-31, 1e-16, 1e-8, 1, 3, 1e14, 1e16, 1e300, kInf, std::nan("")};
  int decided = 0, ordinary = 0, ordinaryDecided = 0;
  for (int i = 0; i < 20000; ++i) {
    const bool plain = i % 2 == 0;
    ordinary += plain && i % 7 != 1 && i % 11 != 3;
    double v[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int axis = 0; axis < 12; axis += 4)
      for (int k = 0; k < 3; ++k)
        v[axis + k] = u(rng) * (plain ? 2 : magnitudes[rng() % 13]);
    if (i % 7 == 1) { // y a hair from parallel (or opposite) to x, seen from above
      const double hair = std::ldexp(1.0, -static_cast<int>(rng() % 40)) * (rng() % 2 ? 1 : -1);
      v[4] = v[0] * (rng() % 2 ? 1 : -1) - v[1] * hair;
      v[5] = v[1] * (v[4] * v[0] > 0 ? 1 : -1) + v[0] * hair;
    }
    if (i % 11 == 3) // an axis seen edge on
      v[rng() % 2 ? 0 : 4] = v[rng() % 2 ? 1 : 5] = 0.0;
    const Math::Matrix4x4 m(v);
    const int atOnce = mirroredAtOnce(m.values());
    if (atOnce >= 0) {
      ASSERT_EQ(atOnce == 1, isMirrored(m)) << "case " << i;
      ++decided;
      ordinaryDecided += plain && i % 7 != 1 && i % 11 != 3;
    }
  }
  EXPECT_GT(ordinaryDecided, ordinary * 99 / 100); // all but the few near an edge
  EXPECT_GT(decided, ordinaryDecided);
}

// ---- angles -----------------------------------------------------------------------------

TEST(SignedAngleDifference, TakesTheShorterTurnCounterClockwisePositive) {
  const struct {
    double from, to;
    bool radians;
    double expected;
  } rows[] = {
      {350, 10, false, 20},  {10, 350, false, -20}, {-170, 170, false, -20},      {0, 179, false, 179},
      {0, 181, false, -179}, {0, 360, false, 0},    {M_PI, M_PI / 4, true, -135},
  };
  for (const auto& r : rows)
    EXPECT_NEAR(r.expected, signedAngleDifference(r.from, r.to, r.radians), 1e-9) << r.from << " -> " << r.to;
}

TEST(BlendAngle, MovesAlongTheShorterTurn) {
  EXPECT_NEAR(360.0, blendAngle(350, 10, 0.5, false), 1e-9);
  EXPECT_NEAR(5.0, blendAngle(10, 350, 0.25, false), 1e-9);
  EXPECT_NEAR(-60.0, blendAngle(0, -120, 0.5, false), 1e-9);
}

// The blend from 0 worked through against the general blend, bit for bit: whole and half turns
// either way, angles a hair from 0 (where the arc cosine rounds to nothing), signed zeros, angles
// past a turn, and values that are not numbers.
TEST(BlendAngle, FromZeroMatchesTheGeneralBlendBitForBit) {
  std::vector<double> angles = {0.0,  -0.0,   1e-300, -1e-300, 1e-9, -1e-9, 1e-6,  -1e-6, 0.5,   -0.5,   10,
                                -10,  89.999, 90,     -90,     135,  -135,  180,   -180,  179.9, -179.9, 270,
                                -270, 360,    -360,   540,     1e6,  -1e6,  1e300, kInf,  -kInf, kNaN};
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-400, 400);
  for (int i = 0; i < 2000; ++i)
    angles.push_back(u(rng));
  for (double to : angles)
    for (double t : {0.0, 0.25, 0.5, 1.0, 1.7, -0.3}) {
      const double general = blendAngle(0.0, to, t, false);
      const double fromZero = blendAngleFromZero(to, t);
      EXPECT_EQ(0, std::memcmp(&general, &fromZero, sizeof(double)))
          << "to " << to << " t " << t << ": " << general << " vs " << fromZero;
    }
}

// ---- projections ------------------------------------------------------------------------

// A camera at (0, 0, 10) looking down -z, 90 degrees vertical field of view, square aspect,
// near 1, far 100: the OpenGL perspective written out in column order.
struct Camera {
  Math::Matrix4x4 view = T(0, 0, -10); // the inverse of the camera's T(0, 0, 10)
  Math::Matrix4x4 projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -101.0 / 99.0, -1, 0, 0, -200.0 / 99.0, 0};
};

// The ray from the eye (0, 0, 10) through (2, 1, 5) meets z = 0 at (4, 2, 0) (parameter 2). In
// the frame of T(1, 0, 0) * Rz(90), whose z = 0 plane is the same, that point is
// Rz(-90) * (3, 2, 0) = (2, -3, 0).
TEST(ProjectToDrawingPlane, PutsThePointOnTheCameraRayAndTheModelPlane) {
  const Camera cam;
  const Math::Point3d p(2, 1, 5);
  const struct {
    const char* name;
    Math::Matrix4x4 model;
    Math::Point3d expected;
  } rows[] = {{"identity", Math::Matrix4x4(), {4, 2, 0}}, {"shifted and turned", T(1, 0, 0) * Rz(90), {2, -3, 0}}};
  for (const auto& r : rows) {
    bool ok = false;
    const Math::Point3d q = projectToDrawingPlane(p, cam.view, cam.projection, r.model, &ok);
    EXPECT_TRUE(ok) << r.name;
    EXPECT_NEAR(r.expected.x, q.x, 1e-9) << r.name;
    EXPECT_NEAR(r.expected.y, q.y, 1e-9) << r.name;
    EXPECT_EQ(0.0, q.z) << r.name;
  }
}

} // namespace
