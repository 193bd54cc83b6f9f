// Evaluation through ports: stored results are reused until an edit, links refuse cycles,
// variable ports keep their links when moved.
#include <gtest/gtest.h>

#include <functional>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

// Appends a translation by (1, 0, 0) and counts how often it really computes.
class CountingNode : public MO_Module {
public:
  CountingNode() {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("Counting"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    return computeAppending(ctx, [this](double) {
      ++computed;
      return Math::Matrix4x4().translate(1, 0, 0);
    });
  }
  int computed = 0;
};

class MultiInput : public MO_AutoInPortsModule {
public:
  MultiInput() : MO_AutoInPortsModule(new MO_MatrixPortManipulator(this)) { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("Multi"); }
};

struct Chain {
  SC_SceneCommon scene;
  Peg* top;
  CountingNode* a;
  CountingNode* b;
  Chain() {
    top = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    a = static_cast<CountingNode*>(scene.addNode(std::make_unique<CountingNode>()));
    b = static_cast<CountingNode*>(scene.addNode(std::make_unique<CountingNode>()));
    a->link(0, top, 0);
    b->link(0, a, 0);
  }
};

TEST(Evaluation, StoredResultsAreReusedUntilAnEdit) {
  Chain c;
  SC_SceneEvaluator eval(c.scene);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  EXPECT_EQ(eval.evaluate(c.a, 1).origin(), Math::Point3d(1, 0, 0));
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  EXPECT_EQ(c.a->computed, 1);
  EXPECT_EQ(c.b->computed, 1);

  // Another frame is computed on its own.
  eval.evaluate(c.b, 2);
  EXPECT_EQ(c.a->computed, 2);

  // An upstream edit drops what was stored: the new value shows at once.
  c.top->position()->x()->setLocalValue(24);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(4, 0, 0));
  EXPECT_EQ(c.a->computed, 3);
}

TEST(Evaluation, RelinkingAndDisablingAreEditsToo) {
  Chain c;
  SC_SceneEvaluator eval(c.scene);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  c.b->link(0, c.top, 0);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
  c.b->setEnabled(false);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(0, 0, 0));
  c.b->unlink(0);
  c.b->setEnabled(true);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
}

TEST(Links, CyclesAndMissingPortsAreRefusedWithAReason) {
  Chain c;
  QString why;
  EXPECT_FALSE(c.top->link(0, c.b, 0, &why));
  EXPECT_TRUE(why.contains(QStringLiteral("cycle")));
  EXPECT_FALSE(c.a->link(0, c.a, 0, &why));
  EXPECT_FALSE(c.a->link(3, c.top, 0, &why));
  EXPECT_FALSE(c.a->link(0, c.top, 1, &why));
  EXPECT_EQ(c.a->inputModule(0), c.top); // the old link is still there
}

TEST(Links, RemovingANodeCutsTheLinksToIt) {
  Chain c;
  c.scene.removeNode(c.a);
  EXPECT_EQ(c.b->inputModule(0), nullptr);
  EXPECT_EQ(c.scene.nodes().size(), 2u);
  EXPECT_EQ(SC_SceneEvaluator(c.scene).evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
}

TEST(VariablePorts, InsertRemoveAndMoveKeepLinksWithTheirPorts) {
  SC_SceneCommon scene;
  auto* multi = static_cast<MultiInput*>(scene.addNode(std::make_unique<MultiInput>()));
  Peg* pegs[3];
  for (auto& p : pegs)
    p = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  multi->ensureInPort(2);
  ASSERT_EQ(multi->nInPorts(), 3);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(multi->link(i, pegs[i], 0));
  const int movedId = multi->inPort(0)->id();

  MO_PortManipulator* m = multi->portManipulator();
  ASSERT_TRUE(m->movePort(0, 2));
  EXPECT_EQ(multi->inputModule(0), pegs[1]);
  EXPECT_EQ(multi->inputModule(1), pegs[2]);
  EXPECT_EQ(multi->inputModule(2), pegs[0]);
  EXPECT_EQ(multi->inPort(2)->id(), movedId);

  ASSERT_NE(m->insertPort(1), nullptr);
  EXPECT_EQ(multi->inputModule(1), nullptr);
  EXPECT_EQ(multi->inputModule(2), pegs[2]);
  ASSERT_TRUE(m->removePort(0));
  EXPECT_EQ(multi->nInPorts(), 3);
  EXPECT_EQ(multi->inputModule(2), pegs[0]);
}

// Whether anything upstream is selected is kept between frames: selecting, deselecting,
// linking and unlinking between two questions must each show, as a walk up the links tells.
TEST(MO_NodeSelection, UpstreamSelectionFollowsSelectionsAndLinks) {
  SC_SceneCommon scene;
  auto* top = scene.addNode(std::make_unique<Peg>());
  auto* middle = scene.addNode(std::make_unique<Peg>());
  auto* bottom = scene.addNode(std::make_unique<Peg>());
  auto* aside = scene.addNode(std::make_unique<Peg>());
  ASSERT_TRUE(middle->link(0, top, 0));
  ASSERT_TRUE(bottom->link(0, middle, 0));
  struct Step {
    const char* what;
    std::function<void()> change;
    bool expected;
  };
  const Step steps[] = {{"nothing selected", [] {}, false},
                        {"the top selected", [&] { top->setSelected(true); }, true},
                        {"the top deselected", [&] { top->setSelected(false); }, false},
                        {"a node aside selected", [&] { aside->setSelected(true); }, false},
                        {"the node aside linked above", [&] { ASSERT_TRUE(top->link(0, aside, 0)); }, true},
                        {"the middle unlinked", [&] { bottom->unlink(0); }, false},
                        {"the bottom itself selected", [&] { bottom->setSelected(true); }, true}};
  for (const Step& s : steps) {
    s.change();
    EXPECT_EQ(bottom->isSelectedInputRecursive(), s.expected) << s.what;
    EXPECT_EQ(bottom->isSelectedInputRecursive(), bottom->selectedUpstream()) << s.what;
  }
}

} // namespace
