// The multi-points node in scenes of pegs: where its output carries the rest pivots (worked out
// from the pegs' own matrices), what one input, a rigid pair, switches and extreme activities
// do, the hull with an interior point as computed and as drawn, the main input chosen by a
// click, and the two example scenes through the real loader and picking.
#include <gtest/gtest.h>

#include "Core/NodeColors.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "HostInterface/HostViews.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "Plugins/ConstraintModuleLib/TransformControls/TransformControlsTestUtil.h"
#include "SceneCore/Camera.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/Switch.h"

namespace {

using namespace tctest;

// Where the view shows a point of the drawing plane (pixels).
Math::Point2d pixelOf(const Math::CameraTransformChain& chain, const Math::Point3d& p) {
  Math::Point3d q;
  EXPECT_TRUE(chain.transform(Math::eSourceWorldFrame, p, Math::eDestinationViewFrame, q));
  return {q.x, q.y};
}

class MultiPointsTest : public ::testing::Test {
protected:
  void SetUp() override { node = static_cast<PointConstraintMultiModule*>(scene.addNode(std::make_unique<PointConstraintMultiModule>())); }
  void plug(int port, MO_Module* input) {
    node->ensureInPort(port);
    ASSERT_TRUE(node->link(port, input, 0));
  }
  // A peg with its pivot (scene units) on the next free port.
  Peg* plugPeg(double px, double py, const PegParts& parts, MO_Module* parent = nullptr) {
    Peg* peg = addPeg(scene, parts, parent);
    peg->pivotAttr()->x()->setLocalValue(px);
    peg->pivotAttr()->y()->setLocalValue(py);
    plug(node->nInPorts(), peg);
    return peg;
  }
  Switch* plugSwitch(double active) {
    auto* sw = static_cast<Switch*>(scene.addNode(std::make_unique<Switch>()));
    sw->activeAttr()->setLocalValue(active);
    plug(node->nInPorts(), sw);
    return sw;
  }
  Math::Point3d rest(Peg* peg) const {
    return scene.metrics().toOGL(Math::Point3d(peg->pivotAttr()->x()->localValue(), peg->pivotAttr()->y()->localValue(), 0));
  }
  Math::Point3d now(Peg* peg) { return eval(peg) * rest(peg); }
  Math::Matrix4x4 eval(MO_Module* n) { return SC_SceneEvaluator(scene).evaluate(n, 1); }
  VU_Drawing draw(int mode) {
    VU_Drawing drawing;
    CC_CameraChainTransformCanvasBinder binder(VU_SceneRenderer(scene).viewChain(1, VU_SceneRenderer::eCameraView, QSize(200, 100)), &drawing);
    node->oglRenderControl(MO_OGLContext(mode, MO_FrameKey(1), &binder));
    return drawing;
  }
  SC_SceneCommon scene;
  PointConstraintMultiModule* node = nullptr;
};

TEST_F(MultiPointsTest, OneInputCopiesItsMatrixWhateverActiveAndHullSay) {
  node->ensureInPort(0);  // the main input stays empty: the incoming matrix is the identity
  Peg* peg = plugPeg(3, 2, {{6, -2, 0}, {0, 0, 35}, {2, 1, 1}});
  for (double active : {30.0, 100.0, 150.0})
    for (bool hull : {false, true}) {
      node->activeAttr()->setLocalValue(active);
      node->convexhullAttr()->setLocalValue(hull);
      EXPECT_TRUE(matrixNear(eval(node), eval(peg), 1e-15));
    }
}

// Pivots and motions in eighths of a unit make every step exact, so a rigid pair is seen as
// rigid; the selected peg B is the main input, whose matrix differs from A's only in z scale.
TEST_F(MultiPointsTest, RigidPairKeepsTheIncomingMatrix_PairMovingApartStretchesAlongItsLine) {
  scene.setMetrics(SC_SceneMetrics(0.125, 0.125, 0.125));
  Peg* parent = addPeg(scene, {{8, 4, 0}});
  plugPeg(0, 0, {}, parent);
  Peg* b = plugPeg(8, 0, {{0, 0, 0}, {0, 0, 0}, {1, 1, 2}}, parent);
  b->setSelected(true);
  eval(node);
  b->skew()->changed();  // the main input is now B
  EXPECT_EQ(eval(node), eval(b));
  b->position()->x()->setLocalValue(8);
  EXPECT_TRUE(matrixNear(eval(node), T(1, 0.5, 0) * S(2, 1, 1), 1e-12));
}

TEST_F(MultiPointsTest, ThreeRestPivotsLandExactlyOnTheirCurrentPositions) {
  Peg* parent = addPeg(scene, {{4, 1, 0}, {0, 0, 25}, {1.5, 0.5, 1}});
  Peg* pegs[3] = {plugPeg(-2, 1, {{1, 2, 0}, {0, 0, 10}}, parent), plugPeg(9, 3, {{-3, 0, 0}, {0, 0, 0}, {-1, 1, 1}}),
                  plugPeg(4, 11, {{0, 0, 0}, {0, 0, -40}, {1, 1, 1}, 20})};
  const Math::Matrix4x4 out = eval(node);
  for (Peg* p : pegs)
    EXPECT_LT((out * rest(p) - now(p)).length(), 1e-12);
}

// The first switch at 50 halves every motion in the first peg's frame (A stands still); a second
// switch at 0 would stop everything if it counted. The switch ports are named and coloured.
TEST_F(MultiPointsTest, FirstSwitchScalesTheActivity_SecondDoesNothing) {
  Peg* pegs[3] = {plugPeg(0, 0, {}), plugPeg(12, 0, {{12, 6, 0}}), plugPeg(0, 12, {{-6, 12, 0}})};
  plugSwitch(50);
  plugSwitch(0);
  const Math::Matrix4x4 out = eval(node);
  for (Peg* p : pegs)
    EXPECT_LT((out * rest(p) - (rest(p) + (now(p) - rest(p)) * 0.5)).length(), 1e-12);
  EXPECT_EQ(node->inPortMetadata(0), nullptr);
  ASSERT_NE(node->inPortMetadata(3), nullptr);
  EXPECT_EQ(node->inPortMetadata(4)->name(), QStringLiteral("Switch"));
  std::uint32_t light = 0, dark = 0;
  EXPECT_TRUE(node->nvPortColors(3, false, light, dark));
  EXPECT_EQ(ColorPair(light, dark), switchPortColors());
  EXPECT_FALSE(node->nvPortColors(3, true, light, dark));
  EXPECT_FALSE(node->nvPortColors(1, false, light, dark));
}

TEST_F(MultiPointsTest, ActivityZeroOrMinus100PassesTheIncomingMatrix_Above100ActsAs100) {
  Peg* first = plugPeg(0, 0, {{3, 1, 0}, {0, 0, 20}});
  plugPeg(12, 0, {{12, 6, 0}});
  plugPeg(0, 12, {{-6, 12, 0}});
  const Math::Matrix4x4 full = eval(node);
  node->activeAttr()->setLocalValue(150);
  EXPECT_EQ(eval(node), full);
  for (double active : {0.0, -100.0}) {
    node->activeAttr()->setLocalValue(active);
    EXPECT_EQ(eval(node), eval(first));
  }
}

// A square's corners follow one affine map, its centre wanders: with the hull on only the corners
// count (a four-point fit through the camera), yet all five points are drawn.
TEST_F(MultiPointsTest, HullLeavesAnInteriorPointOutOfTheFitButDrawsIt) {
  MO_Module* camera = scene.addNode(std::make_unique<Camera>());
  static_cast<AT_DoubleAttr*>(camera->attr(QStringLiteral("POSITION.Z")))->setLocalValue(40);
  scene.setCamera(camera);
  const Math::Matrix4x4 map = T(0.5, 0.25, 0) * Rz(20) * S(1.25, 0.75, 1);
  std::vector<Peg*> corners;
  const int square[4][2] = {{-12, -12}, {12, -12}, {12, 12}, {-12, 12}};
  for (const auto& [x, y] : square) {
    const Math::Point3d to = map * Math::Point3d(x / 12.0, y / 12.0, 0);
    corners.push_back(plugPeg(x, y, {{to.x * 12 - x, to.y * 12 - y, 0}}));
  }
  plugPeg(0, 0, {{5, -3, 0}});
  node->convexhullAttr()->setLocalValue(true);
  const Math::Matrix4x4 out = eval(node);
  for (Peg* p : corners)
    EXPECT_LT((out * rest(p) - now(p)).length(), 2e-5);
  EXPECT_TRUE(node->projectedPoints());
  const VU_Drawing drawn = draw(MO_OGLContext::eNormalMode);
  std::map<VU_Drawing::Kind, int> kinds;
  for (const auto& p : drawn.primitives())
    ++kinds[p.kind];
  EXPECT_EQ(kinds, (std::map<VU_Drawing::Kind, int>{{VU_Drawing::ePoint, 5}, {VU_Drawing::eLine, 4}, {VU_Drawing::eQuad, 4}}));
  // Picking: each point and the half-edges beside it in its own peg's pick colour.
  std::map<std::uint32_t, int> byColour;
  const VU_Drawing picked = draw(MO_OGLContext::ePickingMode);
  for (const auto& p : picked.primitives())
    byColour[p.pointFill.packedArgb()] += p.kind == VU_Drawing::ePoint ? 10 : 1;
  for (Peg* p : corners)
    EXPECT_EQ(byColour[SLB_PickEngine::idToColor(p->pickAdaptor()->pickingId())], 12);
  node->convexhullAttr()->setLocalValue(false);
  EXPECT_FALSE(matrixNear(eval(node), out, 1e-3));
}

TEST_F(MultiPointsTest, AClickMakesTheNearestPointsPegTheMainInput) {
  Peg* pegs[3] = {plugPeg(-12, 0, {}), plugPeg(12, 0, {{0, 6, 0}}), plugPeg(0, 12, {})};
  const Math::CameraTransformChain chain = VU_SceneRenderer(scene).viewChain(1, VU_SceneRenderer::eCameraView, QSize(200, 100));
  const auto click = [&](Peg* peg) {
    MO_MainPortModuleVisitor(pixelOf(chain, now(peg) + Math::Vector3d(0.01, 0, 0)), chain).visitModule(node);
  };
  click(pegs[2]);
  EXPECT_EQ(node->mainInPortId(), 0);  // nothing computed at the current frame yet
  eval(node);
  click(pegs[1]);
  EXPECT_EQ(node->mainInPortId(), 1);
  node->unlink(1);
  EXPECT_EQ(node->mainInPortId(), 0);
}

std::unique_ptr<SC_SceneCommon> loadExample(const char* name) {
  PIO_LoadError error;
  auto scene = PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/%1").arg(QLatin1String(name)), &error);
  EXPECT_NE(scene, nullptr) << qPrintable(error.toString());
  return scene;
}

// The perspective pin lands its four rest corners on the tracked ones; a click on a drawn corner
// picks that peg and makes it the fit's main input.
TEST(MultiPointsExamples, PerspectivePinLandsOnItsCorners_PickedCornerBecomesMainInput) {
  for (const char* name : {"Pin", "Fit"}) {
    std::unique_ptr<SC_SceneCommon> scene = loadExample(name[0] == 'P' ? "multi_points_perspective.xml" : "multi_points_card.xml");
    ASSERT_NE(scene, nullptr);
    auto* fit = dynamic_cast<PointConstraintMultiModule*>(scene->findNode(QLatin1String(name)));
    ASSERT_NE(fit, nullptr);
    SC_SceneEvaluator eval(*scene);
    const Math::Matrix4x4 out = eval.evaluate(fit, 24);
    auto* corner = static_cast<Peg*>(fit->inputModule(2));
    Math::Point3d pivot;
    corner->pivot(MO_FrameKey(24), pivot);
    const Math::Point3d rest = scene->metrics().toOGL(pivot), now = eval.evaluate(corner, 24) * rest;
    if (name[0] == 'P') {
      EXPECT_LT((out * rest - now).length(), 2e-5);
    }
    const QSize size(960, 540);
    const Math::CameraTransformChain chain = VU_SceneRenderer(*scene).viewChain(24, VU_SceneRenderer::eCameraView, size);
    const SLB_ViewDriver::PickResult picked = SLB_ViewDriver(VU_SceneRenderer::eCameraView, size).pick(*scene, 24, pixelOf(chain, now));
    EXPECT_EQ(picked.node, corner) << name;
    EXPECT_EQ(fit->mainInPortId(), 2) << name;
  }
}

} // namespace
