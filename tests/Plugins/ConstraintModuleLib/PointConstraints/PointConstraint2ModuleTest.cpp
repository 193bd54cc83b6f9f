// The two-points node in scenes: the camera skipped inside its own evaluation, the main input
// from selection and clicks, and what it keeps between frames and edits. (Which peg is primary,
// ties included, and what passes when it does not compute are the reference check's.)
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <iterator>

#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraintsTestUtil.h"

namespace {

using namespace pctest;

// Right pivot (0, 0), left (4, 0) scene units, each peg turned about its own pivot.
struct TwoPegs {
  TwoPegs() {
    right = addPeg(scene, {0, 0, 0}, 10);
    left = addPeg(scene, {4, 0, 0}, 20);
    node = static_cast<PointConstraint2Module*>(scene.addNode(std::make_unique<PointConstraint2Module>()));
    node->link(0, right, 0), node->link(1, left, 0);
  }
  SC_SceneCommon scene;
  Peg *right, *left;
  PointConstraint2Module* node;
};

// A scene camera that computes the node again while the node asks for the camera, as a camera
// hanging below it may; it records what that nested computation gives.
struct ProbeCamera : MO_Module {
  ProbeCamera() { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("ProbeCamera"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    if (++calls == 1)
      seen = watched->computeTransformation(ctx)->transformation().matrix(true);
    return MO_Module::computeTransformation(ctx);
  }
  MO_Module* watched = nullptr;
  int calls = 0;
  Math::Matrix4x4 seen;
};

TEST(PointConstraint2Module, ProjectionSkipsTheCameraInsideItsOwnEvaluation) {
  Math::Matrix4x4 result[2];
  for (int project = 0; project < 2; ++project) {
    TwoPegs s;
    s.left->position()->z()->setLocalValue(6);
    s.node->flattentypeAttr()->setLocalValue(project ? 2 : 1);
    auto* camera = static_cast<ProbeCamera*>(s.scene.addNode(std::make_unique<ProbeCamera>()));
    camera->watched = s.node;
    s.scene.setCamera(camera);
    result[project] = evaluate(s.scene, s.node);
    EXPECT_EQ(camera->calls, project);
    if (project) {
      EXPECT_TRUE(matrixNear(camera->seen, result[0], 1e-12)); // nested: unprojected
    }
  }
  EXPECT_FALSE(matrixNear(result[1], result[0], 1e-3)); // the outer computation did project
}

TEST(PointConstraint2Module, SelectionThenClicksChooseTheMainInputAndATieTakesTheLeftPeg) {
  for (int selected : {0, 1}) {
    TwoPegs s;
    s.node->primaryportAttr()->setLocalValue(2 - selected); // the other peg by default
    (selected ? s.left : s.right)->setSelected(true);
    evaluate(s.scene, s.node);
    EXPECT_EQ(s.node->mainInPortId(), selected);
  }
  TwoPegs s;
  evaluate(s.scene, s.node);
  // Pivots at drawing (0, 0) and (2, 0): pixels (100, 50) and (200, 50).
  for (const auto& [x, main] : {std::pair{120.0, 0}, {160.0, 1}, {150.0, 1}}) {
    EXPECT_TRUE(MO_MainPortModuleVisitor(Math::Point2d(x, 80), faceOnView()).visitModule(s.node));
    EXPECT_EQ(s.node->mainInPortId(), main) << x;
  }
}

// What the node keeps between frames (settings without keys, its pegs' rest pivots) must follow
// every edit: after each edit the node gives what a scene built with the edited value gives.
// The left peg is moved off its rest place so that the segment turns and stretches.
TEST(PointConstraint2Module, EditsBetweenEvaluationsReachWhatTheNodeKeeps) {
  const std::function<void(TwoPegs&)> edits[] = {[](TwoPegs& s) { s.left->pivotAttr()->x()->setLocalValue(6); },
                                                 [](TwoPegs& s) { s.right->pivotAttr()->y()->setLocalValue(1); },
                                                 [](TwoPegs& s) { s.node->volumemodAttr()->setLocalValue(20); },
                                                 [](TwoPegs& s) { s.node->skewcontrolAttr()->setLocalValue(60); },
                                                 [](TwoPegs& s) { s.node->transformtypeAttr()->setLocalValue(1); }};
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    TwoPegs edited, fresh;
    for (TwoPegs* s : {&edited, &fresh})
      s->left->position()->x()->setLocalValue(1), s->left->position()->y()->setLocalValue(2);
    const Math::Matrix4x4 before = evaluate(edited.scene, edited.node);
    edits[i](edited);
    edits[i](fresh);
    const Math::Matrix4x4 expected = evaluate(fresh.scene, fresh.node);
    EXPECT_FALSE(matrixNear(before, expected, 1e-9)) << "edit " << i << " changes nothing: a weak row";
    EXPECT_TRUE(matrixNear(evaluate(edited.scene, edited.node), expected, 0)) << "edit " << i;
  }
}

// With keys, ACTIVE is read at each frame: 0 at frame 1 passes the right peg, 100 at frame 3
// gives the constrained result.
TEST(PointConstraint2Module, KeyedSettingsAreReadAtEachFrame) {
  TwoPegs keyed, full;
  keyed.node->activeAttr()->setKey(1, 0);
  keyed.node->activeAttr()->setKey(3, 100);
  SC_SceneEvaluator evaluator(keyed.scene);
  EXPECT_TRUE(matrixNear(evaluator.evaluate(keyed.node, 1), evaluator.evaluate(keyed.right, 1), 1e-12));
  EXPECT_TRUE(matrixNear(evaluator.evaluate(keyed.node, 3), SC_SceneEvaluator(full.scene).evaluate(full.node, 3), 0));
}

// Under TOPMOST the primary changes sides when the right peg rises past the left one (z keyed
// from −2 at frame 1 to 2 at frame 3); the segment then runs the other way from the other pivot,
// so each frame must give what a scene asked that frame alone gives, in either order.
TEST(PointConstraint2Module, APrimaryChangingSidesBetweenFramesTurnsItsRestSegmentAround) {
  const auto build = [](TwoPegs& s) {
    s.node->primaryportAttr()->setLocalValue(3);
    s.left->position()->x()->setLocalValue(1), s.left->position()->y()->setLocalValue(2);
    s.right->position()->z()->setKey(1, -2);
    s.right->position()->z()->setKey(3, 2);
  };
  pctest::expectEachFrameAsIfAlone<TwoPegs>(build, 1, 3);
}

} // namespace
