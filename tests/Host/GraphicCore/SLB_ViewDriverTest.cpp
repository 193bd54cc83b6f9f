// Clicking as the host's view does: a click on a pivot's pixel (worked out by hand through the
// camera) finds that peg, and a selecting click replaces the selection or, with shift, extends
// it. Picking a node's own control and dragging it run through the binary in the App tests.
#include <gtest/gtest.h>

#include "ArmRigView.h"
#include "GraphicCore/SLB_ViewDriver.h"

namespace {

const QSize kSize(960, 540);

class ViewDriver : public ::testing::Test {
protected:
  void SetUp() override {
    scene = armrig::load();
    ASSERT_TRUE(scene);
  }
  Math::Point2d at(const QPointF& p) { return Math::Point2d(p.x(), p.y()); }

  std::unique_ptr<SC_SceneCommon> scene;
  SLB_ViewDriver driver{VU_SceneRenderer::eCameraView, kSize};
};

} // namespace

TEST_F(ViewDriver, ClickOnAProjectedPivotPicksThatPeg) {
  for (double frame : {1.0, 24.0, 48.0}) {
    const auto all = armrig::pivots(*scene, frame);
    int checked = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto& p = all[i];
      const QPointF px = armrig::cameraPixel(p.world, kSize);
      bool alone = true; // a pivot drawn later (in file order) within the pick disc hides this one
      for (std::size_t j = i + 1; j < all.size(); ++j) {
        const QPointF q = armrig::cameraPixel(all[j].world, kSize);
        if (std::hypot(q.x() - px.x(), q.y() - px.y()) < 15)
          alone = false;
      }
      if (!alone)
        continue;
      const SLB_ViewDriver::PickResult r = driver.pick(*scene, frame, at(px));
      EXPECT_EQ(r.node, p.peg) << p.peg->instanceName().toStdString() << " frame " << frame;
      EXPECT_EQ(r.handle, 0);
      ++checked;
    }
    EXPECT_GE(checked, 3) << "frame " << frame;
  }
}

TEST_F(ViewDriver, SelectingClickReplacesTheSelectionAndShiftClickExtendsIt) {
  const auto all = armrig::pivots(*scene, 24);
  Peg* root = all[0].peg;
  Peg* hand = all[3].peg;
  ASSERT_EQ(root->instanceName(), QStringLiteral("Root"));
  ASSERT_EQ(hand->instanceName(), QStringLiteral("Hand"));
  driver.pick(*scene, 24, at(armrig::cameraPixel(all[0].world, kSize)), true);
  EXPECT_TRUE(root->selected());
  driver.pick(*scene, 24, at(armrig::cameraPixel(all[3].world, kSize)), true, 0x02000000);
  EXPECT_TRUE(root->selected());
  EXPECT_TRUE(hand->selected());
  driver.pick(*scene, 24, at(armrig::cameraPixel(all[3].world, kSize)), true);
  EXPECT_FALSE(root->selected());
  EXPECT_TRUE(hand->selected());
}
