// The transformation gate between pegs worked out by hand: which input it passes and how far it
// blends by its own activity and a switch, the main input and active port it reports, what it
// reads again after edits, and the ports it leaves uncoloured. (Empty gate ports, on random
// scenes, are the reference check's.)
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

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

// By default the target input 1 passes; an activity of 40 blends 40 % of the way towards it from
// the default input 0, which is then the main one. From kA to kB: translation (−0.5, 0) →
// (2/3, 1/3), angle −20° → 60°, x scale 1 → 2; at 0.4 that is (−1/30, 2/15), 12° and 1.4.
TEST_F(TransformGateTest, ActivityBlendsFromTheDefaultTowardsTheTargetWhichIsMainFromHalfWay) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  const Math::Matrix4x4 forty = T(-1.0 / 30, 2.0 / 15, 0) * Rz(12) * S(1.4, 1, 1);
  const struct {
    double active;
    Math::Matrix4x4 expected;
    int main;
  } rows[] = {{100, kB.matrix(), 1}, {40, forty, 0}};
  for (const auto& r : rows) {
    gate->activeAttr()->setLocalValue(r.active);
    EXPECT_TRUE(matrixNear(output(), r.expected, 1e-12)) << r.active;
    EXPECT_EQ(gate->mainInPortIdAtFrame(kKey1), r.main) << r.active;
    EXPECT_TRUE(gate->isPortActive(kKey1, r.main));
    EXPECT_FALSE(gate->isPortActive(kKey1, 1 - r.main));
  }
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

// The gate keeps what it read at the last frame until the next edit: the switch's activity and
// gate number, its own activity, a switch keyed over frames and a switch unlinked, each changed
// between two questions at the same frame (or the next), must show at once.
TEST_F(TransformGateTest, WhatTheSwitchSaysIsReadAgainAfterEachEditAndEachFrame) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  plugPeg(2, kC);
  Switch* sw = plugSwitch(3, 30, 2);
  EXPECT_TRUE(matrixNear(output(1), blended(kA, kC, 0.3), 1e-12));
  sw->activeAttr()->setLocalValue(90);
  EXPECT_TRUE(matrixNear(output(1), blended(kA, kC, 0.9), 1e-12)) << "the switch's activity";
  sw->gatenumAttr()->setLocalValue(1);
  EXPECT_TRUE(matrixNear(output(1), blended(kA, kB, 0.9), 1e-12)) << "the switch's gate number";
  gate->activeAttr()->setLocalValue(50);
  EXPECT_TRUE(matrixNear(output(1), blended(kA, kB, 0.45), 1e-12)) << "the gate's own activity";
  sw->activeAttr()->keys()->setKey(1, 0.0);
  sw->activeAttr()->keys()->setKey(11, 100.0);
  sw->activeAttr()->changed();
  EXPECT_TRUE(matrixNear(output(6), blended(kA, kB, 0.25), 1e-12)) << "keyed, frame 6";
  EXPECT_TRUE(matrixNear(output(11), blended(kA, kB, 0.5), 1e-12)) << "keyed, frame 11";
  gate->unlink(3);
  EXPECT_TRUE(matrixNear(output(11), blended(kA, kB, 0.5), 1e-12)) << "unlinked: the gate's own target 1";
  gate->activeAttr()->setLocalValue(100);
  EXPECT_EQ(gate->mainInPortIdAtFrame(MO_FrameKey(11.0)), 1);
}

// Without keys or a switch the gate reads its activity once and keeps it; each edit that makes it
// vary again (a key on either gate number or on the activity, a switch linked) must show at once,
// at a frame already asked and at the next. From kA (default 0) towards kB (target 1) or kC (2).
TEST_F(TransformGateTest, AnActivityHeldAtEveryFrameIsReadAgainOnceItVaries) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  plugPeg(2, kC);
  gate->activeAttr()->setLocalValue(40);
  const struct {
    const char* edit;
    std::function<void()> apply;
    double frame;
    Math::Matrix4x4 expected;
  } rows[] = {
      {"activity keyed 0 to 100 over frames 1-11, at frame 1",
       [this] {
         gate->activeAttr()->setKey(1, 0.0);
         gate->activeAttr()->setKey(11, 100.0);
       },
       1, kA.matrix()},
      {"the same keys at frame 6", [] {}, 6, blended(kA, kB, 0.5)},
      {"target gate keyed to 2", [this] { gate->target_gateAttr()->setKey(1, 2); }, 6, blended(kA, kC, 0.5)},
      {"keys removed, activity 100",
       [this] {
         gate->activeAttr()->keys()->clear();
         gate->target_gateAttr()->keys()->clear();
         gate->activeAttr()->setLocalValue(100);
       },
       6, kB.matrix()},
      {"default gate keyed to 2 under a blend",
       [this] {
         gate->activeAttr()->setLocalValue(50);
         gate->default_gateAttr()->setKey(1, 2);
       },
       6, blended(kC, kB, 0.5)},
      {"a switch linked", [this] { plugSwitch(3, 20, 0); }, 6, blended(kC, kA, 0.1)},
  };
  EXPECT_TRUE(matrixNear(output(1), blended(kA, kB, 0.4), 1e-12)) << "held";
  for (const auto& r : rows) {
    r.apply();
    EXPECT_TRUE(matrixNear(output(r.frame), r.expected, 1e-12)) << r.edit;
  }
}

// ---- colours -------------------------------------------------------------------------------

// Which input takes which blend, worked out by hand in HSV, is the node view's
// TheGatesPortsFollowTheSwitch; here what has none: a port without an input and the output.
TEST_F(TransformGateTest, NeitherAnEmptyPortNorTheOutputIsColoured) {
  plugPeg(0, kA);
  plugPeg(1, kB);
  std::uint32_t light = 0, dark = 0;
  EXPECT_TRUE(gate->nvPortColors(1, kKey1, false, light, dark));
  EXPECT_FALSE(gate->nvPortColors(5, kKey1, false, light, dark));
  EXPECT_FALSE(gate->nvPortColors(0, kKey1, true, light, dark));
}

} // namespace
