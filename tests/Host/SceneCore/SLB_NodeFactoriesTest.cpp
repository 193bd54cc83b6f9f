// The host asks nodes for pick adaptors through callbacks that plug-ins register by type name
// (this test stands in for such a plug-in).
#include <gtest/gtest.h>

#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
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

} // namespace

// Outside the unnamed namespace: the tests derive from it, and a unity build puts them in one file.
class NodeFactories : public ::testing::Test {
protected:
  void SetUp() override {
    Probe::adaptorsMade = 0;
    SLB_NodePickAdaptorFactory::registerVisitor(QStringLiteral("FactoriesTestProbe"), &makeProbeAdaptor);
  }
  void TearDown() override { SLB_NodePickAdaptorFactory::unregisterVisitor(QStringLiteral("FactoriesTestProbe")); }
};

TEST_F(NodeFactories, PickAdaptorFor_KeepsOneAdaptorPerNodeSoDrawingAndPickingAgree) {
  SC_SceneCommon scene;
  MO_Module* a = scene.addNode(std::make_unique<Probe>());
  MO_Module* b = scene.addNode(std::make_unique<Probe>());
  SLB_ModulePickAdaptor* first = SLB_NodePickAdaptorFactory::pickAdaptorFor(a);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(SLB_NodePickAdaptorFactory::pickAdaptorFor(a), first);
  SLB_ModulePickAdaptor* other = SLB_NodePickAdaptorFactory::pickAdaptorFor(b);
  EXPECT_NE(other->pickingId(), first->pickingId());
  EXPECT_EQ(Probe::adaptorsMade, 2);
  // A removed node takes its adaptor with it (the sanitizer run sees any leak or reuse).
  scene.removeNode(a);
  EXPECT_EQ(SLB_NodePickAdaptorFactory::pickAdaptorFor(b), other);
}
