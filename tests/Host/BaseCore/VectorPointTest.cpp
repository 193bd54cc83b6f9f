#include "BaseCore/Point3d.h"
#include "BaseCore/Vector3d.h"

#include <gtest/gtest.h>

using Math::Point3d;
using Math::Vector3d;

TEST(Vector3d, CrossProductIsRightHandedAndOrthogonal) {
  EXPECT_EQ(Vector3d(1, 0, 0).getCrossProduct(Vector3d(0, 1, 0)), Vector3d(0, 0, 1));
  EXPECT_EQ(Vector3d(0, 1, 0).getCrossProduct(Vector3d(0, 0, 1)), Vector3d(1, 0, 0));
  EXPECT_EQ(Vector3d(0, 0, 1).getCrossProduct(Vector3d(1, 0, 0)), Vector3d(0, 1, 0));
  const Vector3d u(1, -2, 3), v(-4, 0.5, 2);
  const Vector3d w = u.getCrossProduct(v);
  EXPECT_EQ(w.getDotProduct(u), 0.0);
  EXPECT_EQ(w.getDotProduct(v), 0.0);
  // |u x v|^2 = |u|^2 |v|^2 - (u . v)^2 (Lagrange's identity).
  EXPECT_DOUBLE_EQ(w.lengthSq(), u.lengthSq() * v.lengthSq() - u.getDotProduct(v) * u.getDotProduct(v));
}
