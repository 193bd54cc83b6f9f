// The dynamic spring under an animated peg: scrubbing forward one frame at a time (the node's
// own step: the peg's matrices are computed beforehand), with the peg at rest from frame 50 on
// and with it moving to the end, as a rig's animation does; a jump from a fresh node to frame
// 10 000, once with the peg's matrices replayed (the node's own way there: its pipeline, storage
// and steps) and once with the live peg computed at every frame too; a frame asked again that
// the history answers, kept or made again from the nearest kept state; the history's bytes per
// frame; and three springs on one peg over every frame they simulate, with their history's bytes
// and the process's peak memory. Items are frames.
#include <benchmark/benchmark.h>

#include <memory>
#include <sys/resource.h>
#include <vector>

#include "DynamicSpring/DynamicSpringModule.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/CC_Transformation.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

struct Rig {
  SC_SceneCommon scene;
  Peg* peg;
  DynamicSpringModule* spring;

  // The peg moves over frames 1 to 50, then rests; `moving` keys it on to frame 1 000, so that the
  // spring is pulled somewhere new at every frame.
  explicit Rig(bool moving = false) {
    peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    peg->pivotAttr()->y()->setLocalValue(2);
    peg->position()->x()->setKey(1, 0);
    peg->position()->x()->setKey(50, 24);
    peg->position()->y()->setKey(1, 0);
    peg->position()->y()->setKey(30, 6);
    peg->rotation()->angleZ()->setKey(1, 0);
    peg->rotation()->angleZ()->setKey(40, 90);
    peg->rotation()->angleX()->setKey(1, 0);
    peg->rotation()->angleX()->setKey(40, 30);
    for (int f = 60; moving && f <= 1000; f += 20) {
      peg->position()->x()->setKey(f, (f / 20) % 2 ? 0.0 : 24.0);
      peg->rotation()->angleZ()->setKey(f, (f / 20) % 3 * 40.0);
      peg->rotation()->angleX()->setKey(f + 7, (f / 20) % 2 ? -20.0 : 30.0);
    }
    spring = static_cast<DynamicSpringModule*>(scene.addNode(std::make_unique<DynamicSpringModule>()));
    spring->link(0, peg, 0);
  }
  Math::Matrix4x4 input(int frame) { return SC_SceneEvaluator(scene).evaluate(peg, frame); }
};

// Gives back the peg's matrices, computed beforehand, and its pivot.
class Replay : public MO_Module {
public:
  explicit Replay(std::vector<Math::Matrix4x4> matrices) : m_matrices(std::move(matrices)) { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("Replay"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    m_slot.setTransformation(CC_Transformation(m_matrices[static_cast<std::size_t>(ctx.frame())]), 0);
    return &m_slot;
  }
  bool pivot(const MO_FrameKey&, Math::Point3d& p) const override {
    p = Math::Point3d(0, 2, 0);
    return true;
  }

private:
  std::vector<Math::Matrix4x4> m_matrices;
  MO_PortTransform m_slot;
};

constexpr int kScrubFrames = 1000;
constexpr int kJumpFrame = 10000;

void BM_SpringScrubForward(benchmark::State& state) {
  Rig rig(state.range(0) != 0);
  std::vector<Math::Matrix4x4> inputs(kScrubFrames + 1);
  for (int f = 1; f <= kScrubFrames; ++f)
    inputs[f] = rig.input(f);
  for (auto _ : state) {
    state.PauseTiming();
    rig.peg->touch(); // every frame is stale again
    state.ResumeTiming();
    for (int f = 1; f <= kScrubFrames; ++f)
      benchmark::DoNotOptimize(rig.spring->computeConstraint(MO_BaseContext(MO_FrameKey(f), 0), inputs[f]));
  }
  state.SetItemsProcessed(state.iterations() * kScrubFrames);
}
BENCHMARK(BM_SpringScrubForward)->ArgName("moving")->Arg(0)->Arg(1);

void BM_SpringJumpFromFreshNode(benchmark::State& state) {
  std::vector<Math::Matrix4x4> inputs(kJumpFrame + 1);
  {
    Rig rig;
    for (int f = 1; f <= kJumpFrame; ++f)
      inputs[f] = rig.input(f);
  }
  const bool livePeg = state.range(0) != 0;
  std::size_t historyBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto rig = std::make_unique<Rig>();
    if (!livePeg)
      rig->spring->link(0, rig->scene.addNode(std::make_unique<Replay>(inputs)), 0);
    state.ResumeTiming();
    benchmark::DoNotOptimize(SC_SceneEvaluator(rig->scene).evaluate(rig->spring, kJumpFrame));
    state.PauseTiming();
    historyBytes = rig->spring->history().bytes();
    rig.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kJumpFrame);
  state.counters["history_bytes_per_frame"] = static_cast<double>(historyBytes) / kJumpFrame;
}
BENCHMARK(BM_SpringJumpFromFreshNode)->ArgName("live_peg")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SpringFrameFromHistory(benchmark::State& state) {
  Rig rig;
  SC_SceneEvaluator(rig.scene).evaluate(rig.spring, 200);
  const Math::Matrix4x4 input = rig.input(120);
  const MO_BaseContext ctx(MO_FrameKey(120), 0);
  for (auto _ : state)
    benchmark::DoNotOptimize(rig.spring->computeConstraint(ctx, input));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpringFrameFromHistory);

// Frames long left behind: the state is made again from the nearest kept one (up to 63 steps),
// then its neighbours are found among the recent states. Frames asked in a random order.
void BM_SpringFrameMadeAgain(benchmark::State& state) {
  Rig rig;
  SC_SceneEvaluator(rig.scene).evaluate(rig.spring, 2000);
  std::size_t frame = 7;
  for (auto _ : state) {
    frame = (frame * 7919 + 13) % 1900 + 1;
    benchmark::DoNotOptimize(rig.spring->historyEntry(frame));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpringFrameMadeAgain);

// Three springs on one animated peg, every frame they simulate in turn, as `vantorel eval` asks
// them: what their histories hold at the end, and the peak memory of the whole process.
void BM_SpringHistoryWholeRange(benchmark::State& state) {
  const int last = DynamicSpringModule::kLastFrame;
  std::size_t bytes = 0;
  for (auto _ : state) {
    Rig rig;
    std::vector<DynamicSpringModule*> springs{rig.spring};
    for (int i = 0; i < 2; ++i) {
      springs.push_back(static_cast<DynamicSpringModule*>(rig.scene.addNode(std::make_unique<DynamicSpringModule>())));
      springs.back()->link(0, rig.peg, 0);
    }
    SC_SceneEvaluator evaluator(rig.scene);
    for (int f = 1; f <= last; ++f)
      for (DynamicSpringModule* s : springs)
        benchmark::DoNotOptimize(evaluator.evaluate(s, f));
    bytes = 0;
    for (DynamicSpringModule* s : springs)
      bytes += s->history().bytes();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.SetItemsProcessed(state.iterations() * last);
  state.counters["history_bytes_three_springs"] = static_cast<double>(bytes);
  state.counters["peak_rss_bytes"] = static_cast<double>(usage.ru_maxrss) * 1024.0;
}
BENCHMARK(BM_SpringHistoryWholeRange)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
