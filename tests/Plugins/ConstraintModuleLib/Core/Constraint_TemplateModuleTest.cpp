// The constraint bases as other nodes and the host meet them: switch-modulated activity, pivot
// visitors forwarded up input 0, port matrices, the two pipelines (the base one serving a stored
// result, the computing one always computing), the colours applied on entering a scene and on
// preference changes, variable port kinds and the upstream search for a pick adaptor.
#include <gtest/gtest.h>

#include <QColor>
#include <memory>

#include "Core/ConstraintPipeline.h"
#include "Core/Constraint_AutoInModule.h"
#include "Core/Constraint_Module.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostPreferences.h"
#include "HostInterface/HostScene.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControls/Switch.h"

namespace {

const MO_BaseContext kFrame1(MO_FrameKey(1.0), 0);

Math::Matrix4x4 T(double x, double y, double z) { return Math::Matrix4x4().translate(x, y, z); }

// Appends a matrix of its own through the base pipeline; its main input can be chosen.
class AppendingNode : public Constraint_Module {
public:
  AppendingNode() : Constraint_Module(2) {
    addInMatrixPort();
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("CoreTestAppending"); }
  int mainInPortIdAtFrame(const MO_FrameKey&) const override { return mainPort; }
  Math::Matrix4x4 postTransformation(const MO_BaseContext&, const Math::Matrix4x4& current) override {
    ++calls;
    seen = current;
    return post;
  }
  int mainPort = 0;
  int calls = 0;
  Math::Matrix4x4 seen;
  Math::Matrix4x4 post = T(0, 0, 1);
};

// Computes its own matrix through the computing pipeline and counts the computations.
class ComputingNode : public Constraint_Module {
public:
  ComputingNode() : Constraint_Module(2) {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("CoreTestComputing"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    return ConstraintPipeline::computing(*this, ctx, [this](const Math::Matrix4x4& in, Math::Matrix4x4& out) {
      ++calls;
      seen = in;
      out = result;
      return accept;
    });
  }
  int calls = 0;
  bool accept = true;
  Math::Matrix4x4 seen;
  Math::Matrix4x4 result = T(5, 0, 0);
};

class AutoInNode : public Constraint_AutoInModule {
public:
  explicit AutoInNode(int portKind) : Constraint_AutoInModule(0, portKind) { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("CoreTestAutoIn"); }
};

class ConstraintBaseTest : public ::testing::Test {
protected:
  void SetUp() override { rxPref->clear(); }
  void TearDown() override { rxPref->clear(); }

  template <class N> N* add() { return static_cast<N*>(scene.addNode(std::make_unique<N>())); }
  MO_Module* add(const char* type) {
    return scene.addNode(std::unique_ptr<MO_Module>(MO_ModuleFactorySingleton().create(QLatin1String(type))));
  }
  static void plant(MO_Module* node, const Math::Matrix4x4& m) {
    node->outPort(0)->addTransform(kFrame1.frameKey())->setTransformation(CC_Transformation(m), 0, true);
  }

  SC_SceneCommon scene;
};

// ---- activity and switch queries ----------------------------------------------------------

TEST_F(ConstraintBaseTest, SwitchModulatedActivityTable) {
  auto* sw = add<Switch>();
  auto* peg = add<Peg>();
  auto* other = add<StaticConstraint>();
  const struct {
    const char* name;
    double active;
    MO_Node* node;
    double switchValue;
    double expected;
  } rows[] = {
      {"inverted switch", -100, sw, 30, 0.7},      {"scaled by switch", 50, sw, 30, 0.15},
      {"switch at zero", 100, sw, 0, 0.0},         {"inverted full switch", -100, sw, 100, 0.0},
      {"peg is no switch", 50, peg, 30, 0.5},      {"non-switch constraint", -100, other, 30, -1.0},
      {"nothing connected", 50, nullptr, 30, 0.5},
  };
  for (const auto& r : rows) {
    sw->activeAttr()->setLocalValue(r.switchValue);
    EXPECT_NEAR(r.expected, switchModulatedActivity(kFrame1, r.active, r.node), 1e-12) << r.name;
  }
}

TEST_F(ConstraintBaseTest, SwitchValueIsReadAtTheContextFrame) {
  auto* sw = add<Switch>();
  sw->activeAttr()->setKey(1, 0);
  sw->activeAttr()->setKey(11, 100);
  EXPECT_NEAR(0.5, switchModulatedActivity(MO_BaseContext(MO_FrameKey(6.0), 0), 100, sw), 1e-12);
}

// ---- pivot visitors ---------------------------------------------------------------------

TEST_F(ConstraintBaseTest, PivotVisitorGoesUpInputZeroToThePeg) {
  auto* peg = add<Peg>();
  peg->pivotAttr()->x()->setLocalValue(1);
  peg->pivotAttr()->y()->setLocalValue(2);
  peg->pivotAttr()->z()->setLocalValue(3);
  auto* upper = add<StaticConstraint>();
  auto* lower = add<StaticConstraint>();
  ASSERT_TRUE(upper->link(0, peg, 0));
  ASSERT_TRUE(lower->link(0, upper, 0));
  for (const Math::Point3d& p : {modulePivot(kFrame1, lower), lower->nodePivot(kFrame1)}) {
    EXPECT_EQ(1.0, p.x);
    EXPECT_EQ(2.0, p.y);
    EXPECT_EQ(3.0, p.z);
  }
}

TEST_F(ConstraintBaseTest, PivotVisitorKeepsItsPivotWhenInputZeroIsEmpty) {
  auto* peg = add<Peg>();
  peg->pivotAttr()->x()->setLocalValue(1);
  auto* top = add<AppendingNode>(); // the peg hangs on input 1, not input 0
  auto* bottom = add<StaticConstraint>();
  ASSERT_TRUE(top->link(1, peg, 0));
  ASSERT_TRUE(bottom->link(0, top, 0));
  MO_PivotVisitor visitor(kFrame1);
  visitor.setPivot(Math::Point3d(7, 8, 9));
  bottom->acceptVisitor(&visitor);
  EXPECT_EQ(7.0, visitor.getPivot().x);
  EXPECT_EQ(8.0, visitor.getPivot().y);
  EXPECT_EQ(9.0, visitor.getPivot().z);
  EXPECT_EQ(0.0, modulePivot(kFrame1, nullptr).x);
}

// ---- port matrices ----------------------------------------------------------------------

TEST_F(ConstraintBaseTest, PortMatrixGivesTheIdentityForMissingPieces) {
  auto* node = add<AppendingNode>();
  plant(node, T(3, 0, 0));
  const Math::Matrix4x4 identity;
  EXPECT_EQ(identity, node->portMatrix(kFrame1, node->nOutPorts(), false));
  EXPECT_EQ(identity, node->portMatrix(kFrame1, -1, false));
  EXPECT_EQ(identity, node->portMatrix(kFrame1, 0, true)); // nothing linked
  EXPECT_EQ(identity, node->portMatrix(kFrame1, 7, true)); // no such input
  EXPECT_EQ(T(3, 0, 0), node->portMatrix(kFrame1, 0, false));
  Constraint_TemplateModule bare(2);
  EXPECT_EQ(identity, bare.portMatrix(kFrame1, 0, true));
}

// Scene units to drawing units at 1/12: a peg at (12, 24, 0) moves by (1, 2, 0).
TEST_F(ConstraintBaseTest, PortMatrixReadsTheInputInDrawingUnits) {
  auto* peg = add<Peg>();
  peg->position()->x()->setLocalValue(12);
  peg->position()->y()->setLocalValue(24);
  auto* node = add<AppendingNode>();
  ASSERT_TRUE(node->link(1, peg, 0));
  EXPECT_TRUE(node->portMatrix(kFrame1, 1, true).isApprox(T(1, 2, 0), 1e-12));
}

TEST_F(ConstraintBaseTest, PortMatrixGuardsAZeroScaleInput) {
  auto* peg = add<Peg>();
  peg->scale()->x()->setLocalValue(0);
  auto* node = add<AppendingNode>();
  ASSERT_TRUE(node->link(0, peg, 0));
  const Math::Matrix4x4 m = node->portMatrix(kFrame1, 0, true);
  EXPECT_EQ(-0.0001, m[0]);
  EXPECT_EQ(1.0, m[5]);
}

// ---- pipelines --------------------------------------------------------------------------

TEST_F(ConstraintBaseTest, BasePipelineServesAStoredResultButComputingOneComputesAgain) {
  auto* peg = add<Peg>();
  peg->position()->x()->setLocalValue(24);
  auto* sw = add<Switch>();
  auto* computing = add<ComputingNode>();
  ASSERT_TRUE(sw->link(0, peg, 0));
  ASSERT_TRUE(computing->link(0, peg, 0));
  plant(sw, T(7, 0, 0));
  plant(computing, T(7, 0, 0));

  MO_PortTransform* stored = sw->outPort(0)->transform(kFrame1.frameKey());
  EXPECT_EQ(stored, sw->computeTransformation(kFrame1));
  EXPECT_EQ(T(7, 0, 0), stored->transformation().matrix(true));

  const MO_PortTransform* result = computing->computeTransformation(kFrame1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(1, computing->calls);
  EXPECT_TRUE(computing->seen.isApprox(T(2, 0, 0), 1e-12));
  EXPECT_EQ(T(5, 0, 0), result->transformation().matrix(true));
  EXPECT_EQ(1, result->depth()); // one node (the peg) above
}

TEST_F(ConstraintBaseTest, BasePipelineAppendsToWhatArrivesThenServesIt) {
  auto* peg = add<Peg>();
  peg->position()->x()->setLocalValue(12);
  auto* node = add<AppendingNode>();
  ASSERT_TRUE(node->link(0, peg, 0));
  const MO_PortTransform* first = node->computeTransformation(kFrame1);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(node->seen.isApprox(T(1, 0, 0), 1e-12));
  EXPECT_TRUE(first->transformation().matrix(true).isApprox(T(1, 0, 1), 1e-12));
  EXPECT_EQ(first, node->computeTransformation(kFrame1));
  EXPECT_EQ(1, node->calls);
}

TEST_F(ConstraintBaseTest, DisabledNodesPassTheIncomingTransformation) {
  auto* peg = add<Peg>();
  peg->position()->x()->setLocalValue(12);
  auto* appending = add<AppendingNode>();
  auto* computing = add<ComputingNode>();
  ASSERT_TRUE(appending->link(0, peg, 0));
  ASSERT_TRUE(computing->link(0, peg, 0));
  appending->setEnabled(false);
  computing->setEnabled(false);
  EXPECT_TRUE(appending->computeTransformation(kFrame1)->transformation().matrix(true).isApprox(T(1, 0, 0), 1e-12));
  EXPECT_TRUE(computing->computeTransformation(kFrame1)->transformation().matrix(true).isApprox(T(1, 0, 0), 1e-12));
  EXPECT_EQ(0, appending->calls);
  EXPECT_EQ(0, computing->calls);
}

TEST_F(ConstraintBaseTest, ComputingPipelineKeepsTheIncomingWhenTheComputationDeclines) {
  auto* peg = add<Peg>();
  peg->position()->y()->setLocalValue(36);
  auto* computing = add<ComputingNode>();
  computing->accept = false;
  ASSERT_TRUE(computing->link(0, peg, 0));
  EXPECT_TRUE(computing->computeTransformation(kFrame1)->transformation().matrix(true).isApprox(T(0, 3, 0), 1e-12));
  EXPECT_EQ(1, computing->calls);
}

TEST_F(ConstraintBaseTest, CachedTransformationFindsOnlyNonEmptyStoredResults) {
  auto* sw = add<Switch>();
  bool found = true;
  EXPECT_EQ(nullptr, sw->cachedTransformation(kFrame1, found, 0)); // nothing stored
  EXPECT_FALSE(found);
  sw->outPort(0)->addTransform(kFrame1.frameKey()); // stored but empty
  found = true;
  EXPECT_EQ(nullptr, sw->cachedTransformation(kFrame1, found, 0));
  EXPECT_FALSE(found);
  plant(sw, T(1, 0, 0));
  found = true;
  EXPECT_EQ(nullptr, sw->cachedTransformation(kFrame1, found, 1)); // no such port
  EXPECT_FALSE(found);
  EXPECT_EQ(sw->outPort(0)->transform(kFrame1.frameKey()), sw->cachedTransformation(kFrame1, found, 0));
  EXPECT_TRUE(found);
}

// ---- colours ----------------------------------------------------------------------------

TEST_F(ConstraintBaseTest, ColoursAreAppliedWhenTheNodeEntersTheScene) {
  std::unique_ptr<MO_Module> outside(MO_ModuleFactorySingleton().create(QStringLiteral("PointConstraint2")));
  const std::uint32_t hostLight = outside->lightColor();
  EXPECT_NE(qRgb(90, 115, 40), hostLight);
  const struct {
    const char* type;
    QRgb light, dark;
  } rows[] = {{"DynamicSpring", qRgb(90, 115, 40), qRgb(38, 41, 12)},
              {"PointConstraint2", qRgb(90, 115, 40), qRgb(38, 41, 12)},
              {"TransformGate", qRgb(90, 115, 40), qRgb(38, 41, 12)},
              {"Switch", qRgb(97, 209, 152), qRgb(41, 102, 72)}};
  for (const auto& r : rows) {
    const MO_Module* node = add(r.type);
    EXPECT_EQ(r.light, node->lightColor()) << r.type;
    EXPECT_EQ(r.dark, node->darkColor()) << r.type;
  }
}

TEST_F(ConstraintBaseTest, ConstraintLightPreferenceReachesOnlyIdTwoNodesAfterCachePreferences) {
  const char* idTwo[] = {"PointConstraint2", "PointConstraint3", "PointConstraintMulti", "StaticConstraint",
                         "TransformLimit"};
  const char* others[] = {"DynamicSpring", "Switch", "TransformGate"};
  std::vector<std::pair<const MO_Module*, QRgb>> before;
  for (const char* t : idTwo)
    before.emplace_back(add(t), qRgb(90, 115, 40));
  for (const char* t : others) {
    const MO_Module* n = add(t);
    before.emplace_back(n, n->lightColor());
  }
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), qRgb(200, 10, 10));
  for (const auto& [node, light] : before)
    EXPECT_EQ(light, node->lightColor()) << qPrintable(node->moduleTypeName()) << " changed too early";
  scene.cachePreferences();
  for (std::size_t i = 0; i < before.size(); ++i) {
    const MO_Module* node = before[i].first;
    const QRgb expected = i < std::size(idTwo) ? qRgb(200, 10, 10) : before[i].second;
    EXPECT_EQ(expected, node->lightColor()) << qPrintable(node->moduleTypeName());
  }
  EXPECT_EQ(qRgb(38, 41, 12), before[0].first->darkColor());
}

TEST_F(ConstraintBaseTest, SetConstraintTypeRecolours) {
  auto* node = add<StaticConstraint>();
  node->setConstraintType(5);
  EXPECT_EQ(5, node->constraintTypeId());
  EXPECT_EQ(qRgb(97, 209, 152), static_cast<MO_Node*>(node)->lightColor());
  EXPECT_EQ(qRgb(41, 102, 72), static_cast<MO_Node*>(node)->darkColor());
}

// ---- bases ------------------------------------------------------------------------------

TEST(ConstraintAutoInModule, PortKindOneMakesImagePortsAnyOtherMatrixPorts) {
  const struct {
    int kind;
    MO_Port::Kind expected;
  } rows[] = {{1, MO_Port::Image}, {0, MO_Port::Matrix}, {2, MO_Port::Matrix}};
  for (const auto& r : rows) {
    AutoInNode node(r.kind);
    EXPECT_EQ(r.kind, node.inputPortKind());
    EXPECT_EQ(&node, node.owner());
    MO_Port* port = node.portManipulator()->insertPort(0);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(r.expected, port->kind()) << "kind " << r.kind;
  }
}

// ---- pick adaptors upstream ---------------------------------------------------------------

TEST_F(ConstraintBaseTest, FindPickAdaptorUpstreamFollowsMainInputs) {
  auto* peg0 = add<Peg>();
  auto* peg1 = add<Peg>();
  auto* node = add<AppendingNode>();
  auto* below = add<StaticConstraint>();
  const MO_FrameKey key(1.0);
  EXPECT_EQ(peg0->pickAdaptor(), findPickAdaptorUpstream(peg0, key));
  EXPECT_EQ(nullptr, findPickAdaptorUpstream(below, key)); // nothing above
  ASSERT_TRUE(node->link(0, peg0, 0));
  ASSERT_TRUE(node->link(1, peg1, 0));
  ASSERT_TRUE(below->link(0, node, 0));
  EXPECT_EQ(peg0->pickAdaptor(), findPickAdaptorUpstream(below, key));
  node->mainPort = 1;
  EXPECT_EQ(peg1->pickAdaptor(), findPickAdaptorUpstream(below, key));
  node->mainPort = -3; // below 1 counts as input 0
  EXPECT_EQ(peg0->pickAdaptor(), findPickAdaptorUpstream(below, key));
  EXPECT_EQ(nullptr, findPickAdaptorUpstream(nullptr, key));
}

} // namespace
