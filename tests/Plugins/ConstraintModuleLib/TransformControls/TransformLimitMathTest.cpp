// The limit's arithmetic without a scene: the stretch decomposition against the closed-form 2-D
// polar split, the input rebuilt exactly when every share is whole (whatever path the options
// take), and shares whose results can be worked out by hand, the camera's pinhole included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "TransformControls/TransformLimitMath.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;
using namespace TransformLimit;

TEST(DecomposeStretch, AgreesWithTheClosedFormPolarSplitOfTheUnscaledPart) {
  const Math::Matrix4x4 rows[] = {T(0.5, -1, 2) * Rz(35), Rz(-120) * K(25) * S(1.5, 0.7, 1),
                                  Rz(170) * K(-40) * S(3, 0.2, 1), Rz(60) * S(-1, 1, 1) * K(10)};
  for (const Math::Matrix4x4& m : rows) {
    const StretchParts got = decomposeStretch(m);
    const double sx = std::hypot(m[0], m[1]), sy = (m[0] * m[5] - m[1] * m[4]) / sx;
    // The rotation nearest to [a c; b d] turns by atan2(b - c, a + d); the stretch is what remains.
    const double a = m[0] / sx, b = m[1] / sx, c = m[4] / sy, d = m[5] / sy;
    const double theta = std::atan2(b - c, a + d), co = std::cos(theta), si = std::sin(theta);
    const double want[] = {sx, sy, theta, std::atan2(co * b - si * a, co * a + si * b),
                           std::atan2(co * c + si * d, co * d - si * c)};
    const double have[] = {got.sx, got.sy, got.angle, got.skewA, got.skewB};
    for (int i = 0; i < 5; ++i)
      EXPECT_NEAR(have[i], want[i], 1e-12) << i;
    EXPECT_EQ(got.translation, Math::Vector3d(m[12], m[13], m[14]));
  }
  // A quarter turn's vanishing cosine is held at 0.0001 before the angle is read.
  EXPECT_NEAR(decomposeStretch(Rz(90)).angle, std::acos(1e-4 / std::hypot(1.0, 1e-4)), 1e-12);
}

// The split's r⁻¹ · u against the host's own inverse and product, bit for bit (signed zeros
// included, which the arc tangents downstream tell apart; any NaN for a NaN): random 3x3 parts with now and then
// exact zeros, negative zeros, ones, a singular or non-finite r, and r or u the identity.
TEST(InverseTimes, MatchesTheHostsInverseAndProductBitForBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-2, 2);
  const double oddValues[] = {0.0, -0.0, 1.0, -1.0, 1e-300, 1e300, std::nan(""), HUGE_VAL};
  const auto linearPart = [&](int i, bool withOddValues) {
    double v[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
      v[k] = withOddValues && rng() % 3 == 0 ? oddValues[rng() % (i % 5 == 0 ? 8 : 4)] : u(rng);
    if (i % 17 == 0) // the identity
      for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        v[k] = k % 5 == 0 ? 1.0 : 0.0;
    if (i % 13 == 0) // singular: the y axis along x
      for (int k = 0; k < 3; ++k)
        v[4 + k] = 2 * v[k];
    return Math::Matrix4x4(v);
  };
  for (int i = 0; i < 5000; ++i) {
    const Math::Matrix4x4 r = linearPart(i, i % 2 == 0);
    const Math::Matrix4x4 un = linearPart(i + 3, i % 3 == 0);
    const Math::Matrix4x4 want = r.getInverse() * un;
    const Math::Matrix4x4 got = inverseTimes(r.values(), un.values());
    for (int k = 0; k < 16; ++k) // a NaN's payload is not the arithmetic's to keep
      ASSERT_TRUE(std::memcmp(&want.values()[k], &got.values()[k], sizeof(double)) == 0 ||
                  (std::isnan(want[k]) && std::isnan(got[k])))
          << "case " << i << " value " << k << ": " << want[k] << " vs " << got[k] << "\n"
          << r << "\n"
          << un;
    ASSERT_EQ(want.isIdentity(), got.isIdentity()) << "case " << i;
  }
}

// A camera at z = 3 looking down −z, 60° wide vertically at 4:3.
CameraMatrices pinhole() {
  const double f = 1 / std::tan(M_PI / 6), n = 0.1, far = 100;
  return {T(0, 0, -3), Math::Matrix4x4(f / (4.0 / 3), 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1, 0, 0,
                                       2 * far * n / (n - far), 0)};
}

// The limited matrix about `control`, or one of NaN when there is none (nothing compares near it).
Math::Matrix4x4 limited(const Math::Matrix4x4& in, const Math::Matrix4x4& reference, const Math::Point3d& control,
                        LimitSettings s, const CameraMatrices* camera) {
  s.control = control;
  const double nan = std::nan("");
  return limitTransform(in, reference, s, camera)
      .value_or(Math::Matrix4x4(nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan));
}

TEST(LimitTransform, EveryShareWholeRebuildsTheInputWhateverPathTheOptionsTake) {
  const CameraMatrices camera = pinhole();
  const Math::Matrix4x4 parent = T(0.2, -0.1, 0) * Rz(-25) * S(1.2, 0.8, 1);
  const Math::Point3d control(0.4, -0.3, 0);
  for (bool mirrored : {false, true})
    for (SkewType_e skewType : {SkewType_e::SKEWAIM, SkewType_e::SKEWIGNORE, SkewType_e::SKEWOPTIMIZE})
      for (FlipAxisType_e flip : {FlipAxisType_e::FLIPX, FlipAxisType_e::FLIPY, FlipAxisType_e::MINIMIZED}) {
        const Math::Matrix4x4 in = parent * T(1, 0.5, 0) * Rz(140) * K(20) * S(mirrored ? -1.5 : 1.5, 0.7, 1);
        LimitSettings s;
        s.skewType = skewType;
        s.flipAxis = flip;
        // Without flips a mirrored input would lose its mirror; flattening a plane input changes nothing.
        s.allowFlip = mirrored;
        s.flatten = mirrored ? Flatten_e::PROJECT3D : Flatten_e::ALLOW;
        EXPECT_TRUE(matrixNear(limited(in, parent, control, s, mirrored ? &camera : nullptr), in, 1e-12))
            << mirrored << " " << int(skewType) << " " << int(flip);
      }
}

TEST(LimitTransform, SharesGiveTheirWorkedResults) {
  const Math::Point3d p(1, 2, 0);
  const Math::Matrix4x4 moved = T(0.5, 0.25, 0) * Rz(60);
  const Math::Point3d pMoved = moved * p; // where the input carries the control
  const CameraMatrices camera = pinhole();
  const struct {
    const char* name;
    Math::Matrix4x4 in;
    Math::Point3d control;
    std::function<void(LimitSettings&)> set;
    Math::Matrix4x4 expected;
  } rows[] = {
      {"half the rotation about the control, which still follows the input", moved, p,
       [](LimitSettings& s) { s.rot = 0.5; }, T(pMoved.x - 1, pMoved.y - 2, 0) * T(1, 2, 0) * Rz(30) * T(-1, -2, 0)},
      {"no x translation of the control point, not of the origin", moved, p, [](LimitSettings& s) { s.tx = 0; },
       T(0, pMoved.y - 2, 0) * T(1, 2, 0) * Rz(60) * T(-1, -2, 0)},
      {"half the scale change", S(3, 1, 1), {0, 0, 0}, [](LimitSettings& s) { s.sx = 0.5; }, S(2, 1, 1)},
      {"uniform scale is the mean",
       S(2, 1, 1),
       {0, 0, 0},
       [](LimitSettings& s) { s.uniformScale = true; },
       S(1.5, 1.5, 1)},
      {"without flips a mirror comes out as a half turn",
       S(-1, 1, 1),
       {0, 0, 0},
       [](LimitSettings& s) { s.allowFlip = false; },
       Rz(180)},
      {"half the activity fades the rotation dropped back halfway",
       Rz(60),
       {0, 0, 0},
       [](LimitSettings& s) {
         s.rot = 0;
         s.activity = 0.5;
       },
       Rz(30)},
      // Seen from z = 3, (1, 0, 2) lies on the ray that meets the plane at (3, 0, 0), three times nearer.
      {"flattened: the control goes where the camera sees it",
       T(0, 0, 2),
       {1, 0, 0},
       [](LimitSettings& s) { s.flatten = Flatten_e::PROJECT3D; },
       T(2, 0, 0)},
      {"flattened with scale: nearer looks larger",
       T(0, 0, 2),
       {1, 0, 0},
       [](LimitSettings& s) { s.flatten = Flatten_e::PROJECT3DSCALE; },
       T(2, 0, 0) * T(1, 0, 0) * S(3, 3, 1) * T(-1, 0, 0)},
  };
  for (const auto& r : rows) {
    LimitSettings s;
    r.set(s);
    const bool flattened = s.flatten != Flatten_e::ALLOW;
    EXPECT_TRUE(
        matrixNear(limited(r.in, Math::Matrix4x4(), r.control, s, flattened ? &camera : nullptr), r.expected, 1e-12))
        << r.name;
  }
}

} // namespace
