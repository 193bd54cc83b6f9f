#include "BaseCore/CameraTransformChain.h"

#include "CameraTestUtil.h"
#include "MathTestUtil.h"

#include <gtest/gtest.h>

using Math::CameraTransformChain;
using Math::Matrix4x4;
using Math::Point3d;
using Math::Rect2d;
using Math::Vector3d;
using MathTest::MatrixNear;
using MathTest::perspective;
using MathTest::perspectiveFromFocal;
using MathTest::PointNear;

namespace {

constexpr int kView = Math::eDestinationViewFrame;
constexpr int kNdc = Math::eDestinationNdcFrame;
constexpr int kEye = Math::eDestinationEyeFrame;
constexpr int kWorld = Math::eSourceWorldFrame;
constexpr int kModel = Math::eSourceModelFrame;

// Near 1, far 100; the camera sits at (0, 0, 10) looking down -z, so its view matrix is a
// translation by -10 along z.
CameraTransformChain axisCamera(const Rect2d& viewport, double aspect = 1.0) {
  CameraTransformChain chain;
  chain.setViewport(viewport);
  chain.setProjectionMatrix(perspectiveFromFocal(1.0, aspect, 1.0, 100.0));
  chain.setViewMatrix(Matrix4x4().translate(0, 0, -10));
  return chain;
}

// A camera off the axis and turned, looking at a tilted and scaled model.
CameraTransformChain obliqueCamera() {
  CameraTransformChain chain;
  chain.setViewport(Rect2d(0, 0, 640, 480));
  chain.setProjectionMatrix(perspective(50, 4.0 / 3.0, 0.5, 200));
  chain.setViewMatrix(Matrix4x4().translate(3, 4, 20).rotateDegrees(10, Vector3d(0, 1, 0)).getInverse());
  chain.setModelMatrix(Matrix4x4().translate(1, -2, 0.5).rotateDegrees(30, Vector3d(1, 0, 0)).scale(2, 2, 2));
  return chain;
}

} // namespace

TEST(CameraTransformChain, PointOnTheCameraAxisLandsInTheViewportCentre) {
  const CameraTransformChain chain = axisCamera(Rect2d(0, 0, 640, 480));
  Point3d q;
  ASSERT_TRUE(chain.transform(kWorld, Point3d(0, 0, 0), kView, q));
  // Depth 10 between near 1 and far 100: NDC z = 101/99 - 200/990 = 9/11, view z = 10/11.
  EXPECT_TRUE(PointNear(q, Point3d(320, 240, 10.0 / 11.0), 1e-12));
}

TEST(CameraTransformChain, ModelToViewMatchesTheStepsDoneByHand) {
  const CameraTransformChain chain = obliqueCamera();
  const Matrix4x4 clipFromModel = chain.projectionMatrix() * chain.viewMatrix() * chain.modelMatrix();
  for (const Point3d& p : {Point3d(0, 0, 0), Point3d(1, 2, 3), Point3d(-4, 0.5, -2)}) {
    SCOPED_TRACE(::testing::PrintToString(p));
    const Point3d ndc = clipFromModel * p;
    const Point3d expected(0 + (ndc.x + 1) / 2 * 640, 480 + (ndc.y + 1) / 2 * -480, (ndc.z + 1) / 2);
    Point3d q;
    ASSERT_TRUE(chain.transform(kModel, p, kView, q));
    EXPECT_TRUE(PointNear(q, expected, 1e-10));
  }
}

TEST(CameraTransformChain, NdcBackToEyeUndoesThePerspective) {
  const CameraTransformChain chain = axisCamera(Rect2d(-1, 1, 1, -1));
  Point3d eye;
  ASSERT_TRUE(chain.transform(kNdc, Point3d(0, 0, 9.0 / 11.0), kEye, eye));
  EXPECT_TRUE(PointNear(eye, Point3d(0, 0, -10), 1e-12));
  // The top right corner of the near plane: focal factor 1 puts it at (1, 1, -1).
  ASSERT_TRUE(chain.transform(kNdc, Point3d(1, 1, -1), kEye, eye));
  EXPECT_TRUE(PointNear(eye, Point3d(1, 1, -1), 1e-12));
}

TEST(CameraTransformChain, PointOnTheCameraPlaneFailsAndLeavesTheOutputAlone) {
  const CameraTransformChain chain = axisCamera(Rect2d(-1, 1, 1, -1));
  const Point3d sentinel(7, 7, 7);
  for (int to : {kView, kNdc}) {
    Point3d q = sentinel;
    EXPECT_FALSE(chain.transform(kWorld, Point3d(1, 0, 10), to, q)) << to;
    EXPECT_EQ(q, sentinel);
  }
  // Before the division the point is fine.
  Point3d eye;
  EXPECT_TRUE(chain.transform(kWorld, Point3d(1, 0, 10), kEye, eye));
  EXPECT_EQ(eye, Point3d(1, 0, 0));
}
