#include "BaseCore/PlaneProjection.h"
#include "BaseCore/CameraTransformChain.h"

#include "CameraTestUtil.h"
#include "MathTestUtil.h"

#include <gtest/gtest.h>

using Math::CameraTransformChain;
using Math::Matrix4x4;
using Math::PlaneProjection;
using Math::Point2d;
using Math::Point3d;
using Math::Rect2d;
using Math::Vector3d;
using MathTest::perspective;
using MathTest::perspectiveFromFocal;
using MathTest::PointNear;

namespace {

constexpr int kView = Math::eDestinationViewFrame;
constexpr int kModel = Math::eSourceModelFrame;

CameraTransformChain cameraLookingAt(const Matrix4x4& model, const Rect2d& viewport) {
  CameraTransformChain chain;
  chain.setViewport(viewport);
  chain.setProjectionMatrix(perspective(60, 4.0 / 3.0, 0.1, 1000));
  chain.setViewMatrix(Matrix4x4().translate(0, 0, -10));
  chain.setModelMatrix(model);
  return chain;
}

Matrix4x4 modelToView(const CameraTransformChain& chain) {
  Matrix4x4 m;
  EXPECT_TRUE(chain.compoundMatrix(kModel, kView, m));
  return m;
}

} // namespace

TEST(PlaneProjection, InverseOfTheViewImageIsThePlanePoint) {
  const CameraTransformChain chain =
      cameraLookingAt(Matrix4x4().translate(0.5, -1, -2).rotateDegrees(40, Vector3d(1, 0.3, 0)).scale(1.5, 0.7, 1),
                      Rect2d(0, 0, 640, 480));
  const PlaneProjection plane(modelToView(chain), true);
  for (const Point3d& p : {Point3d(0, 0, 0), Point3d(1, 2, 0), Point3d(-3, 0.5, 0), Point3d(2.5, -2.5, 0)}) {
    SCOPED_TRACE(::testing::PrintToString(p));
    Point3d view, viaChain;
    ASSERT_TRUE(plane.getProjection(p, view));
    ASSERT_TRUE(chain.transform(kModel, p, kView, viaChain));
    EXPECT_TRUE(PointNear(view, viaChain, 1e-10));

    Point3d back(7, 7, 7), back2d(7, 7, 7);
    ASSERT_TRUE(plane.getInverseProjection(Point3d(view.x, view.y, 123.0), back));
    ASSERT_TRUE(plane.getInverseProjection(Point2d(view.x, view.y), back2d));
    EXPECT_TRUE(PointNear(back, p, 1e-10));
    EXPECT_EQ(back, back2d);
    EXPECT_EQ(back.z, 0.0);
  }
}

TEST(PlaneProjection, GroundPlaneFailsOnItsHorizonOnly) {
  // Camera at the origin looking down -z with focal factor 1; the model plane is the ground
  // y = -1 with model y running away from the camera: (x, y) -> world (x, -1, -y), so its
  // NDC image is (x / y, -1 / y) and its horizon is the line y = 0.
  CameraTransformChain chain;
  chain.setProjectionMatrix(perspectiveFromFocal(1.0, 1.0, 1.0, 100.0));
  chain.setModelMatrix(Matrix4x4(Vector3d(1, 0, 0), Vector3d(0, 0, -1), Vector3d(0, 1, 0), Point3d(0, -1, 0)));
  const PlaneProjection plane(modelToView(chain));

  Point3d p(7, 7, 7);
  EXPECT_FALSE(plane.getInverseProjection(Point2d(0.3, 0.0), p));
  EXPECT_EQ(p, Point3d(7, 7, 7));
  ASSERT_TRUE(plane.getInverseProjection(Point2d(0.3, -0.5), p));
  EXPECT_TRUE(PointNear(p, Point3d(0.6, 2, 0), 1e-15));
}

// The camera at (0, 0, 10) lies in the world plane y = 0, which these models make of their z = 0
// plane (or squash it to a line).
TEST(PlaneProjection, EdgeOnPlaneCannotBeInverted) {
  for (const Matrix4x4& model :
       {Matrix4x4(Vector3d(1, 0, 0), Vector3d(0, 0, 1), Vector3d(0, -1, 0), Point3d()), Matrix4x4().scale(1, 0, 1)}) {
    const CameraTransformChain chain = cameraLookingAt(model, Rect2d(-1, 1, 1, -1));
    Point3d p(7, 7, 7);
    EXPECT_FALSE(PlaneProjection(modelToView(chain)).getInverseProjection(Point2d(0.1, 0.2), p)) << model;
    EXPECT_EQ(p, Point3d(7, 7, 7));
  }
}
