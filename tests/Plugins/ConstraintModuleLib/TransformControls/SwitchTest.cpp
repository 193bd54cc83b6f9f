// The constraint switch: the values readers get at a frame, its slider as drawn (worked out by
// hand from the scene metrics), its pick adaptor, and the drag of its knob: the surrogate readers
// follow while dragging, the one command that ends the drag, and the two animation modes.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "Core/NodeColors.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "HostInterface/HostServices.h"
#include "HostInterface/HostViews.h"
#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "TransformControls/Switch.h"
#include "TransformControls/SwitchDragManipulator.h"
#include "TransformControls/SwitchPickAdaptor.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

constexpr int kShift = 0x02000000;
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
  const struct {
    double frame, active;
    int gate;
  } rows[] = {{6, 50, 2}, {10, 90, 4}, {30, 100, 4}};
  for (const auto& r : rows) {
    const MO_BaseContext ctx(MO_FrameKey(r.frame), 0);
    bool found = false;
    EXPECT_NEAR(sw->switchActiveValue(ctx, found), r.active, 1e-12) << "frame " << r.frame;
    EXPECT_TRUE(found);
    found = false;
    EXPECT_EQ(sw->switchTargetGate(ctx, found), r.gate) << "frame " << r.frame;
    EXPECT_TRUE(found);
  }
  for (double outside : {150.0, -30.0}) {
    Switch* plain = addSwitch();
    plain->activeAttr()->setLocalValue(outside);
    bool found = false;
    EXPECT_EQ(plain->switchActiveValue(kFrame1, found), outside);
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
    double lo, hi, knobY;  // scene units, offset included
  } rows[] = {
      {1, 50, -22, -2, -12},   // the knob of 50 % at the offset's height
      {1, 150, -22, -2, 8},    // drawn where the value says, past the top end
  };
  for (const auto& r : rows) {
    Switch* sw = addSwitch();
    sw->uioffsetposAttr()->x()->setLocalValue(6);
    sw->uioffsetposAttr()->y()->setLocalValue(-12);
    sw->uiscaleAttr()->setLocalValue(r.scale);
    sw->activeAttr()->setLocalValue(r.active);
    const VU_Drawing drawing = render(sw, MO_OGLContext::eNormalMode);
    const auto& p = drawing.primitives();
    ASSERT_EQ(p.size(), 6u);
    const double x = 6 - 14, h = r.scale / 2;
    const VU_Drawing::Kind kinds[] = {VU_Drawing::eLine, VU_Drawing::eLine, VU_Drawing::eLine,
                                      VU_Drawing::eLine, VU_Drawing::eCircle, VU_Drawing::ePoint};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(p[i].kind, kinds[i]) << i;
      EXPECT_EQ(p[i].lineStroke, VS_RGBA(255, 0, 0, 255)) << i;
      EXPECT_EQ(p[i].pointFill, VS_RGBA(255, 0, 0, 255)) << i;
      EXPECT_EQ(p[i].pointSize, i < 3 ? 3.0 : 7.0) << i;
    }
    EXPECT_TRUE(pointNear(p[0].points[0], at(x - h, r.lo)));
    EXPECT_TRUE(pointNear(p[0].points[1], at(x + h, r.lo)));
    EXPECT_TRUE(pointNear(p[1].points[0], at(x - h, r.hi)));
    EXPECT_TRUE(pointNear(p[1].points[1], at(x + h, r.hi)));
    EXPECT_TRUE(pointNear(p[2].points[0], at(x, r.lo)));
    EXPECT_TRUE(pointNear(p[2].points[1], at(x, r.hi)));
    const Math::Point3d knob = at(x, r.knobY);
    EXPECT_TRUE(pointNear(p[5].points[0], knob));
    EXPECT_TRUE(pointNear(p[4].points[0], knob));
    EXPECT_DOUBLE_EQ(p[4].radius, 0.2 * r.scale);
    // The knob's bar is half a GUI scale either side, in drawing units.
    EXPECT_TRUE(pointNear(p[3].points[0], Math::Point3d(knob.x - h, knob.y, 0)));
    EXPECT_TRUE(pointNear(p[3].points[1], Math::Point3d(knob.x + h, knob.y, 0)));
  }
}

TEST_F(SwitchTest, PickingDrawsOnlyTheKnobInItsHandleColour) {
  Switch* sw = addSwitch();
  sw->activeAttr()->setLocalValue(50);
  const SLB_ModulePickAdaptor* adaptor = SLB_NodePickAdaptorFactory::pickAdaptorFor(sw);
  ASSERT_NE(adaptor, nullptr);
  const VS_RGBA pick(SLB_PickEngine::idToColor(adaptor->handleId(0)));
  const VU_Drawing drawing = render(sw, MO_OGLContext::ePickingMode);
  const auto& p = drawing.primitives();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].kind, VU_Drawing::eLine);
  EXPECT_EQ(p[1].kind, VU_Drawing::eCircle);
  EXPECT_EQ(p[2].kind, VU_Drawing::ePoint);
  for (const auto& prim : p) {
    EXPECT_EQ(prim.lineStroke, pick);
    EXPECT_EQ(prim.pointStroke, pick);
    EXPECT_EQ(prim.pointFill, pick);
  }
  EXPECT_TRUE(pointNear(p[2].points[0], at(-14, 0)));
}

// ---- picking --------------------------------------------------------------------------------

TEST_F(SwitchTest, PickAdaptorHasThreeHandlesAndAnswersOnlyForTheKnob) {
  Switch* sw = addSwitch();
  auto* adaptor = dynamic_cast<SwitchPickAdaptor*>(SLB_NodePickAdaptorFactory::pickAdaptorFor(sw));
  ASSERT_NE(adaptor, nullptr);
  const int base = adaptor->pickingId();
  const struct {
    int i, id;
  } rows[] = {{-1, 0}, {0, base}, {1, base + 1}, {2, base + 2}, {3, 0}};
  for (const auto& r : rows)
    EXPECT_EQ(adaptor->handleId(r.i), r.id) << r.i;

  const std::shared_ptr<SLB_ModuleDescriptor> d = adaptor->pick(base, false, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->module(), sw);
  EXPECT_EQ(d->selectionType(), 9);
  EXPECT_FALSE(d->flag());
  EXPECT_FALSE(sw->selected());  // not asked to select
  for (int other : {base + 1, base + 2, base + 3, 0})
    EXPECT_EQ(adaptor->pick(other, true, 0), nullptr) << other;
  EXPECT_FALSE(sw->selected());
}

TEST_F(SwitchTest, PickingTheKnobSelectsHandleZeroAndShiftExtends) {
  Switch* sw = addSwitch();
  Peg* peg = addPeg(scene, {});
  SLB_ModulePickAdaptor* adaptor = SLB_NodePickAdaptorFactory::pickAdaptorFor(sw);
  ASSERT_NE(adaptor, nullptr);
  peg->selInterface()->subSelect(0, false);
  ASSERT_NE(adaptor->pick(adaptor->handleId(0), true, 0), nullptr);
  EXPECT_TRUE(sw->selInterface()->isHandleSelected(0));
  EXPECT_FALSE(peg->selected());  // a plain click replaces the selection
  peg->selInterface()->subSelect(0, false);
  ASSERT_NE(adaptor->pick(adaptor->handleId(0), true, kShift), nullptr);
  EXPECT_TRUE(sw->selInterface()->isHandleSelected(0));
  EXPECT_TRUE(peg->selected());
}

TEST(SwitchView, ClickOnTheKnobPixelPicksTheSwitch) {
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene =
      PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/switch_gate.xml"), &error);
  ASSERT_NE(scene, nullptr);
  // Knob of ACTIVE 30: (−14, −4) scene units = (−7/6, −1/3) drawing units, seen from z = 3
  // with a 45° vertical field of view at 16:9 in 960×540: pixel (226.5, 342.4).
  const double th = std::tan(22.5 * M_PI / 180.0);
  const double px = (1 - 7.0 / 6.0 / (3 * th * 16.0 / 9.0)) * 480, py = (1 + 1.0 / 3.0 / (3 * th)) * 270;
  ASSERT_NEAR(px, 226.5, 0.1);
  ASSERT_NEAR(py, 342.4, 0.1);
  SLB_ViewDriver driver(VU_SceneRenderer::eCameraView, QSize(960, 540));
  const SLB_ViewDriver::PickResult hit = driver.pick(*scene, 1, Math::Point2d(px, py), true);
  EXPECT_EQ(hit.node, scene->findNode(QStringLiteral("Switch")));
  EXPECT_EQ(hit.handle, 0);
  ASSERT_NE(hit.descriptor, nullptr);
  EXPECT_EQ(hit.descriptor->selectionType(), 9);
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
  CO_OrCommand macro;
};

TEST_F(SwitchDragTest, ReadersFollowThePointerWhileTheStoredValueStaysUntilTheCommandRuns) {
  sw->activeAttr()->setKey(1, 0);
  sw->activeAttr()->setKey(11, 100);
  const AT_Keys keys = *sw->activeAttr()->keys();
  SLB_ManipContext ctx(Math::CameraTransformChain(), 6, SLB_ManipContext::eSetAtFrame, &macro, {1, 24});
  auto m = dragTo(ctx, 5);  // (5 + 10) / 20
  EXPECT_NEAR(sw->activeAttr()->value(6), 75, 1e-9);
  EXPECT_NEAR(gateRatio(6), 0.75, 1e-9);
  EXPECT_NEAR(sw->activeAttr()->storedValue(6), 50, 1e-12);
  EXPECT_TRUE(*sw->activeAttr()->keys() == keys);
  m->endDrag(ctx);
  EXPECT_EQ(macro.size(), 1);
  EXPECT_EQ(ctx.currentOperationName(), QStringLiteral("Change Switch Module"));
  EXPECT_NEAR(sw->activeAttr()->value(6), 50, 1e-12);  // detached, nothing run yet
  macro.execute();
  EXPECT_NEAR(sw->activeAttr()->value(6), 75, 1e-9);
  EXPECT_NEAR(gateRatio(6), 0.75, 1e-9);
}

TEST_F(SwitchDragTest, PointerHeightMapsOntoTheSliderAndIsHeldToItsEnds) {
  // GUI offset (3, 3), scale 2: the slider runs from −17 to 23 scene units.
  const struct {
    double y, percent;
  } rows[] = {{13, 75}, {23, 100}, {100, 100}, {-100, 0}};
  for (const auto& r : rows) {
    sw->uioffsetposAttr()->x()->setLocalValue(3);
    sw->uioffsetposAttr()->y()->setLocalValue(3);
    sw->uiscaleAttr()->setLocalValue(2);
    sw->activeAttr()->setLocalValue(40);
    CO_OrCommand commands;
    SLB_ManipContext ctx(Math::CameraTransformChain(), 1, SLB_ManipContext::eSetAtFrame, &commands, {1, 24});
    auto m = dragTo(ctx, r.y);
    EXPECT_NEAR(sw->activeAttr()->value(1), r.percent, 1e-9) << r.y;
    m->endDrag(ctx);
    commands.execute();
    EXPECT_NEAR(sw->activeAttr()->localValue(), r.percent, 1e-9) << r.y;
  }
}

TEST_F(SwitchDragTest, SetAtFrameKeysTheFrameAndOtherModesOffsetEveryFrame) {
  const struct {
    int mode;
    std::map<double, double> keys;
  } rows[] = {{1, {{1, 0}, {6, 75}, {11, 100}}},
              {0, {{1, 75}, {11, 175}}},  // the first frame takes 75, every key moves by the same
              {2, {{1, 75}, {11, 175}}}};
  for (const auto& r : rows) {
    sw->activeAttr()->setKeys(AT_Keys());
    sw->activeAttr()->setKey(1, 0);
    sw->activeAttr()->setKey(11, 100);
    CO_OrCommand commands;
    SLB_ManipContext ctx(Math::CameraTransformChain(), 6, r.mode, &commands, {1, 24});
    dragTo(ctx, 5)->endDrag(ctx);
    ASSERT_EQ(commands.size(), 1);
    commands.execute();
    const auto& keys = sw->activeAttr()->keys()->keys();
    ASSERT_EQ(keys.size(), r.keys.size()) << "mode " << r.mode;
    for (const auto& [frame, value] : r.keys) {
      ASSERT_EQ(keys.count(frame), 1u) << "mode " << r.mode << " frame " << frame;
      EXPECT_NEAR(keys.at(frame).value, value, 1e-9) << "mode " << r.mode << " frame " << frame;
    }
  }
}

TEST_F(SwitchDragTest, WithoutAMacroNothingIsCommittedAndTheSurrogateLastsAsLongAsTheManipulator) {
  SLB_ManipContext ctx(Math::CameraTransformChain(), 1, SLB_ManipContext::eSetAtFrame, nullptr, {1, 24});
  {
    auto m = dragTo(ctx, 5);
    m->endDrag(ctx);
    EXPECT_TRUE(ctx.currentOperationName().isEmpty());
    EXPECT_EQ(sw->activeAttr()->localValue(), 100);
    EXPECT_NEAR(sw->activeAttr()->value(1), 75, 1e-9);
  }
  EXPECT_EQ(sw->activeAttr()->surrogate(), nullptr);
  EXPECT_EQ(sw->activeAttr()->value(1), 100);
}

} // namespace
