// Clicking and dragging as the host's view does: a click on a pivot's pixel (worked out by
// hand through the camera) finds that peg; a node's control drawn in its own pick colours is
// found by handle; a drag feeds the node's manipulator pointer positions on the drawing plane.
#include <gtest/gtest.h>

#include <vector>

#include "ArmRigView.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "GraphicCore/VU_Painter.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_MainPortModuleVisitor.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/SLB_ManipContext.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodeDragManipulatorFactory.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"
#include "SceneCore/SLB_SelectableDragManipulator.h"

namespace {

const QSize kSize(960, 540);
const QString kProbeType = QStringLiteral("ViewDriverTestProbe");
// Where the probe draws its handle 1, in drawing units, through its model matrix.
const Math::Point3d kProbeSpot(-1.2, -0.8, 0.0);

struct DragLog {
  int starts = 0, ends = 0;
  std::vector<Math::Point3d> points;
  double frame = 0;
  int mode = -1;
  CO_OrCommand* macro = nullptr;
  std::pair<int, int> range;
};

class Probe : public MO_Module {
public:
  Probe() { addOutMatrixPort(); }
  QString moduleTypeName() const override { return kProbeType; }
  void oglRenderControl(const MO_OGLContext& ctx) override;
  Math::Point2d clickSeen{-1, -1};
  DragLog log;
};

class ProbeManipulator : public SLB_SelectableDragManipulator {
public:
  ProbeManipulator(Probe* p, const Math::CameraTransformChain& c) : SLB_SelectableDragManipulator(p, c), m_probe(p) {}
  void startDrag(SLB_ManipContext& ctx) override {
    ++m_probe->log.starts;
    m_probe->log.frame = ctx.currentFrame();
    m_probe->log.mode = ctx.animationMode();
    m_probe->log.macro = ctx.macro();
    m_probe->log.range = ctx.frameRange();
  }
  void drag(SLB_ManipContext&, const Math::Point3d& p) override { m_probe->log.points.push_back(p); }
  void endDrag(SLB_ManipContext& ctx) override {
    ++m_probe->log.ends;
    ctx.setCurrentOperationName(QStringLiteral("Move Probe"));
  }

private:
  Probe* m_probe;
};

class ViewDriver : public ::testing::Test {
protected:
  void SetUp() override {
    scene = armrig::load();
    ASSERT_TRUE(scene);
    SLB_NodePickAdaptorFactory::registerVisitor(kProbeType, [](MO_AbstractModuleVisitor* v, MO_Module* m) {
      SLB_NodePickAdaptorFactory::setPickAdaptor(v, new SLB_ModulePickAdaptor(m, 3));
    });
    SLB_NodeDragManipulatorFactory::registerVisitor(kProbeType, [](MO_AbstractModuleVisitor* v, MO_Module* m) {
      auto* f = static_cast<SLB_NodeDragManipulatorFactory*>(v);
      SLB_NodeDragManipulatorFactory::setDragManipulator(v, new ProbeManipulator(static_cast<Probe*>(m), f->cameraTransformChain()));
    });
    MO_MainPortModuleVisitor::registerVisitor(kProbeType, [](MO_AbstractModuleVisitor* v, MO_Module* m) {
      static_cast<Probe*>(m)->clickSeen = static_cast<MO_MainPortModuleVisitor*>(v)->viewPoint();
    });
  }
  void TearDown() override {
    SLB_NodePickAdaptorFactory::unregisterVisitor(kProbeType);
    SLB_NodeDragManipulatorFactory::unregisterVisitor(kProbeType);
    MO_MainPortModuleVisitor::unregisterVisitor(kProbeType);
  }
  Math::Point2d at(const QPointF& p) { return Math::Point2d(p.x(), p.y()); }

  std::unique_ptr<SC_SceneCommon> scene;
  SLB_ViewDriver driver{VU_SceneRenderer::eCameraView, kSize};
};

} // namespace

// Draws its handle 1 as a large point at kProbeSpot, placed by the model matrix.
void Probe::oglRenderControl(const MO_OGLContext& ctx) {
  CC_CameraChainTransformCanvasBinder* binder = ctx.oglMatrixManager();
  const Math::Matrix4x4 saved = binder->modelMatrix();
  binder->setModelMatrix(Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, kProbeSpot.x, kProbeSpot.y, kProbeSpot.z, 1));
  VU_Painter painter(binder);
  VS_RGBA colour = VU_Painter::redColor;
  if (ctx.renderMode() == MO_OGLContext::ePickingMode)
    colour = SLB_PickEngine::idToColor(SLB_NodePickAdaptorFactory::pickAdaptorFor(this)->handleId(1));
  painter.setPointFillColor(colour);
  painter.setPointStrokeColor(colour);
  painter.setPointSize(20, 1);
  painter.drawPoint(Math::Point3d(0, 0, 0));
  binder->setModelMatrix(saved);
}

TEST_F(ViewDriver, ClickOnAProjectedPivotPicksThatPeg) {
  for (double frame : {1.0, 24.0, 48.0}) {
    const auto all = armrig::pivots(*scene, frame);
    int checked = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto& p = all[i];
      const QPointF px = armrig::cameraPixel(p.world, kSize);
      bool alone = true;  // a pivot drawn later (in file order) within the pick disc hides this one
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

TEST_F(ViewDriver, ClickOnBackgroundOrOffTheImagePicksNothing) {
  for (const Math::Point2d& p : {Math::Point2d(3, 3), Math::Point2d(-10, 50), Math::Point2d(960, 10)}) {
    const SLB_ViewDriver::PickResult r = driver.pick(*scene, 24, p);
    EXPECT_EQ(r.node, nullptr);
    EXPECT_EQ(r.id, 0);
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

TEST_F(ViewDriver, NodeControlDrawnInItsHandleColourIsPickedByHandleAndToldOfTheClick) {
  auto* probe = static_cast<Probe*>(scene->addNode(std::make_unique<Probe>()));
  const QPointF px = armrig::cameraPixel(kProbeSpot, kSize);
  const SLB_ViewDriver::PickResult r = driver.pick(*scene, 24, at(px));
  EXPECT_EQ(r.node, probe);
  EXPECT_EQ(r.handle, 1);
  EXPECT_EQ(r.id, SLB_NodePickAdaptorFactory::pickAdaptorFor(probe)->handleId(1));
  EXPECT_EQ(probe->clickSeen, at(px));
}

TEST_F(ViewDriver, DragFeedsTheManipulatorPointsOnTheDrawingPlane) {
  auto* probe = static_cast<Probe*>(scene->addNode(std::make_unique<Probe>()));
  auto* macro = reinterpret_cast<CO_OrCommand*>(probe);  // only passed through, never used
  const QPointF from(100, 400), to(700, 100);
  QString name;
  ASSERT_TRUE(driver.drag(*scene, probe, 12, at(from), at(to), SLB_ManipContext::eSetAtFrame, macro, &name));
  EXPECT_EQ(probe->log.starts, 1);
  EXPECT_EQ(probe->log.ends, 1);
  EXPECT_EQ(probe->log.frame, 12.0);
  EXPECT_EQ(probe->log.mode, 1);
  EXPECT_EQ(probe->log.macro, macro);
  EXPECT_EQ(probe->log.range, std::make_pair(1, 48));
  EXPECT_EQ(name, QStringLiteral("Move Probe"));
  ASSERT_EQ(probe->log.points.size(), std::size_t(SLB_ViewDriver::kDragSteps));
  for (int k = 1; k <= SLB_ViewDriver::kDragSteps; ++k) {
    const Math::Point3d expected = armrig::planeUnderPixel(from + (to - from) * k / SLB_ViewDriver::kDragSteps, kSize);
    const Math::Point3d& got = probe->log.points[std::size_t(k - 1)];
    EXPECT_NEAR(got.x, expected.x, 1e-9);
    EXPECT_NEAR(got.y, expected.y, 1e-9);
    EXPECT_NEAR(got.z, 0.0, 1e-9);
  }
}

TEST_F(ViewDriver, NodeWithoutManipulatorIsNotDragged) {
  EXPECT_FALSE(driver.drag(*scene, scene->findNode(QStringLiteral("Root")), 1, Math::Point2d(0, 0),
                           Math::Point2d(10, 10), 0, nullptr));
  EXPECT_FALSE(driver.drag(*scene, nullptr, 1, Math::Point2d(0, 0), Math::Point2d(10, 10), 0, nullptr));
}
