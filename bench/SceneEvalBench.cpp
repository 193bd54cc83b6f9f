// Whole-scene evaluation across frames: a chain of pegs with animated rotations, evaluated
// frame by frame the way `vantorel eval` does. Reported per node and frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
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

// A random rig as scripts/make_rig writes it: each peg under an earlier one (or none), its
// position, two angles, x scale and skew each either fixed or keyed a few times over the
// frames, some keys constant. Most frames fall between keys and some after the last, so the
// pegs' numbers move at some frames and hold at others. Growing the rig from 100 to 10 000 pegs
// shows what walking more memory per frame costs.
std::unique_ptr<SC_SceneCommon> randomRig(int pegs, int frames) {
  auto scene = std::make_unique<SC_SceneCommon>();
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::uniform_int_distribution<int> frame(1, frames), count(2, 6);
  std::vector<Peg*> made;
  for (int i = 0; i < pegs; ++i) {
    auto* peg = static_cast<Peg*>(scene->addNode(std::make_unique<Peg>()));
    const std::pair<AT_DoubleAttr*, double> channels[] = {
        {peg->position()->x(), 10},      {peg->position()->y(), 10}, {peg->rotation()->angleZ(), 180},
        {peg->rotation()->angleY(), 30}, {peg->scale()->x(), 0.5},   {peg->skew(), 20}};
    for (const auto& [attr, spread] : channels) {
      const double base = attr == peg->scale()->x() ? 1.0 : 0.0;
      if (u(rng) < 0.3) {
        attr->setLocalValue(base + spread * (2 * u(rng) - 1));
        continue;
      }
      attr->setKey(1, base + spread * (2 * u(rng) - 1));
      for (int k = count(rng); k > 1; --k)
        attr->setKey(frame(rng), base + spread * (2 * u(rng) - 1), u(rng) < 0.2 ? AT_Keys::Constant : AT_Keys::Linear);
    }
    peg->pivotAttr()->x()->setLocalValue(4 * u(rng) - 2);
    if (i > 0 && u(rng) < 0.9)
      peg->link(0, made[std::uniform_int_distribution<int>(0, i - 1)(rng)], 0);
    made.push_back(peg);
  }
  return scene;
}

void BM_RandomPegRig(benchmark::State& state) {
  const int pegs = static_cast<int>(state.range(0));
  auto scene = randomRig(pegs, 1000);
  SC_SceneEvaluator evaluator(*scene);
  std::vector<int> frames;
  for (int f = 1; f <= 100; ++f)
    frames.push_back(f * 10);
  double sink = 0.0;
  for (auto _ : state) {
    scene->nodes().front()->attr(QStringLiteral("SKEW"))->changed();
    evaluator.evaluate(scene->nodes(), frames,
                       [&](std::size_t, const std::vector<Math::Matrix4x4>& m) { sink += m.back()[12]; });
  }
  benchmark::DoNotOptimize(sink);
  state.SetItemsProcessed(state.iterations() * pegs * 100);
  state.SetLabel("items = node-frames");
}
BENCHMARK(BM_RandomPegRig)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
