// What ports keep of past frames: a bounded set of recent frames, recomputed exactly when asked
// again, and never freed under a node that still holds it while it computes other frames.
#include <gtest/gtest.h>

#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

// Like a node with a per-frame history: frame f first asks its own output port for frames 1 to
// f-1 that it has not seen, in increasing order, while holding the transformation of frame f.
// Its offset at frame f is then one more than at frame f-1, so x = f.
class SelfHistory : public MO_Module {
public:
  SelfHistory() {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("SelfHistory"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    MO_PortTransform* mine = MO_Module::computeTransformation(ctx);
    const auto f = static_cast<std::size_t>(ctx.frame());
    m_history.resize(std::max(m_history.size(), f + 1), 0.0);
    for (std::size_t g = 1; g < f; ++g)
      if (m_history[g] == 0.0)
        computeTransformation(MO_BaseContext(MO_FrameKey(static_cast<double>(g)), 0));
    m_history[f] = m_history[f - 1] + 1.0;
    ++computed;
    CC_Transformation t = mine->transformation();
    t.add(Math::Matrix4x4().translate(m_history[f], 0, 0));
    mine->setTransformation(t, mine->depth(), true);
    return mine;
  }
  int computed = 0;

private:
  std::vector<double> m_history{0.0};
};

TEST(PortTransformStore, AFrameHeldWhileItsNodeComputesEarlierFramesOfItselfKeepsItsResult) {
  SC_SceneCommon scene;
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  auto* node = static_cast<SelfHistory*>(scene.addNode(std::make_unique<SelfHistory>()));
  node->link(0, peg, 0);
  auto* below = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  below->link(0, node, 0);
  SC_SceneEvaluator eval(scene);
  // Frame 300 pushes its own transformation out of the port many times over before it is done.
  EXPECT_EQ(eval.evaluate(node, 300).origin(), Math::Point3d(300, 0, 0));
  EXPECT_EQ(node->computed, 300);
  // The node below reads a recent frame from the port and has an old one computed again.
  EXPECT_EQ(eval.evaluate(below, 299).origin(), Math::Point3d(299, 0, 0));
  EXPECT_EQ(node->computed, 300);
  EXPECT_EQ(eval.evaluate(below, 3).origin(), Math::Point3d(3, 0, 0));
  EXPECT_EQ(node->computed, 301);
  // An edit still drops every kept frame: the peg's move shows at once.
  peg->position()->x()->setLocalValue(12);
  EXPECT_EQ(eval.evaluate(below, 299).origin(), Math::Point3d(300, 0, 0));
}

} // namespace
