// Composing in place against the host's own products (the second method): every step must give
// the matrix the full 4x4 product gives, starting from a matrix whose last row is not 0 0 0 1,
// so that a wrong index or a skipped term shows.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "Common/HandMatrices.h"
#include "Core/MatrixValues.h"

namespace {

struct Step {
  const char* name;
  std::function<void(MatrixValues&)> inPlace;
  std::function<void(Math::Matrix4x4&)> product;
};

Math::Matrix4x4 general() {
  return Math::Matrix4x4(1.5, 0.2, -0.3, 0.01, -0.4, 0.9, 0.25, 0.02, 0.1, -0.2, 1.1, -0.03, 2, -1, 0.5, 1.2);
}

Math::Matrix4x4 linear() {
  return Math::Matrix4x4(0.8, 0.6, 0.1, 0, -0.6, 0.8, 0.2, 0, 0.05, -0.1, 1.3, 0, 0, 0, 0, 1);
}

TEST(MatrixValues, EachStepGivesTheHostsProduct) {
  const double c = std::cos(0.7), s = std::sin(0.7);
  const Step steps[] = {
      {"translate", [](MatrixValues& m) { m.translate(0.3, -2, 4); },
       [](Math::Matrix4x4& m) { m.translate(0.3, -2, 4); }},
      {"preTranslate",
       [](MatrixValues& m) {
         m.preTranslate({0.3, -2, 4});
       },
       [](Math::Matrix4x4& m) { m = Math::Matrix4x4().translate(0.3, -2, 4) * m; }},
      {"scale", [](MatrixValues& m) { m.scale(2, -0.5, 3); }, [](Math::Matrix4x4& m) { m.scale(2, -0.5, 3); }},
      {"rotateZ", [&](MatrixValues& m) { m.rotateZ(c, s); },
       [](Math::Matrix4x4& m) { m.rotateRadians(0.7, Math::Vector3d(0, 0, 1)); }},
      {"skew", [](MatrixValues& m) { m.skew(25); }, [](Math::Matrix4x4& m) { m.skew(25); }},
      {"timesLinear", [](MatrixValues& m) { m.timesLinear(MatrixValues(linear())); },
       [](Math::Matrix4x4& m) { m *= linear(); }},
  };
  for (const Step& step : steps) {
    MatrixValues inPlace(general());
    Math::Matrix4x4 product = general();
    step.inPlace(inPlace);
    step.product(product);
    EXPECT_TRUE(hand::matrixNear(inPlace.matrix(), product, 1e-15)) << step.name;
  }
}

TEST(MatrixValues, LinearInverseUndoesTheLinearPartAndRefusesASingularOne) {
  const Math::Matrix4x4 rows[] = {
      Math::Matrix4x4().rotateDegrees(40, Math::Vector3d(0, 0, 1)), Math::Matrix4x4().scale(3, 0.2, 1).skew(30),
      Math::Matrix4x4().scale(-1, 2, 0.5).rotateDegrees(70, Math::Vector3d(1, 1, 0)),
      Math::Matrix4x4().translate(5, 6, 7) * linear(), // the translation plays no part
  };
  for (const Math::Matrix4x4& m : rows) {
    MatrixValues inverse;
    ASSERT_TRUE(MatrixValues(m).linearInverse(inverse));
    Math::Matrix4x4 l = m;
    l.setValue(12, 0), l.setValue(13, 0), l.setValue(14, 0);
    EXPECT_TRUE(hand::matrixNear(l * inverse.matrix(), Math::Matrix4x4(), 1e-14));
  }
  MatrixValues ignored;
  EXPECT_FALSE(MatrixValues(Math::Matrix4x4().scale(1, 0, 1)).linearInverse(ignored));
  EXPECT_FALSE(MatrixValues(Math::Matrix4x4().scale(1, NAN, 1)).linearInverse(ignored));
}

} // namespace
