// Drags in steps as a live view makes them: a press on nothing holds nothing and a release
// without a move adds no step (a drag shown live and cancelled is the window's ViewportDrag); a
// peg's pivot lands under the pointer (checked by projecting it forward through the view, where
// the drag carried the pointer back onto a plane).
#include <gtest/gtest.h>

#include "GraphicCore/SLB_ViewDriver.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionTestSupport.h"

namespace {

TEST(LiveDrag, APressOnNothingHoldsNothingAndAReleaseWithoutAMoveAddsNoStep) {
  const std::unique_ptr<Session> s = openExample("switch_gate.xml");
  EXPECT_EQ(s->pressDrag({3, 3}).kind, DragHit::Nothing);
  EXPECT_FALSE(s->isDragging());
  ASSERT_EQ(s->pressDrag({226, 342}).kind, DragHit::Control);
  EXPECT_EQ(s->releaseDrag(), QString());
  EXPECT_TRUE(s->history().isEmpty());
}

Math::Point3d project(const Math::CameraTransformChain& chain, const Math::Point3d& world) {
  Math::Point3d view;
  EXPECT_TRUE(chain.transform(Math::eSourceWorldFrame, world, Math::eDestinationViewFrame, view));
  return view;
}

class PivotDrag : public ::testing::TestWithParam<VU_SceneRenderer::View> {};

TEST_P(PivotDrag, ThePivotLandsUnderThePointerInThePlaneFacingTheView) {
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  const double frame = 16;
  const ViewSpec view{frame, GetParam(), {}};
  const Math::CameraTransformChain chain = VU_SceneRenderer(s->scene()).viewChain(frame, GetParam(), s->viewSize(view));
  const Math::Point3d before = pivotOf(*s, "Hand", frame);
  const Math::Point3d at = project(chain, before);
  const Math::Point2d to(at.x - 90, at.y + 40);
  EXPECT_EQ(s->dragPegPivot("Hand", {at.x, at.y}, to, view), "Move Peg");
  const Math::Point3d after = pivotOf(*s, "Hand", frame);
  const Math::Point3d seen = project(chain, after);
  EXPECT_NEAR(seen.x, to.x, 1e-6);
  EXPECT_NEAR(seen.y, to.y, 1e-6);
  // It stays in the plane through where it was that faces the view.
  const int normal = GetParam() == VU_SceneRenderer::eCameraView ? 2 : GetParam() == VU_SceneRenderer::eTopView ? 1 : 0;
  const double was[3] = {before.x, before.y, before.z}, is[3] = {after.x, after.y, after.z};
  EXPECT_NEAR(is[normal], was[normal], 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Views, PivotDrag,
                         ::testing::Values(VU_SceneRenderer::eCameraView, VU_SceneRenderer::eTopView,
                                           VU_SceneRenderer::eSideView));

TEST(PivotDrag, InAPannedAndZoomedViewThePivotLandsUnderThePointer) {
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  const double frame = 16;
  const QSize size = s->viewSize({});
  const Math::CameraTransformChain plain =
      VU_SceneRenderer(s->scene()).viewChain(frame, VU_SceneRenderer::eTopView, size);
  const Math::Point3d hand = project(plain, pivotOf(*s, "Hand", frame));
  // A pixel p of the plain view shows at c + zoom (p - c) + pan once zoomed, c the centre:
  // zoomed 2.5 times about a point near the hand.
  const double cx = size.width() / 2.0, cy = size.height() / 2.0, zoom = 2.5;
  const VU_SceneRenderer::PanZoom pz{zoom, (1 - zoom) * (hand.x - cx) + 40, (1 - zoom) * (hand.y - cy) - 25};
  const ViewSpec zoomed{frame, VU_SceneRenderer::eTopView, size, pz};
  const auto zoomedOf = [&](const Math::Point3d& p) {
    return Math::Point2d(cx + zoom * (p.x - cx) + pz.panX, cy + zoom * (p.y - cy) + pz.panY);
  };
  const Math::Point2d from = zoomedOf(hand);
  EXPECT_EQ(s->pick(from, zoomed).node, "Hand");
  const Math::Point2d to(from.x + 120, from.y - 60);
  EXPECT_EQ(s->dragPegPivot("Hand", from, to, zoomed), "Move Peg");
  const Math::Point2d seen = zoomedOf(project(plain, pivotOf(*s, "Hand", frame)));
  EXPECT_NEAR(seen.x, to.x, 1e-6);
  EXPECT_NEAR(seen.y, to.y, 1e-6);
}

TEST(PivotDrag, OffsetModeMovesEveryKeyByTheSameAmount) {
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  const std::vector<KeyInfo> before = s->attribute("Hand", "POSITION.X").keys;
  const ViewSpec view{16.0, VU_SceneRenderer::eCameraView, {}};
  s->dragPegPivot("Hand", {751, 323}, {700, 323}, view, 0);
  const std::vector<KeyInfo> after = s->attribute("Hand", "POSITION.X").keys;
  ASSERT_EQ(after.size(), before.size());
  const double offset = after[0].value - before[0].value;
  EXPECT_LT(offset, -1.0) << "moved left";
  for (std::size_t k = 0; k < after.size(); ++k)
    EXPECT_NEAR(after[k].value - before[k].value, offset, 1e-9) << "key " << k;
}

} // namespace
