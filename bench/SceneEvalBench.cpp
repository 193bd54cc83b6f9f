// Whole-scene evaluation across frames: a chain of pegs with animated rotations, evaluated
// frame by frame the way `vantorel eval` does. Reported per node and frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

std::unique_ptr<SC_SceneCommon> pegChain(int length) {
  auto scene = std::make_unique<SC_SceneCommon>();
  MO_Module* previous = nullptr;
  for (int i = 0; i < length; ++i) {
    auto* peg = static_cast<Peg*>(scene->addNode(std::make_unique<Peg>()));
    peg->setInstanceName(QStringLiteral("Peg%1").arg(i));
    peg->rotation()->angleZ()->setKey(1, 0);
    peg->rotation()->angleZ()->setKey(100, 90 + i);
    if (previous)
      peg->link(0, previous, 0);
    previous = peg;
  }
  return scene;
}

void BM_PegChainAllFrames(benchmark::State& state) {
  const int length = static_cast<int>(state.range(0));
  auto scene = pegChain(length);
  SC_SceneEvaluator evaluator(*scene);
  std::vector<int> frames;
  for (int f = 1; f <= 100; ++f)
    frames.push_back(f);
  for (auto _ : state) {
    // An edit drops every stored result, so each pass evaluates from scratch.
    scene->nodes().front()->attr(QStringLiteral("SKEW"))->changed();
    auto result = evaluator.evaluate(scene->nodes(), frames);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * length * 100);
  state.SetLabel("items = node-frames");
}
BENCHMARK(BM_PegChainAllFrames)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
