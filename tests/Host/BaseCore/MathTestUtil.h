#pragma once

// Comparisons within a tolerance for the Math types, reporting both values on failure.

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point3d.h"
#include "BaseCore/Vector3d.h"

#include <gtest/gtest.h>

#include <cmath>

namespace MathTest {

inline ::testing::AssertionResult MatrixNear(const Math::Matrix4x4& actual, const Math::Matrix4x4& expected,
                                             double tol) {
  if (actual.isApprox(expected, tol))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\n  actual   " << actual << "\n  expected " << expected << "\n  tolerance "
                                       << tol;
}

inline ::testing::AssertionResult PointNear(const Math::Point3d& actual, const Math::Point3d& expected, double tol) {
  if (std::fabs(actual.x - expected.x) <= tol && std::fabs(actual.y - expected.y) <= tol &&
      std::fabs(actual.z - expected.z) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " is not within " << tol << " of " << expected;
}

inline ::testing::AssertionResult VectorNear(const Math::Vector3d& actual, const Math::Vector3d& expected, double tol) {
  return PointNear(Math::Point3d(actual), Math::Point3d(expected), tol);
}

} // namespace MathTest
