// What ports keep of past frames: a bounded set of recent frames, recomputed exactly when asked
// again, and never freed under a node that still holds it while it computes other frames.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/MO_PortTransformStore.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

// Appends a translation by (frame, 0, 0) and counts its computations per frame.
class Counting : public MO_Module {
public:
  Counting() {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("Counting"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    return computeAppending(ctx, [this](double f) {
      ++computed[static_cast<int>(f)];
      return Math::Matrix4x4().translate(f, 0, 0);
    });
  }
  std::map<int, int> computed;
};

// Like a node with a per-frame history: frame f needs frames 1 to f-1, which it asks of its own
// output port in increasing order while holding the transformation of frame f. Its x offset at
// frame f is the history's value f (each frame adds 1 to the one before).
class SelfHistory : public MO_Module {
public:
  SelfHistory() {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("SelfHistory"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    MO_PortTransform* mine = MO_Module::computeTransformation(ctx);
    const int f = static_cast<int>(ctx.frame());
    if (m_history.size() < static_cast<std::size_t>(f) + 1)
      m_history.resize(static_cast<std::size_t>(f) + 1, 0.0);
    for (int g = 1; g < f; ++g)
      if (m_history[static_cast<std::size_t>(g)] == 0.0)
        computeTransformation(MO_BaseContext(MO_FrameKey(g), 0));
    const double x = f == 1 ? 1.0 : m_history[static_cast<std::size_t>(f) - 1] + 1.0;
    m_history[static_cast<std::size_t>(f)] = x;
    CC_Transformation t = mine->transformation();  // read after the other frames were computed
    t.add(Math::Matrix4x4().translate(x, 0, 0));
    mine->setTransformation(t, mine->depth(), true);
    return mine;
  }

private:
  std::vector<double> m_history;
};

TEST(PortTransformStore, FramesPushedOutAreRecomputedToTheSameBitsAndRecentOnesAreKept) {
  SC_SceneCommon scene;
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  peg->rotation()->angleZ()->setKey(1, 0);
  peg->rotation()->angleZ()->setKey(500, 170);
  auto* node = static_cast<Counting*>(scene.addNode(std::make_unique<Counting>()));
  node->link(0, peg, 0);
  SC_SceneEvaluator eval(scene);
  std::vector<int> frames;
  for (int f = 1; f <= 500; ++f)
    frames.push_back(f);
  const auto first = eval.evaluate({node}, frames);
  for (int f = 1; f <= 500; ++f)
    EXPECT_EQ(node->computed[f], 1);

  // The last frames are still kept; older ones come back computed again, bit for bit.
  const int kept = MO_PortTransformStore::kKeptFrames;
  for (int f = 500; f > 500 - kept; --f)
    EXPECT_EQ(eval.evaluate(node, f), first[0][static_cast<std::size_t>(f) - 1]);
  for (int f = 500; f > 500 - kept; --f)
    EXPECT_EQ(node->computed[f], 1) << f;
  std::mt19937 rng(7);
  for (int k = 0; k < 200; ++k) {
    const int f = std::uniform_int_distribution<int>(1, 500)(rng);
    EXPECT_EQ(eval.evaluate(node, f), first[0][static_cast<std::size_t>(f) - 1]) << f;
  }
  EXPECT_EQ(eval.evaluate(node, 1), first[0][0]);
  EXPECT_GE(node->computed[1], 2);
  EXPECT_EQ(MO_PortTransformStore::retiredCount(), 0u);
}

TEST(PortTransformStore, ANodeHoldingItsFrameWhileComputingEarlierFramesOfItselfGetsItsResult) {
  SC_SceneCommon scene;
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  auto* node = static_cast<SelfHistory*>(scene.addNode(std::make_unique<SelfHistory>()));
  node->link(0, peg, 0);
  SC_SceneEvaluator eval(scene);
  // Frame 300 pushes its own transformation out of the port many times over before it is done.
  EXPECT_EQ(eval.evaluate(node, 300).origin(), Math::Point3d(300, 0, 0));
  EXPECT_EQ(eval.evaluate(node, 299).origin(), Math::Point3d(299, 0, 0));
  EXPECT_EQ(eval.evaluate(node, 3).origin(), Math::Point3d(3, 0, 0));
  // An edit still drops every kept frame: the peg's move shows at once.
  peg->position()->x()->setLocalValue(12);
  EXPECT_EQ(eval.evaluate(node, 300).origin(), Math::Point3d(301, 0, 0));
}

} // namespace
