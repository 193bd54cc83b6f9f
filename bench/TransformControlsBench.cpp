// One frame of the static transformation, the switch and the gate, and a chain of 100 static
// nodes under a peg, evaluated from scratch each time (an edit drops every stored result, as a
// user's change would). Items are node evaluations.
#include <benchmark/benchmark.h>

#include <memory>

#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControls/Switch.h"
#include "TransformControls/TransformGateModule.h"

namespace {

template <class T> T* add(SC_SceneCommon& scene) { return static_cast<T*>(scene.addNode(std::make_unique<T>())); }

Peg* animatedPeg(SC_SceneCommon& scene, double x) {
  Peg* peg = add<Peg>(scene);
  peg->position()->x()->setLocalValue(x);
  peg->rotation()->angleZ()->setKey(1, 0);
  peg->rotation()->angleZ()->setKey(100, 90);
  return peg;
}

StaticConstraint* activeStatic(SC_SceneCommon& scene) {
  auto* node = add<StaticConstraint>(scene);
  node->activeAttr()->setLocalValue(true);
  node->rotateAttr()->angleZ()->setLocalValue(30);
  node->translateAttr()->x()->setLocalValue(2);
  return node;
}

// Evaluates `node` at frame 12 after dropping every stored result.
void evaluateFresh(benchmark::State& state, SC_SceneCommon& scene, Peg* top, MO_Module* node, int nodesPerPass) {
  SC_SceneEvaluator evaluator(scene);
  for (auto _ : state) {
    top->skew()->changed();
    benchmark::DoNotOptimize(evaluator.evaluate(node, 12));
  }
  state.SetItemsProcessed(state.iterations() * nodesPerPass);
}

void BM_StaticConstraintFrame(benchmark::State& state) {
  SC_SceneCommon scene;
  Peg* peg = animatedPeg(scene, 1);
  StaticConstraint* node = activeStatic(scene);
  node->link(0, peg, 0);
  evaluateFresh(state, scene, peg, node, 2);
}
BENCHMARK(BM_StaticConstraintFrame);

void BM_SwitchFrame(benchmark::State& state) {
  SC_SceneCommon scene;
  Peg* peg = animatedPeg(scene, 1);
  Switch* node = add<Switch>(scene);
  node->link(0, peg, 0);
  evaluateFresh(state, scene, peg, node, 2);
}
BENCHMARK(BM_SwitchFrame);

void BM_TransformGateBlendFrame(benchmark::State& state) {
  SC_SceneCommon scene;
  Peg* left = animatedPeg(scene, -1);
  Peg* right = animatedPeg(scene, 1);
  Switch* control = add<Switch>(scene);
  control->activeAttr()->setLocalValue(40);
  control->gatenumAttr()->setLocalValue(1);
  auto* gate = add<TransformGateModule>(scene);
  gate->ensureInPort(2);
  gate->link(0, left, 0);
  gate->link(1, right, 0);
  gate->link(2, control, 0);
  evaluateFresh(state, scene, left, gate, 3);
}
BENCHMARK(BM_TransformGateBlendFrame);

void BM_StaticChainPerNode(benchmark::State& state) {
  const int length = static_cast<int>(state.range(0));
  SC_SceneCommon scene;
  Peg* top = animatedPeg(scene, 1);
  MO_Module* previous = top;
  for (int i = 0; i < length; ++i) {
    StaticConstraint* node = activeStatic(scene);
    node->link(0, previous, 0);
    previous = node;
  }
  evaluateFresh(state, scene, top, previous, length + 1);
  state.SetLabel("items = nodes evaluated");
}
BENCHMARK(BM_StaticChainPerNode)->Arg(100);

} // namespace

BENCHMARK_MAIN();
