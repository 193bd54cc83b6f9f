// The constraint bases as other nodes and the host meet them: switch-modulated activity, pivot
// visitors forwarded up input 0, port matrices, the two pipelines (the base one serving a stored
// result, the computing one always computing), the colours applied on entering a scene and on
// preference changes. (Disabled and declining nodes are checked through the real ones.)
#include <gtest/gtest.h>

#include <QColor>
#include <memory>

#include "Core/ConstraintPipeline.h"
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

// Two inputs through the base pipeline; its main input can be chosen.
class AppendingNode : public Constraint_Module {
public:
  AppendingNode() : Constraint_Module(2) {
    addInMatrixPort();
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("CoreTestAppending"); }
  int mainInPortIdAtFrame(const MO_FrameKey&) const override { return mainPort; }
  int mainPort = 0;
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
    return ConstraintPipeline::computing(*this, ctx, [this](const Math::Matrix4x4& in) {
      ++calls;
      seen = in;
      return std::optional<Math::Matrix4x4>(result);
    });
  }
  int calls = 0;
  Math::Matrix4x4 seen;
  Math::Matrix4x4 result = T(5, 0, 0);
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
  } rows[] = {{"inverted switch", -100, sw, 30, 0.7},     {"scaled by switch", 50, sw, 30, 0.15},
              {"switch at zero", 100, sw, 0, 0.0},        {"inverted full switch", -100, sw, 100, 0.0},
              {"peg is no switch", 50, peg, 30, 0.5},     {"non-switch constraint", -100, other, 30, -1.0},
              {"nothing connected", 50, nullptr, 30, 0.5}};
  for (const auto& r : rows) {
    sw->activeAttr()->setLocalValue(r.switchValue);
    EXPECT_NEAR(r.expected, switchModulatedActivity(kFrame1, r.active, r.node), 1e-12) << r.name;
  }
}

// ---- pivot visitors ---------------------------------------------------------------------

// Up input 0 to the peg, through other constraints; a chain whose input 0 is empty (the peg hangs
// on input 1) leaves the visitor's pivot as it was.
TEST_F(ConstraintBaseTest, PivotVisitorGoesUpInputZeroToThePegOrKeepsItsPivot) {
  auto* peg = add<Peg>();
  peg->pivotAttr()->x()->setLocalValue(1);
  peg->pivotAttr()->y()->setLocalValue(2);
  peg->pivotAttr()->z()->setLocalValue(3);
  auto* upper = add<StaticConstraint>();
  auto* lower = add<StaticConstraint>();
  ASSERT_TRUE(upper->link(0, peg, 0));
  ASSERT_TRUE(lower->link(0, upper, 0));
  for (const Math::Point3d& p : {modulePivot(kFrame1, lower), lower->nodePivot(kFrame1)})
    EXPECT_TRUE(p == Math::Point3d(1, 2, 3)) << p.x << " " << p.y << " " << p.z;
  auto* top = add<AppendingNode>();
  auto* bottom = add<StaticConstraint>();
  ASSERT_TRUE(top->link(1, peg, 0));
  ASSERT_TRUE(bottom->link(0, top, 0));
  MO_PivotVisitor visitor(kFrame1);
  visitor.setPivot(Math::Point3d(7, 8, 9));
  bottom->acceptVisitor(&visitor);
  EXPECT_TRUE(visitor.getPivot() == Math::Point3d(7, 8, 9));
  EXPECT_EQ(0.0, modulePivot(kFrame1, nullptr).x);
}

// ---- port matrices ----------------------------------------------------------------------

// Scene units to drawing units at 1/12: a peg at (12, 24, 0) moves by (1, 2, 0); its zero x
// scale is guarded.
TEST_F(ConstraintBaseTest, PortMatrixReadsTheInputInDrawingUnitsWithItsScaleGuarded) {
  auto* peg = add<Peg>();
  peg->position()->x()->setLocalValue(12);
  peg->position()->y()->setLocalValue(24);
  peg->scale()->x()->setLocalValue(0);
  auto* node = add<AppendingNode>();
  ASSERT_TRUE(node->link(1, peg, 0));
  EXPECT_TRUE(node->portMatrix(kFrame1, 1, true).isApprox(T(1, 2, 0) * Math::Matrix4x4().scale(-0.0001, 1, 1), 1e-12));
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

// ---- colours ----------------------------------------------------------------------------

// Colours are applied as a node enters the scene; a changed preference reaches the nodes of its
// type id only once the scene caches preferences again.
TEST_F(ConstraintBaseTest, ColoursFollowTheTypeIdOnEntryAndPreferencesAfterCachePreferences) {
  const QRgb constraint = qRgb(90, 115, 40), set = qRgb(200, 10, 10), sw = qRgb(97, 209, 152);
  const struct {
    const char* type;
    QRgb light, afterwards;
  } rows[] = {{"PointConstraint2", constraint, set},     {"PointConstraintMulti", constraint, set},
              {"TransformLimit", constraint, set},       {"DynamicSpring", constraint, constraint},
              {"TransformGate", constraint, constraint}, {"Switch", sw, sw}};
  std::vector<const MO_Module*> nodes;
  for (const auto& r : rows)
    nodes.push_back(add(r.type));
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), set);
  for (std::size_t i = 0; i < nodes.size(); ++i)
    EXPECT_EQ(rows[i].light, nodes[i]->lightColor()) << rows[i].type;
  scene.cachePreferences();
  for (std::size_t i = 0; i < nodes.size(); ++i)
    EXPECT_EQ(rows[i].afterwards, nodes[i]->lightColor()) << rows[i].type;
  EXPECT_EQ(qRgb(38, 41, 12), nodes[0]->darkColor());
  EXPECT_EQ(qRgb(41, 102, 72), nodes.back()->darkColor());
}

} // namespace
