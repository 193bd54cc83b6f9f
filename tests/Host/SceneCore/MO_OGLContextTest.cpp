// Line views: the nodes draw nothing where their drawing plane is seen edge-on. Chains are
// built by hand: a front perspective camera and an orthographic top view.
#include <gtest/gtest.h>

#include <cmath>

#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_OGLContext.h"

namespace {

struct ViewRow {
  const char* name;
  Math::Matrix4x4 view;
  Math::Matrix4x4 projection;
  Math::Matrix4x4 model;
  bool lineView;
};

// OpenGL perspective, 45 degrees, square, near 1, far 100.
Math::Matrix4x4 perspective() {
  const double f = 1.0 / std::tan(M_PI / 8.0), n = 1.0, fa = 100.0;
  return Math::Matrix4x4(f, 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1, 0, 0, 2 * fa * n / (n - fa), 0);
}
// Eye looking down -z from (0, 0, 10).
Math::Matrix4x4 front() { return Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -10, 1); }
// Eye axes (x, -z, y): looking down -y.
Math::Matrix4x4 top() { return Math::Matrix4x4(1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1); }
Math::Matrix4x4 ortho() { return Math::Matrix4x4(0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1); }
Math::Matrix4x4 rotatedX(double deg) {
  Math::Matrix4x4 m;
  m.rotateDegrees(deg, Math::Vector3d(1, 0, 0));
  return m;
}

class LineViewTest : public ::testing::TestWithParam<ViewRow> {};

TEST_P(LineViewTest, ReportsEdgeOnDrawingPlanes) {
  const ViewRow& row = GetParam();
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, 200, 100));
  chain.setViewMatrix(row.view);
  chain.setProjectionMatrix(row.projection);
  CC_CameraChainTransformCanvasBinder binder(chain);
  binder.setModelMatrix(row.model);
  const MO_OGLContext ctx(MO_OGLContext::eNormalMode, MO_FrameKey(3), &binder);
  EXPECT_EQ(ctx.isALineView(Math::Point3d(0, 0, 0)), row.lineView);
  EXPECT_EQ(ctx.isALineView(Math::Point3d(0.3, -0.2, 0)), row.lineView);
}

INSTANTIATE_TEST_SUITE_P(Views, LineViewTest,
                         ::testing::Values(ViewRow{"camera", front(), perspective(), Math::Matrix4x4(), false},
                                           ViewRow{"top", top(), ortho(), Math::Matrix4x4(), true},
                                           // A model turned to face the top view is no longer edge-on there, and
                                           // one turned edge-on to the camera is.
                                           ViewRow{"topFacingModel", top(), ortho(), rotatedX(90), false},
                                           ViewRow{"cameraEdgeOnModel", front(), perspective(), rotatedX(90), true}),
                         [](const ::testing::TestParamInfo<ViewRow>& row) { return std::string(row.param.name); });

} // namespace
