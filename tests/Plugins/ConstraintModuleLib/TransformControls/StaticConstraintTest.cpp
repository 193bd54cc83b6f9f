// The static transformation node in a scene: what it appends (and when it passes its input
// through), its two bake buttons pressed as an editor presses them, with undo, and the messages
// it prints when it cannot work.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HostInterface/HostServices.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "PlugInManager/PLUG_ScopedSession.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

const QString kBakeName = QStringLiteral("Bake Transformation onto Constraint");

class StaticConstraintTest : public ::testing::Test {
protected:
  StaticConstraint* addStatic(MO_Module* input) {
    auto* node = static_cast<StaticConstraint*>(scene.addNode(std::make_unique<StaticConstraint>()));
    if (input) {
      EXPECT_TRUE(node->link(0, input, 0));
    }
    return node;
  }
  Math::Matrix4x4 eval(MO_Module* node, double frame = 1) { return SC_SceneEvaluator(scene).evaluate(node, frame); }
  // Every value a bake or an undo can touch, keys included, as the scene file holds them.
  QByteArray snapshot() const { return PIO_SceneWriter::writeData(scene); }
  // Presses a button the way an editor does, in a session over the scene at `frame`.
  void press(StaticConstraint* node, bool all, double frame = 1) {
    scene.setCurrentFrame(frame);
    PLUG_ScopedSession session(&scene, &manager);
    (all ? node->bakeAllAttr() : node->bakeImmediateAttr())->press();
  }

  SC_SceneCommon scene;
  CO_CommandManager manager;
};

// ---- evaluation ---------------------------------------------------------------------------

TEST_F(StaticConstraintTest, AppendsOnlyWhenActiveAndEnabled) {
  Peg* peg = addPeg(scene, {{0, 12, 0}, {0, 0, 90}});
  StaticConstraint* node = addStatic(peg);
  node->translateAttr()->x()->setLocalValue(12); // one drawing unit
  node->rotateAttr()->angleY()->setLocalValue(70);
  node->invertedAttr()->setLocalValue(true);
  EXPECT_TRUE(matrixNear(eval(node), eval(peg), 0)); // inactive: whatever the other attributes hold
  node->rotateAttr()->angleY()->setLocalValue(0);
  node->invertedAttr()->setLocalValue(false);
  node->activeAttr()->setLocalValue(true);
  // Rz(90) carries the appended x step onto y.
  EXPECT_TRUE(matrixNear(eval(node), T(0, 1, 0) * Rz(90) * T(1, 0, 0), 1e-12));
  node->setEnabled(false);
  EXPECT_TRUE(matrixNear(eval(node), T(0, 1, 0) * Rz(90), 1e-12));
}

TEST_F(StaticConstraintTest, ZeroScaleThatCannotBeInvertedIsUsedAsComposedAndGuarded) {
  StaticConstraint* node = addStatic(addPeg(scene, {}));
  node->activeAttr()->setLocalValue(true);
  node->scaleAttr()->x()->setLocalValue(0);
  node->invertedAttr()->setLocalValue(true);
  testing::internal::CaptureStdout();
  eval(node);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to invert 0-scaled matrix\n");
  // Not inverted; the exact zero scale is replaced by −0.0001.
  EXPECT_TRUE(matrixNear(node->staticMatrix(), S(-1e-4, 1, 1), 0));
}

// ---- baking -------------------------------------------------------------------------------

TEST_F(StaticConstraintTest, ImmediateBakeKeepsOnlyTheParentsOwnMatrix) {
  const PegParts grandparent{{6, -3, 12}, {0, 0, 30}, {1.5, 1, 1}, 0};
  const PegParts parent{{4, 2, 0}, {0, 0, 40}, {1.2, 0.8, 1}, 10};
  StaticConstraint* node = addStatic(addPeg(scene, parent, addPeg(scene, grandparent)));
  press(node, false);
  EXPECT_TRUE(matrixNear(node->staticMatrix(), parent.matrix(), 1e-9));
  // The translation goes back to scene units.
  EXPECT_NEAR(node->translateAttr()->x()->localValue(), 4, 1e-9);
  EXPECT_NEAR(node->translateAttr()->y()->localValue(), 2, 1e-9);
}

TEST_F(StaticConstraintTest, ImmediateBakeUnderASingularGrandparentBakesEverythingAndSaysSo) {
  Peg* grandparent = addPeg(scene, {{0, 0, 0}, {0, 0, 0}, {1, 1, 0}, 0}); // z scale 0: no inverse
  Peg* parent = addPeg(scene, {{4, 2, 0}, {0, 0, 40}}, grandparent);
  StaticConstraint* immediate = addStatic(parent);
  StaticConstraint* all = addStatic(parent);
  testing::internal::CaptureStdout();
  press(immediate, false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Caught a 0-Scaled matrix, failed to inverse.\n");
  press(all, true);
  EXPECT_TRUE(matrixNear(immediate->staticMatrix(), all->staticMatrix(), 0));
}

TEST_F(StaticConstraintTest, UndoRestoresEveryAttributeExactlyAndRedoBakesAgain) {
  Peg* peg = addPeg(scene, {{6, -3, 12}, {0, 0, 30}, {1.5, 0.8, 1}, 15});
  StaticConstraint* node = addStatic(peg);
  node->translateAttr()->x()->setKey(1, 0);
  node->translateAttr()->x()->setKey(20, 24);
  node->rotateAttr()->angleX()->setLocalValue(10);
  node->scaleAttr()->y()->setLocalValue(3);
  node->skewXAttr()->setLocalValue(5);
  node->invertedAttr()->setLocalValue(true);
  const QByteArray before = snapshot();
  press(node, true, 5);
  const QByteArray baked = snapshot();
  ASSERT_FALSE(baked == before);
  EXPECT_NEAR(node->translateAttr()->x()->value(5), 6, 1e-9); // a key at the frame
  EXPECT_TRUE(node->invertedAttr()->localValue());            // never baked
  ASSERT_TRUE(manager.undo());
  EXPECT_TRUE(snapshot() == before);
  ASSERT_TRUE(manager.redo());
  EXPECT_TRUE(snapshot() == baked);
}

// What arrives, built from pegs; every row is baked whole and must come back.
struct IncomingRow {
  const char* name;
  std::vector<PegParts> chain; // outermost first
};
void PrintTo(const IncomingRow& r, std::ostream* os) { *os << r.name; }

class StaticBakeRoundTrip : public ::testing::TestWithParam<IncomingRow> {};

TEST_P(StaticBakeRoundTrip, BakedMatrixReproducesTheIncomingOneAndInvertedCancelsIt) {
  SC_SceneCommon scene;
  CO_CommandManager manager;
  MO_Module* last = nullptr;
  Math::Matrix4x4 incoming;
  for (const PegParts& p : GetParam().chain) {
    last = addPeg(scene, p, last);
    incoming = incoming * p.matrix();
  }
  auto* node = static_cast<StaticConstraint*>(scene.addNode(std::make_unique<StaticConstraint>()));
  ASSERT_TRUE(node->link(0, last, 0));
  {
    PLUG_ScopedSession session(&scene, &manager);
    node->bakeAllAttr()->press();
  }
  EXPECT_TRUE(matrixNear(node->staticMatrix(), incoming, 1e-6));
  SC_SceneEvaluator evaluator(scene);
  EXPECT_TRUE(matrixNear(evaluator.evaluate(node, 1), incoming * incoming, 1e-6));
  node->invertedAttr()->setLocalValue(true);
  EXPECT_TRUE(matrixNear(evaluator.evaluate(node, 1), Math::Matrix4x4(), 1e-6));
}

INSTANTIATE_TEST_SUITE_P(Incoming, StaticBakeRoundTrip,
                         // One part alone (decomposeForBake's table has the others) and two chains.
                         ::testing::Values(IncomingRow{"translatedIn3d", {{{12, -24, 36}}}},
                                           IncomingRow{"mirroredAboveA3dTurn",
                                                       {{{0, 0, 0}, {0, 0, 0}, {-1, 1, 1}}, {{2, 0, 1}, {10, 20, 30}}}},
                                           IncomingRow{"scaledParentOverSkewedChild",
                                                       {{{6, -3, 12}, {0, 0, 30}, {1.5, 1, 1}},
                                                        {{4, 0, 0}, {0, 0, 45}, {1, 0.8, 1}, 15}}}),
                         [](const ::testing::TestParamInfo<IncomingRow>& p) { return std::string(p.param.name); });

// ---- messages -----------------------------------------------------------------------------

TEST_F(StaticConstraintTest, ButtonWithoutSessionOrCommandManagerSaysSoAndChangesNothing) {
  StaticConstraint* node = addStatic(addPeg(scene, {{12, 0, 0}, {0, 0, 30}}));
  const struct {
    bool session;
    const char* message;
  } rows[] = {{false, "No Session available - ensure a scene is loaded/active.\n"},
              {true, "No command-manager available.\n"}};
  for (const auto& r : rows) {
    const QByteArray before = snapshot();
    const int compositions = node->compositions();
    std::unique_ptr<PLUG_ScopedSession> session;
    if (r.session)
      session = std::make_unique<PLUG_ScopedSession>(&scene, nullptr);
    testing::internal::CaptureStdout();
    node->bakeAllAttr()->press();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), r.message);
    EXPECT_TRUE(snapshot() == before) << r.message;
    EXPECT_EQ(node->compositions(), compositions) << r.message;
  }
  EXPECT_TRUE(manager.history().isEmpty());
}

} // namespace
