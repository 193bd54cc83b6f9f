// The host asks nodes for pick adaptors through callbacks that plug-ins register by type name
// (this test stands in for such a plug-in); selection and the drag context.
#include <gtest/gtest.h>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SLB_ManipContext.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"

namespace {

class Probe : public MO_Module {
public:
  static int adaptorsMade;
  Probe() { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("FactoriesTestProbe"); }
};
int Probe::adaptorsMade = 0;

void makeProbeAdaptor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  ++Probe::adaptorsMade;
  SLB_NodePickAdaptorFactory::setPickAdaptor(visitor, new SLB_ModulePickAdaptor(module, 3));
}

class NodeFactories : public ::testing::Test {
protected:
  void SetUp() override {
    Probe::adaptorsMade = 0;
    SLB_NodePickAdaptorFactory::registerVisitor(QStringLiteral("FactoriesTestProbe"), &makeProbeAdaptor);
  }
  void TearDown() override {
    SLB_NodePickAdaptorFactory::unregisterVisitor(QStringLiteral("FactoriesTestProbe"));
  }
};

} // namespace

TEST_F(NodeFactories, PickAdaptor_CallbackFirstThenNodesOwnThenNone) {
  SC_SceneCommon scene;
  auto* probe = static_cast<Probe*>(scene.addNode(std::make_unique<Probe>()));
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));

  SLB_NodePickAdaptorFactory factory;
  ASSERT_TRUE(factory.visitModule(probe));
  EXPECT_EQ(factory.pickAdaptor()->module(), probe);
  EXPECT_EQ(factory.pickAdaptor()->nbHandles(), 3);
  std::unique_ptr<SLB_ModulePickAdaptor> taken = factory.takePickAdaptor();
  EXPECT_TRUE(taken);

  ASSERT_TRUE(factory.visitModule(peg));
  EXPECT_EQ(factory.pickAdaptor(), peg->pickAdaptor());
  EXPECT_FALSE(factory.takePickAdaptor());  // borrowed, never handed over
  EXPECT_EQ(peg->pickAdaptor()->nbHandles(), 1);
  EXPECT_EQ(peg->pickAdaptor()->module(), peg);

  SLB_NodePickAdaptorFactory::unregisterVisitor(QStringLiteral("FactoriesTestProbe"));
  EXPECT_FALSE(factory.visitModule(probe));
  EXPECT_FALSE(factory.visitModule(nullptr));
}

TEST_F(NodeFactories, PickAdaptorFor_KeepsOneAdaptorPerNodeSoDrawingAndPickingAgree) {
  SC_SceneCommon scene;
  MO_Module* a = scene.addNode(std::make_unique<Probe>());
  MO_Module* b = scene.addNode(std::make_unique<Probe>());
  SLB_ModulePickAdaptor* first = SLB_NodePickAdaptorFactory::pickAdaptorFor(a);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(SLB_NodePickAdaptorFactory::pickAdaptorFor(a), first);
  EXPECT_EQ(SLB_NodePickAdaptorFactory::pickAdaptorFor(a)->pickingId(), first->pickingId());
  SLB_ModulePickAdaptor* other = SLB_NodePickAdaptorFactory::pickAdaptorFor(b);
  EXPECT_NE(other->pickingId(), first->pickingId());
  EXPECT_EQ(Probe::adaptorsMade, 2);
  // A removed node takes its adaptor with it (the sanitizer run sees any leak or reuse).
  scene.removeNode(a);
  EXPECT_EQ(SLB_NodePickAdaptorFactory::pickAdaptorFor(b), other);
}

TEST(SLB_SelectionInterface, PlainClickReplacesTheSelectionShiftClickExtendsIt) {
  SC_SceneCommon scene;
  MO_Module* a = scene.addNode(std::make_unique<Peg>());
  MO_Module* b = scene.addNode(std::make_unique<Peg>());
  a->selInterface()->subSelect(0, false);
  b->selInterface()->subSelect(2, true);
  EXPECT_TRUE(a->selected());
  EXPECT_TRUE(b->selected());
  EXPECT_TRUE(b->selInterface()->isHandleSelected(2));
  b->selInterface()->subSelect(1, false);
  EXPECT_FALSE(a->selected());
  EXPECT_TRUE(a->selInterface()->selectedHandles().empty());
  EXPECT_TRUE(b->selected());
  EXPECT_EQ(b->selInterface()->selectedHandles(), std::set<int>{1});
}

TEST(SLB_ManipContext, ChainCarriesTheNodesOutputAsModelMatrix) {
  SC_SceneCommon scene;
  scene.setMetrics(SC_SceneMetrics(0.5, 0.25, 1.0));
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  peg->position()->x()->setLocalValue(4);  // drawing units (2, 2, 0)
  peg->position()->y()->setLocalValue(8);
  Math::CameraTransformChain view;
  view.setViewport(Math::Rect2d(0, 0, 100, 50));
  SLB_ManipContext ctx(view, 7.0, SLB_ManipContext::eSetAtFrame, nullptr, {1, 24});

  Math::CameraTransformChain chain;
  ctx.cameraTransformChain(chain, peg, true);
  EXPECT_TRUE(chain.modelMatrix().isApprox(Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 2, 0, 1), 1e-12));
  EXPECT_EQ(chain.viewport().right, 100.0);
  ctx.cameraTransformChain(chain, nullptr, true);
  EXPECT_TRUE(chain.modelMatrix().isIdentity());
}
