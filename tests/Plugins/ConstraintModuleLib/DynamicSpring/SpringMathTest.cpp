// The spring's channel step without a scene: worked examples, the activity blend, and the short
// products and quaternion steps against the host's own calls, bit for bit (full tension and
// inertia among them). (Decomposition and composition are checked through scenes:
// a spring at full tension reproduces a tumbling, mirrored, skewed peg.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "Common/HandMatrices.h"
#include "Core/TransformFunctions.h"
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

// The composition and the pivot's conjugation must give, bit for bit, what the host's own matrix
// calls give for the same chain (its products add the same sums in the same order): a spring's
// frames depend each on the one before, so a last bit moved here moves every later frame.
struct ComposeCase {
  const char* name;
  Math::Vector3d translation, scale, skew;
  Math::Quat rotation;
  Math::Point3d pivot;
};

Math::Matrix4x4 composedByTheHost(const ComposeCase& c) {
  const Math::Vector3d y(0, 1, 0), z(0, 0, 1);
  Math::Matrix4x4 m;
  m.translate(c.translation.x, c.translation.y, c.translation.z).translate(c.pivot.x, c.pivot.y, c.pivot.z);
  m *= c.rotation.matrix();
  if (c.skew.x != 0.0)
    m.skew(c.skew.x);
  if (c.skew.y != 0.0)
    m *= Math::Matrix4x4().rotateDegrees(90, z).skew(c.skew.y).rotateDegrees(-90, z);
  if (c.skew.z != 0.0)
    m *= Math::Matrix4x4().rotateDegrees(90, y).rotateDegrees(90, z).skew(c.skew.z).rotateDegrees(-90, z).rotateDegrees(
        -90, y);
  return m.scale(c.scale.x, c.scale.y, c.scale.z).translate(-c.pivot.x, -c.pivot.y, -c.pivot.z);
}

// The pivot's conjugation of a matrix by the host's own calls.
Math::Matrix4x4 conjugatedByTheHost(const Math::Matrix4x4& m, const Math::Point3d& pivot) {
  return Math::Matrix4x4().translate(-pivot.x, -pivot.y, -pivot.z) * m *
         Math::Matrix4x4().translate(pivot.x, pivot.y, pivot.z);
}

SpringHistoryEntry entryOf(const ComposeCase& c) {
  SpringHistoryEntry e;
  e.translation = c.translation;
  e.scale = c.scale;
  e.skew = c.skew;
  e.rotation = c.rotation;
  return e;
}

bool sameBits(const Math::Matrix4x4& a, const Math::Matrix4x4& b) {
  return std::memcmp(a.values(), b.values(), 16 * sizeof(double)) == 0;
}

std::string printed(const Math::Matrix4x4& m) {
  std::string s;
  for (int i = 0; i < 16; ++i)
    s += std::to_string(m[i]) + (std::signbit(m[i]) && m[i] == 0.0 ? "(-0) " : " ");
  return s;
}

// The composition, and the input seen from the pivot as the decomposition receives it.
::testing::AssertionResult givesTheHostsBits(const ComposeCase& c) {
  SpringHistoryEntry e = entryOf(c);
  const Math::Matrix4x4 want = composedByTheHost(c), got = composeSpringMatrix(e, c.pivot);
  if (!sameBits(got, want))
    return ::testing::AssertionFailure() << printed(got) << "\nwant " << printed(want);
  const Math::Matrix4x4 conjugated = conjugatedByTheHost(want, c.pivot), about = aboutPivot(want, c.pivot);
  if (!sameBits(about, conjugated))
    return ::testing::AssertionFailure() << "about the pivot " << printed(about) << "\nwant " << printed(conjugated);
  return ::testing::AssertionSuccess();
}

class SpringComposition : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(SpringComposition, GivesTheHostsProductsToTheBit) { EXPECT_TRUE(givesTheHostsBits(GetParam())); }

const double kInf = std::numeric_limits<double>::infinity();
const Math::Quat kTilted = Math::Quat::fromAxisAngle(2.3, {0.2, -1, 0.7});

INSTANTIATE_TEST_SUITE_P(
    Chains, SpringComposition,
    ::testing::Values(
        ComposeCase{"everything", {1.5, -2, 0.25}, {1.2, 0.8, -2}, {12, -7, 30}, kTilted, {0.3, 2, -1}},
        ComposeCase{"noSkews", {1.5, -2, 0.25}, {1.2, 0.8, 1}, {}, kTilted, {0.3, 2, -1}},
        // Rounding leaves skews of a few 1e-15 degrees: each still takes its product.
        ComposeCase{"hairSkews", {3, 0, 0}, {1, 1, 1}, {2e-15, -3e-15, 1e-14}, kTilted, {0, 0.5, 0}},
        ComposeCase{"identity", {}, {1, 1, 1}, {}, Math::Quat(), {}},
        ComposeCase{"onlyPivot", {}, {1, 1, 1}, {}, Math::Quat(), {1, -2, 3}},
        ComposeCase{"translationCancelsPivot", {-1, 2, -3}, {1, 1, 1}, {}, Math::Quat(), {1, -2, 3}},
        ComposeCase{
            "negativeZeros", {-0.0, 0, -0.0}, {1, -0.0, 1}, {0, -0.0, 0}, Math::Quat(-0.0, 0, -0.0, 1), {-0.0, 0, 0}},
        ComposeCase{
            "mirroredAndFlat", {0, 0, 5}, {-1, 0.001, 0}, {0, 45, 0}, Math::Quat(0.5, 0.5, -0.5, 0.5), {2, 2, 0}},
        ComposeCase{"unnormalisedTurn", {1, 1, 1}, {2, 2, 2}, {-89, 0, 0}, Math::Quat(3, 1, 0, -2), {0, 0, 1}},
        ComposeCase{"overflowing", {1e308, -1e308, 0}, {1e300, 1e300, 1}, {0, 0, 10}, kTilted, {1e308, 0, 0}},
        ComposeCase{"infinite", {kInf, 0, 0}, {1, 1, 1}, {5, 0, 0}, Math::Quat(), {0, 1, 0}},
        ComposeCase{"notANumber", {0, 0, 0}, {1, 1, 1}, {std::nan(""), 0, 0}, kTilted, {0, 1, 0}}),
    [](const ::testing::TestParamInfo<ComposeCase>& param) { return std::string(param.param.name); });

// Seeded random chains, with now and then an exact zero, one or identity operand.
TEST(SpringComposition, GivesTheHostsProductsToTheBitForRandomChains) {
  std::mt19937 rng(20240613);
  std::uniform_real_distribution<double> u(-3, 3);
  const auto sometimes = [&](double v, double special) { return rng() % 4 == 0 ? special : v; };
  for (int i = 0; i < 2000; ++i) {
    ComposeCase c{"random",
                  {sometimes(u(rng), 0), u(rng), sometimes(u(rng), -0.0)},
                  {sometimes(u(rng), 1), sometimes(u(rng), 1), u(rng)},
                  {sometimes(u(rng) * 20, 0), sometimes(u(rng) * 1e-14, 0), sometimes(u(rng) * 20, 0)},
                  rng() % 5 == 0 ? Math::Quat() : Math::Quat(u(rng), u(rng), u(rng), u(rng)),
                  {sometimes(u(rng), 0), sometimes(u(rng), 0), sometimes(u(rng), -0.0)}};
    ASSERT_TRUE(givesTheHostsBits(c)) << "case " << i;
  }
}

// A skew about the y or z axis alone, at angles whose sine vanishes beside cos 90° (about 6e-17)
// or underflows, at quarter and half turns, huge and not finite; after the identity (which the
// product skips) and after a turn, with and without a pivot: the host's chain to the bit.
TEST(SpringComposition, SideSkewsGiveTheHostsProductsToTheBitAtTheirEdges) {
  const double angles[] = {1e-40, -1e-40, 1e-305, -1e-305, 4e-324, 1e-15, -3e-15, 0.5,  -45,   89.999999,
                           90,    -90,    180,    -180,    270,    1e10,  1e300,  kInf, -kInf, std::nan("")};
  const Math::Quat turns[] = {Math::Quat(), kTilted, Math::Quat(-0.0, 1, 0, 0)};
  const Math::Point3d pivots[] = {{0, 0, 0}, {0.3, -2, 1}};
  for (double a : angles)
    for (int side = 1; side < 3; ++side)
      for (const Math::Quat& turn : turns)
        for (const Math::Point3d& pivot : pivots) {
          Math::Vector3d skew;
          (side == 1 ? skew.y : skew.z) = a;
          ASSERT_TRUE(givesTheHostsBits({"side", {}, {1, 1, 1}, skew, turn, pivot}))
              << "angle " << a << " side " << side;
        }
}

// The rotation's step as its rule reads, with the host's quaternion calls: the carried turn
// slerped by the inertia, dropped when the missing turn is within 0.0001 rad; the pull slerped by
// the tension, added when it turns by more than that.
void rotationStepByTheRule(const SpringHistoryEntry& v, const Math::Quat& target, const SpringGains& g,
                           Math::Quat& rotation, Math::Quat& velocity) {
  const auto turn = [](const Math::Quat& q) {
    double angle = 0;
    Math::Vector3d axis;
    q.rotAxis(angle, axis);
    return std::fabs(angle);
  };
  Math::Quat omega = Math::Quat::slerpMethod(Math::Quat(), v.rotationVelocity, g.rotateInertia);
  const Math::Quat& q = v.rotation;
  const double n = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
  const Math::Quat d = quatProduct(target, Math::Quat(q.w * n, -q.x * n, -q.y * n, -q.z * n));
  if (turn(d) <= 0.0001)
    omega = Math::Quat();
  const Math::Quat alpha = Math::Quat::slerpMethod(Math::Quat(), d, g.rotateTension);
  if (turn(alpha) > 0.0001)
    omega = omega * alpha;
  rotation = q * omega;
  velocity = omega;
}

bool sameBits(const Math::Quat& a, const Math::Quat& b) {
  const double x[4] = {a.w, a.x, a.y, a.z}, y[4] = {b.w, b.x, b.y, b.z};
  return std::memcmp(x, y, sizeof x) == 0;
}

// The spring's rotation step against the rule's, state and velocity.
::testing::AssertionResult stepsByTheRule(const SpringHistoryEntry& v, const Math::Quat& target, const SpringGains& g) {
  SpringHistoryEntry next;
  advanceSpring(v, SpringTarget{{}, {1, 1, 1}, target, {}}, g, next);
  Math::Quat rotation, velocity;
  rotationStepByTheRule(v, target, g, rotation, velocity);
  return sameBits(next.rotation, rotation) && sameBits(next.rotationVelocity, velocity) ? ::testing::AssertionSuccess()
                                                                                        : ::testing::AssertionFailure();
}

TEST(SpringStep, RotationGivesTheHostsQuaternionCallsToTheBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1, 1);
  const auto axis = [&] { return Math::Vector3d(u(rng), u(rng), u(rng)); };
  // Missing turns about the threshold, small and large, either sign of w; velocities likewise.
  const double angles[] = {0, 1e-9, 0.99e-4, 1.01e-4, 2e-4, 0.01, 1, 3.1, 3.2, 6.2};
  const double gains[] = {0, 0.07, 0.5, 1, 1.5, -0.3};
  int cases = 0;
  for (double missing : angles)
    for (double carried : angles)
      for (double gain : gains) {
        SpringHistoryEntry v;
        v.rotation = Math::Quat::fromAxisAngle(u(rng) * 4, axis());
        if (rng() % 3 == 0) // not of unit length, as rounding leaves them
          v.rotation = Math::Quat(v.rotation.w * 1.0000001, v.rotation.x, v.rotation.y, v.rotation.z);
        v.rotationVelocity = Math::Quat::fromAxisAngle(carried, axis());
        const Math::Quat target = v.rotation * Math::Quat::fromAxisAngle(missing, axis());
        SpringGains g;
        g.rotateTension = gain;
        g.rotateInertia = gains[(cases + 2) % 6];
        ASSERT_TRUE(stepsByTheRule(v, target, g))
            << "missing " << missing << " carried " << carried << " gain " << gain;
        ++cases;
      }
  // Pulls that turn within a hair of the threshold, where its cosine alone cannot decide.
  for (double hair : {0.0, 1e-15, -1e-15, 1e-12, -1e-12, 3e-9, -3e-9, 5e-9, -5e-9, 1e-8, -1e-8})
    for (double gain : {1.0, 0.5}) {
      SpringHistoryEntry v;
      v.rotation = kTilted;
      const Math::Quat target = v.rotation * Math::Quat::fromAxisAngle((1e-4 + hair) / gain, axis());
      SpringGains g;
      g.rotateTension = gain;
      ASSERT_TRUE(stepsByTheRule(v, target, g)) << "hair " << hair << " gain " << gain;
    }
  // Quaternions that are not finite still step as the host's calls make them.
  for (const Math::Quat& bad : {Math::Quat(kInf, 0, 0, 0), Math::Quat(std::nan(""), 1, 0, 0), Math::Quat(0, 0, 0, 0)}) {
    SpringHistoryEntry v;
    v.rotationVelocity = bad;
    SpringGains g;
    g.rotateTension = 0.5;
    g.rotateInertia = 0.8;
    for (const Math::Quat& target : {bad, kTilted})
      EXPECT_TRUE(stepsByTheRule(v, target, g));
  }
}

} // namespace
