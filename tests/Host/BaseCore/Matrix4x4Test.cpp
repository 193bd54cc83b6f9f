#include "BaseCore/Matrix4x4.h"
#include "BaseCore/MatrixException.h"

#include "MathTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using Math::Matrix4x4;
using Math::Point3d;
using Math::Vector3d;
using MathTest::MatrixNear;
using MathTest::PointNear;
using MathTest::VectorNear;

namespace {

const double kPi = 3.14159265358979323846;
const double kDeg = kPi / 180.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const Vector3d kZ(0, 0, 1);

// A matrix whose 2-D part is (a b; c d) in columns, translated by t.
Matrix4x4 planar(double a, double b, double c, double d, double tx = 0, double ty = 0, double tz = 0) {
  return Matrix4x4(a, b, 0, 0, c, d, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1);
}

} // namespace

TEST(Matrix4x4Product, PointThroughProductEqualsPointThroughEachFactor) {
  const Matrix4x4 a(2, 1, 0, 0, -1, 3, 0.5, 0, 0, 0.25, 1, 0, 4, -2, 1, 1);
  // Projective bottom row: the division must commute with the product.
  const Matrix4x4 b(1, 0, 2, 0.1, 0, 2, 0, 0.2, 1, 1, 1, 0, 3, 0, -1, 1);
  const Point3d p(0.5, -1.5, 2.0);
  EXPECT_TRUE(PointNear((a * b) * p, a * (b * p), 1e-12));
  EXPECT_TRUE(PointNear((b * a) * p, b * (a * p), 1e-12));

  // A point is divided by w (here x + 1); a vector ignores translation and w.
  const Matrix4x4 m(1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  EXPECT_EQ(m * Point3d(1, 2, 3), Point3d(0.5, 1, 1.5));
  const Matrix4x4 t = Matrix4x4().translate(5, 6, 7).scale(2, 3, 4);
  EXPECT_EQ(t * Vector3d(1, 1, 1), Vector3d(2, 3, 4));
  // A chain applies its last operation to the point first. Translate then rotate: (1,0,0) is rotated to (0,1,0), then
  // moved by (1,0,0).
  const Matrix4x4 tr = Matrix4x4().translate(1, 0, 0).rotateDegrees(90, kZ);
  EXPECT_TRUE(PointNear(tr * Point3d(1, 0, 0), Point3d(1, 1, 0), 1e-15));
  // rotate then translate: (1,0,0) is moved to (2,0,0), then rotated to (0,2,0).
  const Matrix4x4 rt = Matrix4x4().rotateDegrees(90, kZ).translate(1, 0, 0);
  EXPECT_TRUE(PointNear(rt * Point3d(1, 0, 0), Point3d(0, 2, 0), 1e-15));
}

struct RotationCase {
  std::string name;
  Vector3d axis;
  double degrees;
  Vector3d in;
  Vector3d out;
};

class Matrix4x4Rotation : public ::testing::TestWithParam<RotationCase> {};

TEST_P(Matrix4x4Rotation, IsRightHandedAboutTheNormalisedAxis) {
  const RotationCase& c = GetParam();
  const Matrix4x4 deg = Matrix4x4().rotateDegrees(c.degrees, c.axis);
  EXPECT_TRUE(VectorNear(deg * c.in, c.out, 1e-15));
  const Matrix4x4 rad = Matrix4x4().rotateRadians(c.degrees * kDeg, c.axis);
  EXPECT_TRUE(MatrixNear(rad, deg, 1e-15));
  // A rotation keeps lengths and handedness.
  EXPECT_NEAR(deg.determinant(), 1.0, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(Axes, Matrix4x4Rotation,
                         ::testing::Values(RotationCase{"ZCarriesXOntoY", kZ, 90, {1, 0, 0}, {0, 1, 0}},
                                           RotationCase{"XCarriesYOntoZ", {1, 0, 0}, 90, {0, 1, 0}, {0, 0, 1}},
                                           RotationCase{"YCarriesZOntoX", {0, 1, 0}, 90, {0, 0, 1}, {1, 0, 0}},
                                           RotationCase{"Diagonal120CyclesAxes", {1, 1, 1}, 120, {1, 0, 0}, {0, 1, 0}},
                                           RotationCase{"MinusZTurnsClockwise", {0, 0, -1}, 90, {1, 0, 0}, {0, -1, 0}}),
                         [](const ::testing::TestParamInfo<RotationCase>& row) { return row.param.name; });

TEST(Matrix4x4Skew, LeansYTowardsXKeepingItsLength) {
  // 30 degrees, worked by hand: x' = 2 + 3 sin 30, y' = 3 cos 30.
  const Matrix4x4 k = Matrix4x4().skew(30);
  const Point3d p = k * Point3d(2, 3, 5);
  EXPECT_NEAR(p.x, 3.5, 1e-15);
  EXPECT_NEAR(p.y, 2.598076211353316, 1e-15);
  EXPECT_EQ(p.z, 5.0);
  EXPECT_EQ(k.xAxis(), Vector3d(1, 0, 0));
}

TEST(Matrix4x4Determinant, MatchesProductOfScalesAndSkewCosine) {
  const Matrix4x4 m = Matrix4x4().translate(1, 2, 3).rotateDegrees(40, Vector3d(1, 2, 3)).skew(25).scale(2, -3, 0.5);
  EXPECT_NEAR(m.determinant(), 2 * -3 * 0.5 * std::cos(25 * kDeg), 1e-14);
}

TEST(Matrix4x4Inverse, OfComposedMatrixIsTheReversedChainOfInverses) {
  const Vector3d axis(0.3, -1, 2);
  const Matrix4x4 m = Matrix4x4().translate(3, -4, 5).rotateDegrees(70, axis).scale(2, 0.5, -4);
  const Matrix4x4 expected = Matrix4x4().scale(0.5, 2, -0.25).rotateDegrees(-70, axis).translate(-3, 4, -5);
  EXPECT_TRUE(MatrixNear(m.getInverse(), expected, 1e-14));
}

TEST(Matrix4x4Inverse, TimesMatrixIsIdentityForRandomWellConditionedMatrices) {
  std::mt19937 rng(20240611u);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 200; ++n) {
    double v[16];
    for (int i = 0; i < 16; ++i)
      v[i] = u(rng) + (i % 5 == 0 ? 4.0 : 0.0); // diagonally dominant
    const Matrix4x4 m(v);
    const Matrix4x4 inv = m.getInverse();
    EXPECT_TRUE(MatrixNear(inv * m, Matrix4x4::Identity, 1e-14)) << "case " << n;
    EXPECT_TRUE(MatrixNear(m * inv, Matrix4x4::Identity, 1e-14)) << "case " << n;
  }
}

struct SingularCase {
  std::string name;
  Matrix4x4 m;
};

class Matrix4x4Singular : public ::testing::TestWithParam<SingularCase> {};

TEST_P(Matrix4x4Singular, InverseThrowsLeavingMatrixAndGetInverseGivesIdentity) {
  Matrix4x4 m = GetParam().m;
  EXPECT_THROW(m.inverse(), Math::MatrixException);
  // Bitwise, since NaN never equals itself.
  EXPECT_EQ(std::memcmp(m.values(), GetParam().m.values(), sizeof(double) * 16), 0);
  EXPECT_EQ(GetParam().m.getInverse(), Matrix4x4::Identity);
}

INSTANTIATE_TEST_SUITE_P(Cases, Matrix4x4Singular,
                         ::testing::Values(SingularCase{"ZeroXScale", Matrix4x4().translate(1, 2, 3).scale(0, 1, 1)},
                                           SingularCase{"ParallelAxes", Matrix4x4(Vector3d(1, 2, 3), Vector3d(2, 4, 6),
                                                                                  Vector3d(0, 0, 1), Point3d())},
                                           SingularCase{"NaN", planar(1, 0, 0, kNaN)},
                                           SingularCase{"InfiniteTranslation", planar(1, 0, 0, 1, -kInf)}),
                         [](const ::testing::TestParamInfo<SingularCase>& row) { return row.param.name; });

class Matrix4x4RotationPart : public ::testing::TestWithParam<Matrix4x4> {};

TEST_P(Matrix4x4RotationPart, IsOrthonormalRightHandedAndAlongTheXAxis) {
  const Matrix4x4& m = GetParam();
  const Matrix4x4 r = m.rotation();
  const Vector3d x = r.xAxis(), y = r.yAxis();
  EXPECT_NEAR(r.determinant(), 1.0, 1e-14);
  EXPECT_TRUE(MatrixNear(r.getTranspose() * r, Matrix4x4::Identity, 1e-15));
  EXPECT_EQ(r.origin(), Point3d());
  // x keeps the input's x direction; y stays in the plane of the input's x and y.
  EXPECT_TRUE(VectorNear(x, m.xAxis().getNormalized(), 1e-15));
  EXPECT_NEAR(y.getDotProduct(m.xAxis().getCrossProduct(m.yAxis())), 0.0, 1e-14);
  EXPECT_GT(y.getDotProduct(m.yAxis()), 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Matrix4x4RotationPart,
    ::testing::Values(Matrix4x4().translate(4, 5, 6).rotateDegrees(30, Vector3d(1, 2, 2)).skew(20).scale(2, 3, 4),
                      // Mirrored in z: the result is still right-handed.
                      Matrix4x4().rotateDegrees(10, Vector3d(1, 0, 0)).scale(1, 2, -3)));

TEST(Matrix4x4IdentityFlag, EditedIdentityIsNotTakenForTheIdentityByProducts) {
  Matrix4x4 m = Matrix4x4::Identity;
  m.setValue(12, 2);
  EXPECT_EQ(m * Point3d(0, 0, 0), Point3d(2, 0, 0));
  EXPECT_EQ((Matrix4x4::Identity * m).value(12), 2.0);
  EXPECT_EQ(m.getInverse().value(12), -2.0);
  EXPECT_EQ(m.determinant(), 1.0);
}

// ---- decomposition ----

namespace {

Matrix4x4 rebuild(const Matrix4x4& m) {
  double tx, ty, tz, sx, sy, angle, skew;
  m.extractParameters(false, false, 0.0, 0.0, tx, ty, tz, sx, sy, angle, skew);
  return Matrix4x4().translate(tx, ty, tz).rotateDegrees(angle, kZ).skew(skew).scale(sx, sy, 1);
}

// The part the decomposition describes: values 0, 1, 4, 5 and the translation.
Matrix4x4 planarPart(const Matrix4x4& m) { return planar(m[0], m[1], m[4], m[5], m[12], m[13], m[14]); }

} // namespace

struct ParameterCase {
  std::string name;
  double tx, ty, tz, angle, skew, sx, sy;
};

class Matrix4x4Decomposition : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(Matrix4x4Decomposition, RecoversTheParametersItWasBuiltFrom) {
  const ParameterCase& c = GetParam();
  const Matrix4x4 m =
      Matrix4x4().translate(c.tx, c.ty, c.tz).rotateDegrees(c.angle, kZ).skew(c.skew).scale(c.sx, c.sy, 1);
  double tx, ty, tz, sx, sy, angle, skew;
  m.extractParameters(false, false, 0.0, 0.0, tx, ty, tz, sx, sy, angle, skew);
  EXPECT_EQ(tx, c.tx);
  EXPECT_EQ(ty, c.ty);
  EXPECT_EQ(tz, c.tz);
  EXPECT_NEAR(sx, c.sx, 1e-12 * std::fabs(c.sx));
  EXPECT_NEAR(sy, c.sy, 1e-12 * std::fabs(c.sy));
  EXPECT_NEAR(angle, c.angle, 1e-12);
  EXPECT_NEAR(skew, c.skew, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Parameters, Matrix4x4Decomposition,
                         ::testing::Values(ParameterCase{"Rotated135", 0, 0, 0, 135, 0, 1, 1},
                                           ParameterCase{"AllAtOnce", 5, 6, 7, 100, 30, 0.5, 4},
                                           ParameterCase{"MirroredY", 0, 0, 0, 45, -60, 2, -0.5},
                                           ParameterCase{"MirroredRotatedSkewed", -3, 0, 1, -120, 10, 3, -3},
                                           ParameterCase{"TinyScales", 0, 0, 0, 20, 15, 1e-9, 2e-9}),
                         [](const ::testing::TestParamInfo<ParameterCase>& row) { return row.param.name; });

struct RebuildCase {
  std::string name;
  Matrix4x4 m;
};

class Matrix4x4Rebuild : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(Matrix4x4Rebuild, ComposingTheParametersGivesBackThePlanarPart) {
  const Matrix4x4& m = GetParam().m;
  const Matrix4x4 expected = planarPart(m);
  const Matrix4x4 r = rebuild(m);
  double size = 0.0;
  for (int i : {0, 1, 4, 5})
    size = std::fmax(size, std::fabs(m[i]));
  for (int i = 0; i < 16; ++i) {
    const bool linear = i == 0 || i == 1 || i == 4 || i == 5;
    const double tol = 1e-12 * (linear ? size : std::fmax(1.0, std::fabs(expected[i])));
    EXPECT_NEAR(r[i], expected[i], tol) << "value " << i << "\n" << r << "\n" << expected;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, Matrix4x4Rebuild,
    ::testing::Values(RebuildCase{"MirroredX", Matrix4x4().rotateDegrees(30, kZ).scale(-2, 1)},
                      RebuildCase{"GeneralMirrored", planar(0.3, -1.7, -2.2, -0.4)},
                      RebuildCase{"BeyondNinetySkewed", Matrix4x4().rotateDegrees(-150, kZ).skew(-35).scale(1.5, 0.25)},
                      RebuildCase{"ZeroXAxis", planar(0, 0, 1, 2, 4, 5, 6)},
                      RebuildCase{"Tilted3d",
                                  Matrix4x4().translate(1, 2, 3).rotateDegrees(35, Vector3d(1, 1, 0)).scale(2, 3, 4)}),
    [](const ::testing::TestParamInfo<RebuildCase>& row) { return row.param.name; });

namespace {

// Each value of a product summed the plain way, 0 + a0 b0 + a1 b1 + a2 b2 + a3 b3 left to right.
Matrix4x4 plainProduct(const Matrix4x4& a, const Matrix4x4& b) {
  double r[16];
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k)
        sum += a(row, k) * b(k, col);
      r[col * 4 + row] = sum;
    }
  return Matrix4x4(r);
}

bool sameBits(const Matrix4x4& a, const Matrix4x4& b) {
  return std::memcmp(a.values(), b.values(), sizeof(double) * 16) == 0 && a.isIdentity() == b.isIdentity();
}

struct ProductCase {
  const char* name;
  Matrix4x4 a, b, expected;
};

class Matrix4x4InPlace : public ::testing::TestWithParam<ProductCase> {};

// The product written over either factor is the product of the factors as they were.
TEST_P(Matrix4x4InPlace, OverEitherFactorGivesTheProductOfTheFactorsAsTheyWere) {
  const ProductCase& c = GetParam();
  Matrix4x4 out;
  Matrix4x4::multiply(c.a, c.b, out);
  EXPECT_TRUE(sameBits(out, c.expected)) << out;
  Matrix4x4 overA = c.a;
  Matrix4x4::multiply(overA, c.b, overA);
  EXPECT_TRUE(sameBits(overA, c.expected)) << overA;
  Matrix4x4 overB = c.b;
  Matrix4x4::multiply(c.a, overB, overB);
  EXPECT_TRUE(sameBits(overB, c.expected)) << overB;
  Matrix4x4 both = c.a;
  if (sameBits(c.a, c.b)) {
    Matrix4x4::multiply(both, both, both);
    EXPECT_TRUE(sameBits(both, c.expected)) << both;
  }
}

const Matrix4x4 kGeneral(1, 2, 3, 0.5, -4, 5, 6, 0.25, 7, -8, 9, 0.125, 10, 11, -12, 2);
const Matrix4x4 kTurned = planar(0.6, 0.8, -0.8, 0.6, 3, -2, 1);
// An identity factor hands the other over as it is: its negative zeros stay negative.
const Matrix4x4 kNegativeZeros = planar(-0.0, 1, -1, -0.0, -0.0, 4, -0.0);

INSTANTIATE_TEST_SUITE_P(Cases, Matrix4x4InPlace,
                         ::testing::Values(ProductCase{"General", kGeneral, kTurned, plainProduct(kGeneral, kTurned)},
                                           ProductCase{"Reversed", kTurned, kGeneral, plainProduct(kTurned, kGeneral)},
                                           ProductCase{"Square", kGeneral, kGeneral, plainProduct(kGeneral, kGeneral)},
                                           ProductCase{"IdentityLeft", Matrix4x4(), kNegativeZeros, kNegativeZeros},
                                           ProductCase{"IdentityRight", kNegativeZeros, Matrix4x4(), kNegativeZeros},
                                           // A turn and its reverse make the identity again, and say so.
                                           ProductCase{"BackToIdentity", planar(0, 1, -1, 0), planar(0, -1, 1, 0),
                                                       Matrix4x4()}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
