#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"
#include "BaseCore/Rect2d.h"
#include "BaseCore/Vector3d.h"

#include <gtest/gtest.h>

using Math::Point2d;
using Math::Point3d;
using Math::Rect2d;
using Math::Vector3d;

TEST(Vector3d, FromTwoPointsRunsFromTheFirstToTheSecond) {
  const Point3d a(1, 2, 3), b(4, 6, 3);
  EXPECT_EQ(Vector3d(a, b), Vector3d(3, 4, 0));
  EXPECT_EQ(b - a, Vector3d(a, b));
  EXPECT_EQ(a + Vector3d(a, b), b);
  EXPECT_EQ(b - Vector3d(a, b), a);
}

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

TEST(Vector3d, LengthAndNormalisation) {
  EXPECT_EQ(Vector3d(3, 4, 12).length(), 13.0);
  EXPECT_EQ(Vector3d(3, 4, 12).getNormalized(), Vector3d(3.0 / 13, 4.0 / 13, 12.0 / 13));
  Vector3d zero;
  EXPECT_EQ(zero.normalize(), Vector3d(0, 0, 0));
  EXPECT_EQ(Vector3d(0, -5, 0).getNormalized(), Vector3d(0, -1, 0));
}

TEST(Point3d, DistanceAndBarycentre) {
  const Point3d a(1, 2, 3), b(3, 4, 4);
  EXPECT_EQ(a.distanceSq(b), 9.0);
  EXPECT_EQ(a.distance(b), 3.0);
  EXPECT_EQ((a + b) / 2, Point3d(2, 3, 3.5));
  EXPECT_EQ(-(a * 2), Point3d(-2, -4, -6));
  Point3d c = a;
  c += Vector3d(1, 1, 1);
  c -= Vector3d(0, 0, 2);
  c *= 3;
  EXPECT_EQ(c, Point3d(6, 9, 6));
  EXPECT_EQ(Point3d(Vector3d(a)), a);
}

TEST(Point2d, DistanceAndArithmetic) {
  EXPECT_EQ(Point2d::GetDistance(Point2d(1, 1), Point2d(4, 5)), 5.0);
  EXPECT_EQ(Point2d(1, 1).distanceSq(Point2d(4, 5)), 25.0);
  // Squares of 1e200 overflow; the distance itself does not.
  EXPECT_DOUBLE_EQ(Point2d::GetDistance(Point2d(0, 0), Point2d(3e200, 4e200)), 5e200);
  Point2d p(1, 2);
  p += Point2d(2, 2);
  p *= 2;
  p -= Point2d(1, 1);
  EXPECT_EQ(p, Point2d(5, 7));
  EXPECT_EQ(-p / 2 + Point2d(1, 1) * 3, Point2d(0.5, -0.5));
}

TEST(Rect2d, HostViewportHasPositiveExtents) {
  const Rect2d viewport(-1, 1, 1, -1);
  EXPECT_EQ(viewport.width(), 2.0);
  EXPECT_EQ(viewport.height(), 2.0);
  // A pixel rectangle with y running down keeps its negative height.
  EXPECT_EQ(Rect2d(0, 0, 640, 480).height(), -480.0);
}
