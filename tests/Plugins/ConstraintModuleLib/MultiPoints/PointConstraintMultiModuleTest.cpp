// The multi-points node in scenes of pegs: what a rigid pair does (worked out from the pegs' own
// matrices), and the two example scenes through the real loader, a real pick and the main input it
// chooses. (The hull and the fits on random scenes are the reference check's.)
#include <gtest/gtest.h>

#include "GraphicCore/SLB_ViewDriver.h"
#include "HostInterface/HostViews.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "Plugins/ConstraintModuleLib/TransformControls/TransformControlsTestUtil.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

using namespace tctest;

class MultiPointsTest : public ::testing::Test {
protected:
  void plug(MO_Module* input) {
    node->ensureInPort(node->nInPorts());
    ASSERT_TRUE(node->link(node->nInPorts() - 1, input, 0));
  }
  // A peg with its pivot (scene units) on the next port.
  Peg* plugPeg(double px, double py, const PegParts& parts, MO_Module* parent = nullptr) {
    Peg* peg = addPeg(scene, parts, parent);
    peg->pivotAttr()->x()->setLocalValue(px);
    peg->pivotAttr()->y()->setLocalValue(py);
    plug(peg);
    return peg;
  }
  Math::Matrix4x4 eval(MO_Module* n) { return SC_SceneEvaluator(scene).evaluate(n, 1); }
  SC_SceneCommon scene;
  PointConstraintMultiModule* node =
      static_cast<PointConstraintMultiModule*>(scene.addNode(std::make_unique<PointConstraintMultiModule>()));
};

// Pivots and motions in eighths of a unit make every step exact, so a rigid pair is seen as
// rigid; the selected peg B is the main input, whose matrix differs from A's only in z scale.
TEST_F(MultiPointsTest, RigidPairKeepsTheIncomingMatrix_PairMovingApartStretchesAlongItsLine) {
  scene.setMetrics(SC_SceneMetrics(0.125, 0.125, 0.125));
  Peg* parent = addPeg(scene, {{8, 4, 0}});
  plugPeg(0, 0, {}, parent);
  Peg* b = plugPeg(8, 0, {{0, 0, 0}, {0, 0, 0}, {1, 1, 2}}, parent);
  b->setSelected(true);
  eval(node);
  b->skew()->changed(); // the main input is now B
  EXPECT_EQ(eval(node), eval(b));
  b->position()->x()->setLocalValue(8);
  EXPECT_TRUE(matrixNear(eval(node), T(1, 0.5, 0) * S(2, 1, 1), 1e-12));
}

// The perspective pin lands its four rest corners on the tracked ones. A click on a drawn corner
// picks that peg and makes it the fit's main input, until the peg is unlinked.
TEST(MultiPointsExamples, PerspectivePinLandsOnItsCorners_PickedCornerBecomesMainInput) {
  for (const char* name : {"Pin", "Fit"}) {
    PIO_LoadError error;
    const auto scene = PIO_SceneReader::readFile(
        QStringLiteral(VANTOREL_EXAMPLES "/multi_points_%1.xml").arg(name[0] == 'P' ? "perspective" : "card"), &error);
    ASSERT_NE(scene, nullptr) << qPrintable(error.toString());
    auto* fit = dynamic_cast<PointConstraintMultiModule*>(scene->findNode(QLatin1String(name)));
    ASSERT_NE(fit, nullptr);
    auto* corner = static_cast<Peg*>(fit->inputModule(2));
    Math::Point3d pivot;
    corner->pivot(MO_FrameKey(24), pivot);
    SC_SceneEvaluator eval(*scene);
    const Math::Point3d rest = scene->metrics().toOGL(pivot), now = eval.evaluate(corner, 24) * rest;
    EXPECT_TRUE(name[0] == 'F' || (eval.evaluate(fit, 24) * rest - now).length() < 2e-5);
    EXPECT_EQ(fit->mainInPortId(), 0);
    const QSize size(960, 540);
    Math::Point3d at;
    ASSERT_TRUE(VU_SceneRenderer(*scene).viewChain(24, VU_SceneRenderer::eCameraView, size).transform(5, now, 1, at));
    EXPECT_EQ(SLB_ViewDriver(VU_SceneRenderer::eCameraView, size).pick(*scene, 24, {at.x, at.y}).node, corner);
    EXPECT_EQ(fit->mainInPortId(), 2) << name;
    fit->unlink(2);
    EXPECT_EQ(fit->mainInPortId(), 0);
  }
}

} // namespace
