// Clicking as the host's view does: a selecting click replaces the selection or, with shift,
// extends it. Which peg a click on its pivot finds is the letterboxed render's (pixels worked out
// by hand through the camera) and vantorel pick's; picking a node's own control and dragging it
// run through the binary in the App tests.
#include <gtest/gtest.h>

#include "ArmRigView.h"
#include "GraphicCore/SLB_ViewDriver.h"

namespace {

Math::Point2d cameraPixel(const armrig::Pivot& p) {
  const QPointF px = armrig::cameraPixel(p.world, QSize(960, 540));
  return Math::Point2d(px.x(), px.y());
}

TEST(ViewDriver, SelectingClickReplacesTheSelectionAndShiftClickExtendsIt) {
  const auto scene = armrig::load();
  ASSERT_TRUE(scene);
  SLB_ViewDriver driver(VU_SceneRenderer::eCameraView, QSize(960, 540));
  const auto all = armrig::pivots(*scene, 24);
  Peg* root = all[0].peg;
  Peg* hand = all[3].peg;
  ASSERT_EQ(root->instanceName(), QStringLiteral("Root"));
  ASSERT_EQ(hand->instanceName(), QStringLiteral("Hand"));
  driver.pick(*scene, 24, cameraPixel(all[0]), true);
  EXPECT_TRUE(root->selected());
  driver.pick(*scene, 24, cameraPixel(all[3]), true, 0x02000000);
  EXPECT_TRUE(root->selected());
  EXPECT_TRUE(hand->selected());
  driver.pick(*scene, 24, cameraPixel(all[3]), true);
  EXPECT_FALSE(root->selected());
  EXPECT_TRUE(hand->selected());
}

} // namespace
