// Picking and dragging the limit's control in the example scene as the host's camera view does:
// the control is drawn where the forearm carries it and picks the node; while dragging, the
// result and the control follow the pointer with nothing committed; one command ends the drag,
// after which the limited forearm pivots about the new position; the animation modes; only the
// control's own handle picks and selects the node.
#include <gtest/gtest.h>

#include <memory>

#include "GraphicCore/SLB_ViewDriver.h"
#include "HostInterface/HostServices.h"
#include "HostInterface/HostViews.h"
#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/TransformLimitModule.h"
#include "TransformControls/TransformLimitPickAdaptor.h"
#include "TransformControlsTestUtil.h"

namespace {

constexpr double kFrame = 24;
const QSize kSize(960, 540);

class TransformLimitDragTest : public ::testing::Test {
protected:
  void SetUp() override {
    PIO_LoadError error;
    scene = PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/limit_forearm.xml"), &error);
    ASSERT_NE(scene, nullptr) << qPrintable(error.toString());
    limit = static_cast<TransformLimitModule*>(scene->findNode(QStringLiteral("Limit")));
    chain = VU_SceneRenderer(*scene).viewChain(kFrame, VU_SceneRenderer::eCameraView, kSize);
  }
  // A control position (scene units, in the forearm's space) carried by `node` into the world.
  Math::Point3d world(double x, double y, const char* node = "Forearm") {
    return SC_SceneEvaluator(*scene).evaluate(scene->findNode(QLatin1String(node)), kFrame) *
           Math::Point3d(x / 12, y / 12, 0);
  }
  Math::Point2d pixel(double x, double y) {
    Math::Point3d view;
    EXPECT_TRUE(chain.transform(5, world(x, y), 1, view));
    return Math::Point2d(view.x, view.y);
  }
  // The limited forearm carries the control where the forearm itself does.
  bool pivotsAbout(double x, double y) { return (world(x, y, "Limit") - world(x, y)).length() < 1e-9; }

  std::unique_ptr<SC_SceneCommon> scene;
  TransformLimitModule* limit = nullptr;
  Math::CameraTransformChain chain;
};

TEST_F(TransformLimitDragTest, TheResultFollowsThePointerAndOneCommandSetsTheControlWhereItWasDropped) {
  ASSERT_TRUE(pivotsAbout(0, 0));
  ASSERT_FALSE(pivotsAbout(4, 1));
  SLB_NodeDragManipulatorFactory factory(chain);
  factory.visitModule(limit);
  std::unique_ptr<SLB_SelectableDragManipulator> drag = factory.takeDragManipulator();
  ASSERT_NE(drag, nullptr);
  auto macro = std::make_unique<CO_OrCommand>();
  SLB_ManipContext ctx(chain, kFrame, SLB_ManipContext::eSetAtFrame, macro.get(), {1, 24});
  drag->startDrag(ctx);
  drag->drag(ctx, world(4, 1));
  EXPECT_TRUE(pivotsAbout(4, 1));
  EXPECT_EQ(SLB_ViewDriver(VU_SceneRenderer::eCameraView, kSize).pick(*scene, kFrame, pixel(4, 1)).node, limit);
  EXPECT_EQ(macro->size(), 0);
  drag->endDrag(ctx);
  EXPECT_TRUE(pivotsAbout(0, 0)); // the drag is over and its command has not run
  CO_CommandManager manager;
  manager.execute(macro.release(), ctx.currentOperationName());
  EXPECT_EQ(manager.history(), QStringList{QStringLiteral("Change TransformLimit Module")});
  EXPECT_NEAR(limit->posAttr()->x()->localValue(), 4, 1e-9);
  EXPECT_NEAR(limit->posAttr()->y()->localValue(), 1, 1e-9);
  EXPECT_TRUE(limit->posAttr()->separateAttr()->value(kFrame));
  EXPECT_TRUE(pivotsAbout(4, 1));
}

TEST_F(TransformLimitDragTest, AnimationModeOneKeysTheFrameAndAnyOtherMovesTheWholeAnimation) {
  AT_DoubleAttr* x = limit->posAttr()->x();
  for (int mode : {1, 0}) {
    x->setKeys(AT_Keys());
    x->setKey(1, 0);
    x->setKey(24, 6);
    CO_OrCommand macro;
    // Pressed on the control where frame 24 draws it.
    ASSERT_EQ(SLB_ViewDriver(VU_SceneRenderer::eCameraView, kSize)
                  .drag(*scene, limit, kFrame, pixel(6, 0), pixel(4, 0), mode, &macro),
              SLB_ViewDriver::DragOutcome::Dragged);
    macro.execute();
    // Dropped at x = 4 at frame 24: a key there, or the whole animation moved to start at 4.
    EXPECT_NEAR(x->storedValue(1), mode == 1 ? 0 : 4, 1e-6) << mode;
    EXPECT_NEAR(x->storedValue(24), mode == 1 ? 4 : 10, 1e-6) << mode;
  }
}

// Of the adaptor's three handles only the first, the control itself, answers a pick and selects
// the node (Shift adds to the selection); the others and a foreign id answer nothing.
TEST_F(TransformLimitDragTest, OnlyTheControlsOwnHandlePicksAndSelectsTheNode) {
  TransformLimitPickAdaptor adaptor(limit);
  constexpr int kShift = 0x02000000;
  struct Row {
    int id;
    bool answers;
  };
  for (const Row& row : {Row{adaptor.handleId(1), false}, Row{adaptor.handleId(2), false},
                         Row{adaptor.handleId(2) + 1, false}, Row{adaptor.handleId(0), true}}) {
    SCOPED_TRACE(row.id - adaptor.handleId(0));
    limit->selInterface()->clear();
    EXPECT_EQ(adaptor.pick(row.id, true, kShift) != nullptr, row.answers);
    EXPECT_EQ(limit->selInterface()->isHandleSelected(0), row.answers);
    EXPECT_EQ(limit->selInterface()->selectedHandles().size(), row.answers ? 1u : 0u);
  }
}

} // namespace
