#pragma once
// Matrices written out by hand with explicit trigonometry in the stand-in's conventions (column
// order, chains multiplied on the right), and a table-friendly comparison. Shared by every test
// that checks a node's matrix against a closed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "BaseCore/Matrix4x4.h"

namespace hand {

inline Math::Matrix4x4 T(double x, double y, double z) {
  return Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}
inline Math::Matrix4x4 Rz(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 Ry(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 Rx(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}
// The y axis leant towards x by the angle, keeping its length.
inline Math::Matrix4x4 K(double degrees) {
  const double a = degrees * M_PI / 180.0;
  return Math::Matrix4x4(1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 S(double x, double y, double z) {
  return Math::Matrix4x4(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
}

// Each value within tol, scaled by the expected value's size when `relative` is set.
inline ::testing::AssertionResult matrixNear(const Math::Matrix4x4& actual, const Math::Matrix4x4& expected, double tol,
                                             bool relative = false) {
  for (int i = 0; i < 16; ++i) {
    const double bound = relative ? tol * std::max(1.0, std::fabs(expected[i])) : tol;
    if (!(std::fabs(actual[i] - expected[i]) <= bound))
      return ::testing::AssertionFailure()
             << "value " << i << ": " << actual[i] << " expected " << expected[i] << " (tolerance " << bound << ")";
  }
  return ::testing::AssertionSuccess();
}

} // namespace hand
