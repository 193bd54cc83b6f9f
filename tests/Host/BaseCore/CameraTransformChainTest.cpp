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
constexpr int kClip = Math::eDestinationClipFrame;
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

TEST(CameraTransformChain, HostViewportMakesViewEqualToNdcInXAndY) {
  for (double aspect : {1.0, 2.0}) {
    SCOPED_TRACE(aspect);
    const CameraTransformChain chain = axisCamera(Rect2d(-1, 1, 1, -1), aspect);
    Point3d view, ndc;
    ASSERT_TRUE(chain.transform(kWorld, Point3d(2, 3, 0), kView, view));
    ASSERT_TRUE(chain.transform(kWorld, Point3d(2, 3, 0), kNdc, ndc));
    // Focal factor 1 at depth 10: x / 10 / aspect, y / 10.
    EXPECT_NEAR(ndc.x, 0.2 / aspect, 1e-15);
    EXPECT_NEAR(ndc.y, 0.3, 1e-15);
    EXPECT_NEAR(ndc.z, 9.0 / 11.0, 1e-15);
    EXPECT_TRUE(PointNear(view, Point3d(ndc.x, ndc.y, (ndc.z + 1) / 2), 1e-15));
  }
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

TEST(CameraTransformChain, CompoundMatrixWithDivisionAgreesWithTransform) {
  const CameraTransformChain chain = obliqueCamera();
  Matrix4x4 down, up;
  ASSERT_TRUE(chain.compoundMatrix(kModel, kView, down));
  ASSERT_TRUE(chain.compoundMatrix(kView, kModel, up));
  EXPECT_TRUE(MatrixNear(up * down, Matrix4x4::Identity, 1e-12));
  for (const Point3d& p : {Point3d(0, 0, 0), Point3d(1, 2, 3), Point3d(-4, 0.5, -2)}) {
    Point3d q;
    ASSERT_TRUE(chain.transform(kModel, p, kView, q));
    EXPECT_TRUE(PointNear(down * p, q, 1e-12));
  }
  Matrix4x4 same;
  ASSERT_TRUE(chain.compoundMatrix(kEye, kEye, same));
  EXPECT_TRUE(same.isIdentity());
}

TEST(CameraTransformChain, NdcBackToEyeUndoesThePerspective) {
  const CameraTransformChain chain = axisCamera(Rect2d(-1, 1, 1, -1));
  Point3d eye;
  ASSERT_TRUE(chain.transform(kNdc, Point3d(0, 0, 9.0 / 11.0), kEye, eye));
  EXPECT_TRUE(PointNear(eye, Point3d(0, 0, -10), 1e-12));
  // The top right corner of the near plane: focal factor 1 puts it at (1, 1, -1).
  ASSERT_TRUE(chain.transform(kNdc, Point3d(1, 1, -1), kEye, eye));
  EXPECT_TRUE(PointNear(eye, Point3d(1, 1, -1), 1e-12));
  ASSERT_TRUE(chain.transform(kNdc, Point3d(1, 1, -1), kWorld, eye));
  EXPECT_TRUE(PointNear(eye, Point3d(1, 1, 9), 1e-12));
}

TEST(CameraTransformChain, ClipFrameIsNotDivided) {
  const CameraTransformChain chain = axisCamera(Rect2d(-1, 1, 1, -1));
  Point3d clip;
  ASSERT_TRUE(chain.transform(kEye, Point3d(4, 0, -10), kClip, clip));
  // z_clip = -10 (101 / -99) + 200 / -99 = 810 / 99; x stays 4 until divided by w = 10.
  EXPECT_TRUE(PointNear(clip, Point3d(4, 0, 810.0 / 99.0), 1e-12));
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

TEST(CameraTransformChain, SingularStepsFailOnlyOnTheWayUp) {
  CameraTransformChain chain = axisCamera(Rect2d(0, 0, 0, 480));
  Point3d q(7, 7, 7);
  EXPECT_TRUE(chain.transform(kWorld, Point3d(1, 1, 0), kView, q));
  EXPECT_EQ(q.x, 0.0);
  q = Point3d(7, 7, 7);
  EXPECT_FALSE(chain.transform(kView, Point3d(0, 100, 0.5), kWorld, q));
  EXPECT_EQ(q, Point3d(7, 7, 7));
  Matrix4x4 m;
  EXPECT_FALSE(chain.compoundMatrix(kView, kWorld, m));
  EXPECT_EQ(m, Matrix4x4::Identity);

  chain = axisCamera(Rect2d(-1, 1, 1, -1));
  chain.setModelMatrix(Matrix4x4().scale(1, 0, 1));
  EXPECT_FALSE(chain.compoundMatrix(kWorld, kModel, m));
  EXPECT_TRUE(chain.compoundMatrix(kWorld, kEye, m));
}
