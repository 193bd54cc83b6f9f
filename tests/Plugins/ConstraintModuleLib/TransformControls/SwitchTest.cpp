// The constraint switch: the values readers get at a frame, its slider as drawn (worked out by
// hand from the scene metrics), and the drag of its knob: the surrogate readers follow while
// dragging, the one command that ends the drag, and the two animation modes. (Picking the knob
// in the camera view is checked through the command line's drag.)
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "HostInterface/HostServices.h"
#include "HostInterface/HostViews.h"
#include "TransformControls/Switch.h"
#include "TransformControls/SwitchDragManipulator.h"
#include "TransformControls/SwitchPickAdaptor.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

const MO_BaseContext kFrame1(MO_FrameKey(1.0), 0);

class SwitchTest : public ::testing::Test {
protected:
  Switch* addSwitch() { return static_cast<Switch*>(scene.addNode(std::make_unique<Switch>())); }
  SC_SceneCommon scene;
};

// ---- values read by other nodes ------------------------------------------------------------

TEST_F(SwitchTest, ReadersGetActiveAndGateNumberAtTheFrameUnclamped) {
  Switch* sw = addSwitch();
  sw->activeAttr()->setKey(1, 0);
  sw->activeAttr()->setKey(11, 100);
  sw->gatenumAttr()->setKey(1, 2);
  sw->gatenumAttr()->setKey(10, 4);
  const MO_BaseContext ctx(MO_FrameKey(6), 0);
  bool found = false;
  EXPECT_NEAR(sw->switchActiveValue(ctx, found), 50, 1e-12);
  EXPECT_TRUE(found);
  EXPECT_EQ(sw->switchTargetGate(MO_BaseContext(MO_FrameKey(10), 0), found), 4);
  for (double outside : {150.0, -30.0}) {
    sw->activeAttr()->setKeys(AT_Keys());
    sw->activeAttr()->setLocalValue(outside);
    EXPECT_EQ(sw->switchActiveValue(kFrame1, found), outside);
  }
}

// ---- the slider as drawn ------------------------------------------------------------------

// Orthographic and face-on, so that the z = 0 plane is not seen edge-on.
Math::CameraTransformChain faceOnChain() {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, 200, 100));
  chain.setProjectionMatrix(Math::Matrix4x4(0.1, 0, 0, 0, 0, 0.2, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1));
  return chain;
}

VU_Drawing render(Switch* sw, int mode, double frame = 1) {
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(faceOnChain(), &drawing);
  sw->oglRenderControl(MO_OGLContext(mode, MO_FrameKey(frame), &binder));
  return drawing;
}

// Scene units about the GUI offset, to drawing units (1/12).
Math::Point3d at(double x, double y) { return Math::Point3d(x / 12, y / 12, 0); }

::testing::AssertionResult pointNear(const Math::Point3d& a, const Math::Point3d& b) {
  if (std::fabs(a.x - b.x) < 1e-12 && std::fabs(a.y - b.y) < 1e-12 && std::fabs(a.z - b.z) < 1e-12)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") expected (" << b.x << ", "
                                       << b.y << ", " << b.z << ")";
}

TEST_F(SwitchTest, SliderSpansTwentyScaledUnitsAboutTheOffsetWithTheKnobAtActivePercent) {
  const struct {
    double scale, active;
    double lo, hi, knobY; // scene units, offset included
  } rows[] = {
      {1, 50, -22, -2, -12}, // the knob of 50 % at the offset's height
      {1, 150, -22, -2, 8},  // drawn where the value says, past the top end
  };
  for (const auto& r : rows) {
    Switch* sw = addSwitch();
    sw->uioffsetposAttr()->x()->setLocalValue(6);
    sw->uioffsetposAttr()->y()->setLocalValue(-12);
    sw->uiscaleAttr()->setLocalValue(r.scale);
    sw->activeAttr()->setLocalValue(r.active);
    const VU_Drawing drawing = render(sw, MO_OGLContext::eNormalMode);
    const auto& p = drawing.primitives();
    ASSERT_EQ(p.size(), 7u);
    const double x = 6 - 14, h = r.scale / 2;
    EXPECT_TRUE(pointNear(p[0].points[0], at(x - h, r.lo)));
    EXPECT_TRUE(pointNear(p[0].points[1], at(x + h, r.lo)));
    EXPECT_TRUE(pointNear(p[1].points[0], at(x - h, r.hi)));
    EXPECT_TRUE(pointNear(p[1].points[1], at(x + h, r.hi)));
    EXPECT_TRUE(pointNear(p[2].points[0], at(x, r.lo)));
    EXPECT_TRUE(pointNear(p[2].points[1], at(x, r.hi)));
    const Math::Point3d knob = at(x, r.knobY);
    EXPECT_TRUE(pointNear(p[5].points[0], knob));
    EXPECT_TRUE(pointNear(p[4].points[0], knob));
    // The value written beside the knob, at the right end of its bar.
    EXPECT_EQ(p[6].kind, VU_Drawing::eText);
    EXPECT_EQ(p[6].text, QStringLiteral("%1 %").arg(r.active));
    EXPECT_TRUE(pointNear(p[6].points[0], p[3].points[1]));
  }
}

// ---- dragging the knob ------------------------------------------------------------------------

class SwitchDragTest : public SwitchTest {
protected:
  void SetUp() override {
    sw = addSwitch();
    gate = static_cast<TransformGateModule*>(scene.addNode(std::make_unique<TransformGateModule>()));
    gate->ensureInPort(2);
    EXPECT_TRUE(gate->link(0, addPeg(scene, {{-6, 0, 0}}), 0));
    EXPECT_TRUE(gate->link(1, addPeg(scene, {{6, 0, 0}}), 0));
    EXPECT_TRUE(gate->link(2, sw, 0));
    sw->gatenumAttr()->setLocalValue(1);
  }
  // A drag from wherever to scene height y (scene units), ending with release.
  std::unique_ptr<SwitchDragManipulator> dragTo(SLB_ManipContext& ctx, double y) {
    auto m = std::make_unique<SwitchDragManipulator>(sw, Math::CameraTransformChain());
    m->startDrag(ctx);
    m->drag(ctx, Math::Point3d(-14.0 / 12, y / 12, 0));
    return m;
  }
  double gateRatio(double frame) {
    double ratio = -1;
    gate->resolveGate(frame, &ratio);
    return ratio;
  }

  Switch* sw = nullptr;
  TransformGateModule* gate = nullptr;
};

// While dragging, readers (the gate included) follow the pointer and the stored value stays; the
// one command the drag ends with sets it.
TEST_F(SwitchDragTest, PointerHeightMapsOntoTheSliderHeldToItsEndsAndOneCommandSetsIt) {
  // GUI offset (3, 3), scale 2: the slider runs from −17 to 23 scene units.
  const struct { double y, percent; } rows[] = {{13, 75}, {23, 100}, {100, 100}, {-100, 0}};
  for (const auto& r : rows) {
    sw->uioffsetposAttr()->x()->setLocalValue(3);
    sw->uioffsetposAttr()->y()->setLocalValue(3);
    sw->uiscaleAttr()->setLocalValue(2);
    sw->activeAttr()->setLocalValue(40);
    CO_OrCommand commands;
    SLB_ManipContext ctx(Math::CameraTransformChain(), 1, SLB_ManipContext::eSetAtFrame, &commands, {1, 24});
    auto m = dragTo(ctx, r.y);
    EXPECT_NEAR(sw->activeAttr()->value(1), r.percent, 1e-9) << r.y;
    EXPECT_NEAR(gateRatio(1), r.percent / 100, 1e-9) << r.y;
    EXPECT_EQ(sw->activeAttr()->storedValue(1), 40) << r.y;
    m->endDrag(ctx);
    EXPECT_EQ(ctx.currentOperationName(), QStringLiteral("Change Switch Module"));
    EXPECT_EQ(sw->activeAttr()->value(1), 40) << "detached, nothing run yet";
    ASSERT_EQ(commands.size(), 1);
    commands.execute();
    EXPECT_NEAR(sw->activeAttr()->localValue(), r.percent, 1e-9) << r.y;
  }
}

TEST_F(SwitchDragTest, SetAtFrameKeysTheFrameAndOtherModesOffsetEveryFrame) {
  const struct {
    int mode;
    std::map<double, double> keys;
  } rows[] = {{1, {{1, 0}, {6, 75}, {11, 100}}},
              {0, {{1, 75}, {11, 175}}}}; // the first frame takes 75, every key moves by the same
  for (const auto& r : rows) {
    sw->activeAttr()->setKeys(AT_Keys());
    sw->activeAttr()->setKey(1, 0);
    sw->activeAttr()->setKey(11, 100);
    CO_OrCommand commands;
    SLB_ManipContext ctx(Math::CameraTransformChain(), 6, r.mode, &commands, {1, 24});
    dragTo(ctx, 5)->endDrag(ctx);
    ASSERT_EQ(commands.size(), 1);
    commands.execute();
    const AT_Keys& keys = *sw->activeAttr()->keys();
    ASSERT_EQ(keys.size(), r.keys.size()) << "mode " << r.mode;
    for (const auto& [frame, value] : r.keys) {
      ASSERT_TRUE(keys.find(frame)) << "mode " << r.mode << " frame " << frame;
      EXPECT_NEAR(keys.find(frame)->value, value, 1e-9) << "mode " << r.mode << " frame " << frame;
    }
  }
}

} // namespace
