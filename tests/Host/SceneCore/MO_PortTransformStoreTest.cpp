// What ports keep of past frames: a bounded set of recent frames, recomputed exactly when asked
// again, and never freed under a node that still holds it while it computes other frames.
#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/MO_PortTransformStore.h"
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

constexpr int kKept = MO_PortTransformStore::kKeptFrames;

// Stores frame f as a translation by f, so that what a lookup finds tells which frame it was.
MO_PortTransform* addFrame(MO_PortTransformStore& store, double f) {
  MO_PortTransform* t = store.findOrAdd(MO_FrameKey(f));
  EXPECT_TRUE(t->transformation().isEmpty()) << "frame " << f << " came back with a value";
  t->setTransformation(CC_Transformation(Math::Matrix4x4().translate(f, 0, 0)), 0, true);
  return t;
}

double storedFrame(MO_PortTransformStore& store, double f) {
  const MO_PortTransform* t = store.find(MO_FrameKey(f));
  return t ? t->transformation().matrix(true).origin().x : -1.0;
}

// What a store keeps after frames were added in this order: the latest kPlayingFrames while each new frame
// goes the way the one before went, the latest kKeptFrames once a new frame has turned back.
std::set<double> keptAfter(const std::vector<double>& added) {
  std::deque<double> kept;
  std::size_t room = MO_PortTransformStore::kPlayingFrames;
  int way = 0;
  for (std::size_t i = 0; i < added.size(); ++i) {
    if (i > 0) {
      const int now = added[i] > added[i - 1] ? 1 : -1;
      if (way != 0 && now != way)
        room = kKept;
      way = now;
    }
    kept.push_back(added[i]);
    if (kept.size() > room)
      kept.pop_front();
  }
  return {kept.begin(), kept.end()};
}

// Frames asked in these orders, one request after another (or all in one): afterwards the frames
// the store should keep are found with their own values, and no other one is.
struct StoreRun {
  const char* name;
  std::vector<double> frames;
  bool oneRequest;
};

class StoreRuns : public ::testing::TestWithParam<StoreRun> {};

TEST_P(StoreRuns, KeepTheLatestFramesWithTheirOwnValuesAndNeverHandOutOneStillHeld) {
  const StoreRun& run = GetParam();
  MO_PortTransformStore store;
  std::set<const MO_PortTransform*> held; // everything handed out in the current request
  std::vector<double> added;
  for (double f : run.frames) {
    const bool isNew = store.find(MO_FrameKey(f)) == nullptr;
    MO_PortTransform* t = isNew ? addFrame(store, f) : store.find(MO_FrameKey(f));
    if (isNew) {
      // A new frame never reuses a transformation handed out earlier in the same request.
      EXPECT_EQ(held.count(t), 0u) << "frame " << f;
      added.push_back(f);
    }
    held.insert(t);
    EXPECT_EQ(storedFrame(store, f), f);
    if (!run.oneRequest) {
      MO_PortTransformStore::recycleRetired();
      held.clear();
    }
  }
  const std::set<double> latest = keptAfter(added);
  for (double f : added)
    EXPECT_EQ(storedFrame(store, f), latest.count(f) ? f : -1.0) << "frame " << f;
  MO_PortTransformStore::recycleRetired();
}

std::vector<double> count(double from, double to, double step) {
  std::vector<double> frames;
  for (double f = from; step > 0 ? f <= to : f >= to; f += step)
    frames.push_back(f);
  return frames;
}

INSTANTIATE_TEST_SUITE_P(
    Orders, StoreRuns,
    ::testing::Values(StoreRun{"Forwards", count(1, 3 * kKept + 1, 1), false},
                      StoreRun{"ForwardsInOneRequest", count(1, 3 * kKept + 1, 1), true},
                      StoreRun{"Backwards", count(40, 2, -1), false},
                      // Back and forth over frames kept: hits change nothing that is kept.
                      StoreRun{"Scrubbing", {1, 2, 3, 2, 1, 2, 3, 4, 5, 4, 3, 9, 10, 11, 12, 13, 14, 15, 3, 2}, false},
                      StoreRun{
                          "ScrubbingInOneRequest", {5, 4, 3, 2, 1, 0, 1, 2, 3, 9, 10, 11, 12, 13, 14, 15, 16}, true},
                      // Played forwards, then a step back and forwards again: from the turn on, more are kept.
                      StoreRun{"TurningBackAfterPlaying", {1, 2, 3, 0, 10, 11, 12, 13, 14, 15, 16}, false},
                      StoreRun{"SubFrames", {1, 1.5, 2, 1.25, 7, 0.5, -3, 1.5, 11, 12, 13, 14, 15, 16, 17}, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PortTransformStore, ClearingForgetsEveryFrameAndNewOnesComeEmpty) {
  MO_PortTransformStore store;
  for (double f : count(1, kKept + 3, 1))
    addFrame(store, f);
  store.clear();
  EXPECT_EQ(store.size(), 0);
  EXPECT_EQ(store.find(MO_FrameKey(kKept + 3)), nullptr);
  MO_PortTransformStore::recycleRetired();
  // Recycled transformations that held values come back empty through findOrAdd.
  for (double f : count(1, 2 * kKept, 1))
    addFrame(store, f);
  EXPECT_EQ(storedFrame(store, 2 * kKept), 2 * kKept);
  MO_PortTransformStore::recycleRetired();
}

} // namespace
