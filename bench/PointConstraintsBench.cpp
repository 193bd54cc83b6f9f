// The two- and three-points nodes: one frame of each including its input pegs, evaluated from
// scratch (an edit drops every stored result, as a user's change would); a rig of 100 two-points
// nodes over 100 frames; and beside them the floor, the nodes' matrix arithmetic alone called
// directly. Times per node-frame are in the counter "per_node_frame".
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <vector>

#include "Core/TransformFunctions.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Module.h"
#include "PointConstraints/PointConstraintMath.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/Switch.h"

namespace {

template <class T> T* add(SC_SceneCommon& scene) { return static_cast<T*>(scene.addNode(std::make_unique<T>())); }

Peg* animatedPeg(SC_SceneCommon& scene, double pivotX, double pivotY, double phase) {
  Peg* peg = add<Peg>(scene);
  peg->pivotAttr()->x()->setLocalValue(pivotX);
  peg->pivotAttr()->y()->setLocalValue(pivotY);
  peg->position()->x()->setKey(1, phase);
  peg->position()->x()->setKey(100, 6 + phase);
  peg->rotation()->angleZ()->setKey(1, 0);
  peg->rotation()->angleZ()->setKey(100, 45 + phase);
  return peg;
}

// Soft limits, volume limits, skew and balance all at work, and an activity below 100.
PointConstraint2Module* busyTwoPoints(SC_SceneCommon& scene, MO_Module* right, MO_Module* left) {
  auto* node = add<PointConstraint2Module>(scene);
  node->stretchmaxAttr()->setLocalValue(130);
  node->stretchminAttr()->setLocalValue(70);
  node->smoothAttr()->setLocalValue(50);
  node->skewcontrolAttr()->setLocalValue(40);
  node->balanceAttr()->setLocalValue(30);
  node->activeAttr()->setLocalValue(80);
  node->link(0, right, 0);
  node->link(1, left, 0);
  return node;
}

void perNodeFrame(benchmark::State& state, double nodeFrames) {
  state.counters["per_node_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * nodeFrames,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void evaluateFresh(benchmark::State& state, SC_SceneCommon& scene, Peg* top, MO_Module* node) {
  SC_SceneEvaluator evaluator(scene);
  for (auto _ : state) {
    top->skew()->changed();
    benchmark::DoNotOptimize(evaluator.evaluate(node, 12));
  }
  perNodeFrame(state, 1);
}

void BM_PointConstraint2Frame(benchmark::State& state) {
  SC_SceneCommon scene;
  Peg* right = animatedPeg(scene, -6, 0, 0);
  Peg* left = animatedPeg(scene, 6, 0, 3);
  evaluateFresh(state, scene, right, busyTwoPoints(scene, right, left));
}
BENCHMARK(BM_PointConstraint2Frame);

void BM_PointConstraint3FrameWithSwitch(benchmark::State& state) {
  SC_SceneCommon scene;
  Peg* right = animatedPeg(scene, 6, -4, 0);
  Peg* middle = animatedPeg(scene, 0, 6, 2);
  Peg* left = animatedPeg(scene, -7, -5, 4);
  auto* control = add<Switch>(scene);
  control->activeAttr()->setLocalValue(70);
  auto* node = add<PointConstraint3Module>(scene);
  node->transformtypeAttr()->setLocalValue(1);
  node->link(0, right, 0);
  node->link(1, middle, 0);
  node->link(2, left, 0);
  node->link(3, control, 0);
  evaluateFresh(state, scene, right, node);
}
BENCHMARK(BM_PointConstraint3FrameWithSwitch);

// A chain of 101 animated pegs with a two-points node between each neighbouring pair.
void BM_TwoPointsRig(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  SC_SceneCommon scene;
  std::vector<Peg*> pegs;
  for (int i = 0; i <= count; ++i)
    pegs.push_back(animatedPeg(scene, 4.0 * i, 0, 0.1 * i));
  std::vector<MO_Module*> nodes;
  for (int i = 0; i < count; ++i)
    nodes.push_back(busyTwoPoints(scene, pegs[static_cast<std::size_t>(i)], pegs[static_cast<std::size_t>(i) + 1]));
  std::vector<int> frames;
  for (int f = 1; f <= 100; ++f)
    frames.push_back(f);
  SC_SceneEvaluator evaluator(scene);
  for (auto _ : state) {
    pegs.front()->skew()->changed();
    benchmark::DoNotOptimize(evaluator.evaluate(nodes, frames));
  }
  perNodeFrame(state, count * 100.0);
  state.SetLabel("pegs included");
}
BENCHMARK(BM_TwoPointsRig)->Arg(100)->Unit(benchmark::kMillisecond);

// The floor: the node's arithmetic on pegs already read, as the nodes call it: with the rest
// segment (or the rest triangle's inverse) they keep until an edit. The "_withRest" variants work
// that out on every call too, as the floors were measured before the nodes kept it.
void segmentMapFloor(benchmark::State& state, bool keptRest) {
  const bool busy = state.range(0) != 0;
  PointConstraintMath::SegmentPegs pegs;
  pegs.restPrimary = Math::Point3d(-0.5, 0, 0);
  pegs.restSecondary = Math::Point3d(0.5, 0, 0);
  pegs.primaryMatrix = pegs.right = Math::Matrix4x4().translate(0.1, 0.2, 0).rotateDegrees(20, {0, 0, 1});
  pegs.parent = Math::Matrix4x4().translate(0.3, -0.1, 0).rotateDegrees(-10, {0, 0, 1});
  pegs.primary = pegs.primaryMatrix * pegs.restPrimary;
  pegs.secondary = pegs.secondaryUnprojected = Math::Point3d(1.3, 0.6, 0);
  PointConstraintMath::SegmentSettings settings;
  if (busy) {
    settings.stretchMax = 1.3;
    settings.stretchMin = 0.7;
    settings.smoothing = 0.5;
    settings.skew = 0.4;
    settings.balance = 0.3;
    settings.activity = 0.8;
  }
  const std::optional<PointConstraintMath::RestSegment> rest =
      PointConstraintMath::restSegment(pegs.restPrimary, pegs.restSecondary, false);
  if (keptRest)
    for (auto _ : state)
      benchmark::DoNotOptimize(PointConstraintMath::segmentMap(pegs, settings, *rest));
  else
    for (auto _ : state)
      benchmark::DoNotOptimize(PointConstraintMath::segmentMap(pegs, settings));
  perNodeFrame(state, 1);
}
void BM_SegmentMapFloor(benchmark::State& state) { segmentMapFloor(state, true); }
void BM_SegmentMapFloor_withRest(benchmark::State& state) { segmentMapFloor(state, false); }
BENCHMARK(BM_SegmentMapFloor)->Arg(0)->Arg(1);
BENCHMARK(BM_SegmentMapFloor_withRest)->Arg(0)->Arg(1);

void triangleResultFloor(benchmark::State& state, bool keptRest) {
  PointConstraintMath::TrianglePegs pegs;
  pegs.rest = {Math::Point3d(0.5, -0.3, 0), Math::Point3d(0, 0.5, 0), Math::Point3d(-0.6, -0.4, 0)};
  pegs.current = {Math::Point3d(0.6, -0.2, 0), Math::Point3d(0.1, 0.7, 0), Math::Point3d(-0.5, -0.4, 0)};
  pegs.primaryMatrix = pegs.right = Math::Matrix4x4().translate(0.1, 0.1, 0).rotateDegrees(15, {0, 0, 1});
  pegs.parent = Math::Matrix4x4().translate(0.3, -0.1, 0);
  PointConstraintMath::TriangleSettings settings;
  settings.transform = PointConstraint3::Transform_e::ALLOW;
  settings.activity = 0.7;
  const std::optional<MatrixValues> restInverse = triangleRestInverse(pegs.rest);
  if (keptRest)
    for (auto _ : state)
      benchmark::DoNotOptimize(PointConstraintMath::triangleResult(pegs, settings, restInverse));
  else
    for (auto _ : state)
      benchmark::DoNotOptimize(PointConstraintMath::triangleResult(pegs, settings));
  perNodeFrame(state, 1);
}
void BM_TriangleResultFloor(benchmark::State& state) { triangleResultFloor(state, true); }
void BM_TriangleResultFloor_withRest(benchmark::State& state) { triangleResultFloor(state, false); }
BENCHMARK(BM_TriangleResultFloor);
BENCHMARK(BM_TriangleResultFloor_withRest);

} // namespace

BENCHMARK_MAIN();
