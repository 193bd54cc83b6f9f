// The transformation gate between pegs worked out by hand: which input it passes and how far it
// blends by its own activity and a switch found on any input, the main input and active port it
// reports, its port colours, and colours applied once per type id.
#include <gtest/gtest.h>

#include <QColor>
#include <memory>
#include <vector>

#include "Core/NodeColors.h"
#include "HostInterface/HostPreferences.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/Switch.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

// Three pegs differing in translation, angle about z and x scale.
const PegParts kA{{-6, 0, 0}, {0, 0, -20}, {1, 1, 1}};
const PegParts kB{{8, 4, 0}, {0, 0, 60}, {2, 1, 1}};
const PegParts kC{{0, 12, 0}, {0, 0, 100}, {0.5, 1, 1}};

// r of the way from `from` to `to`: translation, angle (less than half a turn apart here) and
// x scale each interpolated linearly.
Math::Matrix4x4 blended(const PegParts& from, const PegParts& to, double r) {
  const auto lerp = [r](double a, double b) { return a + (b - a) * r; };
  return T(lerp(from.position.x, to.position.x) / 12, lerp(from.position.y, to.position.y) / 12, 0) *
         Rz(lerp(from.rotation.z, to.rotation.z)) * S(lerp(from.scale.x, to.scale.x), 1, 1);
}

class TransformGateTest : public ::testing::Test {
protected:
  void SetUp() override {
    rxPref->clear();
    gate = static_cast<TransformGateModule*>(scene.addNode(std::make_unique<TransformGateModule>()));
  }
  void TearDown() override { rxPref->clear(); }
  void plug(int port, MO_Module* node) {
    gate->ensureInPort(port);
    ASSERT_TRUE(gate->link(port, node, 0));
  }
  Peg* plugPeg(int port, const PegParts& p) {
    Peg* peg = addPeg(scene, p);
    plug(port, peg);
    return peg;
  }
  Switch* plugSwitch(int port, double active, int gatenum) {
    auto* sw = static_cast<Switch*>(scene.addNode(std::make_unique<Switch>()));
    sw->activeAttr()->setLocalValue(active);
    sw->gatenumAttr()->setLocalValue(gatenum);
    plug(port, sw);
    return sw;
  }
  Math::Matrix4x4 output(double frame = 1) { return SC_SceneEvaluator(scene).evaluate(gate, frame); }

  SC_SceneCommon scene;
  TransformGateModule* gate = nullptr;
};

const MO_FrameKey kKey1(1.0);

TEST_F(TransformGateTest, DefaultsPassTheTargetInputOne) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  EXPECT_TRUE(matrixNear(output(), kB.matrix(), 1e-12));
  EXPECT_EQ(gate->mainInPortIdAtFrame(kKey1), 1);
  EXPECT_TRUE(gate->isPortActive(kKey1, 1));
  EXPECT_FALSE(gate->isPortActive(kKey1, 0));
}

TEST_F(TransformGateTest, ActivityFortyBlendsFortyPercentTowardsTheTargetFromTheDefault) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  gate->activeAttr()->setLocalValue(40);
  // Translation (−0.5, 0) → (2/3, 1/3), angle −20° → 60°, x scale 1 → 2: at 0.4 that is
  // (−1/30, 2/15), 12° and 1.4.
  const Math::Matrix4x4 expected = T(-1.0 / 30, 2.0 / 15, 0) * Rz(12) * S(1.4, 1, 1);
  EXPECT_TRUE(matrixNear(blended(kA, kB, 0.4), expected, 1e-15));
  EXPECT_TRUE(matrixNear(output(), expected, 1e-12));
  EXPECT_EQ(gate->mainInPortIdAtFrame(kKey1), 0);
  EXPECT_TRUE(gate->isPortActive(kKey1, 0));
  EXPECT_FALSE(gate->isPortActive(kKey1, 1));
}

TEST_F(TransformGateTest, NegativeActivityInvertsTheSwitchWhoseGateNumberBecomesTheTarget) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  plugPeg(2, kC);
  plugSwitch(3, 30, 2);
  gate->activeAttr()->setLocalValue(-100);
  double ratio = 0;
  int deflt = -1, target = -1, switchPort = -2;
  bool hasSwitch = false;
  EXPECT_EQ(gate->resolveGate(1, &ratio, &deflt, &target, &switchPort, &hasSwitch), 2);
  EXPECT_NEAR(ratio, 0.7, 1e-15);
  EXPECT_EQ(deflt, 0);
  EXPECT_EQ(target, 2);
  EXPECT_EQ(switchPort, 3);
  EXPECT_TRUE(hasSwitch);
  EXPECT_EQ(gate->mainInPortIdAtFrame(kKey1), 2);
  EXPECT_TRUE(matrixNear(output(), blended(kA, kC, 0.7), 1e-12));
}

struct SwitchAt {
  int port;
  double active;
  int gatenum;
};

struct SwitchRow {
  const char* name;
  std::vector<SwitchAt> switches;
  int switchPort;
  double ratio;
};
void PrintTo(const SwitchRow& r, std::ostream* os) { *os << r.name; }

class TransformGateSwitches : public TransformGateTest, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(TransformGateSwitches, TheSwitchOnTheLowestPortDecides) {
  // Default gate 1 and the switches' target 2, so that port 0 is free for a switch.
  gate->default_gateAttr()->setLocalValue(1);
  plugPeg(1, kA);
  plugPeg(2, kB);
  for (const SwitchAt& s : GetParam().switches)
    plugSwitch(s.port, s.active, s.gatenum);
  double ratio = 0;
  int switchPort = -2;
  gate->resolveGate(1, &ratio, nullptr, nullptr, &switchPort);
  EXPECT_EQ(switchPort, GetParam().switchPort);
  EXPECT_NEAR(ratio, GetParam().ratio, 1e-15);
  EXPECT_TRUE(matrixNear(output(), blended(kA, kB, GetParam().ratio), 1e-12));
}

INSTANTIATE_TEST_SUITE_P(
    Ports, TransformGateSwitches,
    ::testing::Values(SwitchRow{"onPortZero", {{0, 25, 2}}, 0, 0.25},
                      SwitchRow{"pastAGap", {{5, 25, 2}}, 5, 0.25},
                      SwitchRow{"twoSwitchesLowerAt80", {{3, 80, 2}, {4, 25, 1}}, 3, 0.8},
                      SwitchRow{"overHundredHeldToOne", {{0, 130, 2}}, 0, 1.0}),
    [](const ::testing::TestParamInfo<SwitchRow>& p) { return std::string(p.param.name); });

TEST_F(TransformGateTest, EqualDefaultAndTargetPassThatInputUnblended) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  gate->default_gateAttr()->setLocalValue(1);
  gate->activeAttr()->setLocalValue(40);
  EXPECT_TRUE(matrixNear(output(), SC_SceneEvaluator(scene).evaluate(gate->inputModule(1), 1), 0));
}

TEST_F(TransformGateTest, NothingOnTheDefaultGatesPortGivesTheIdentity) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  gate->default_gateAttr()->setLocalValue(4);
  EXPECT_TRUE(matrixNear(output(), Math::Matrix4x4(), 0));
}

TEST_F(TransformGateTest, EmptyGatePortsStandForEachOtherWhenASwitchChooses) {
  plugPeg(0, kA);
  plugSwitch(2, 80, 1);  // target 1 is empty; r = 0.8 leads to it
  double ratio = 0;
  int deflt = -1, target = -1;
  EXPECT_EQ(gate->resolveGate(1, &ratio, &deflt, &target), 0);
  EXPECT_EQ(target, 0);
  EXPECT_EQ(deflt, 0);
  EXPECT_TRUE(matrixNear(output(), kA.matrix(), 1e-12));
}

// ---- colours -------------------------------------------------------------------------------

TEST_F(TransformGateTest, SameTypeIdAppliesColoursOnlyOnce) {
  MO_Node* node = gate;
  const std::uint32_t light = QColor(90, 115, 40).rgb(), dark = QColor(38, 41, 12).rgb();
  EXPECT_EQ(node->lightColor(), light);
  EXPECT_EQ(node->darkColor(), dark);
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTMATRIX_LIGHT_COLOR"), QColor(1, 2, 3).rgb());
  gate->setConstraintType(0);
  scene.cachePreferences();
  EXPECT_EQ(node->lightColor(), light);
  gate->setConstraintType(5);
  EXPECT_EQ(node->lightColor(), QColor(97, 209, 152).rgb());
  gate->setConstraintType(0);
  EXPECT_EQ(node->lightColor(), QColor(1, 2, 3).rgb());
  EXPECT_EQ(node->darkColor(), dark);
}

TEST_F(TransformGateTest, PortColoursFollowTheRatio) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  plugSwitch(2, 30, 1);
  const ColorPair outlines = constraintTypeColors(7);
  const struct {
    int port;
    bool isOutput, coloured;
    std::uint32_t light, dark;
  } rows[] = {
      {2, false, true, switchPortColors().first, switchPortColors().second},
      {1, false, true, gatePortColorBlend(0.3), outlines.first},
      {0, false, true, gatePortColorBlend(0.7), outlines.second},
      {5, false, false, 0, 0},
      {0, true, false, 0, 0},
  };
  for (const auto& r : rows) {
    std::uint32_t light = 0, dark = 0;
    EXPECT_EQ(gate->nvPortColors(r.port, kKey1, r.isOutput, light, dark), r.coloured) << r.port;
    if (r.coloured) {
      EXPECT_EQ(light, r.light) << r.port;
      EXPECT_EQ(dark, r.dark) << r.port;
    }
  }
  EXPECT_NE(gatePortColorBlend(0.3), gatePortColorBlend(0.7));
}

} // namespace
