// The multi-points node: one frame with 1 to 128 pegs, with and without perspective, evaluated
// from scratch each time (an edit drops every stored result, as a user's change would), pegs
// included; and the least-squares solver alone, Eigen's JacobiSVD beside the complete orthogonal
// decomposition, which gives the same minimum-norm answer, on the same systems. (BDCSVD hands
// matrices this narrow to JacobiSVD, so it would only measure the same thing twice.)
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "MultiPoints/FitSystem.h"
#include "MultiPoints/MultiPointFit.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/Camera.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

using PointConstraintMulti::ControlPoint;

// A mild projective motion of the drawing plane (divisors between 0.8 and 1.2 over the points),
// so that perspective fits are exact and never refit.
Math::Point3d moved(const Math::Point3d& p) {
  const double w = 1.0 + 0.01 * p.x - 0.005 * p.y;
  return {(1.1 * p.x - 0.2 * p.y + 1.0) / w, (0.15 * p.x + 0.9 * p.y - 0.5) / w, 0.0};
}

// n rest points spread over a disc of radius 10 (scene units).
Math::Point3d restPoint(int k, int n) {
  const double angle = 2.399963 * k; // golden angle: no two points coincide, none lie in a row
  const double radius = 10.0 * std::sqrt((k + 0.5) / n);
  return {radius * std::cos(angle), radius * std::sin(angle), 0.0};
}

void BM_MultiPointsFrame(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  SC_SceneCommon scene;
  auto* camera = static_cast<Camera*>(scene.addNode(std::make_unique<Camera>()));
  static_cast<AT_DoubleAttr*>(camera->attr(QStringLiteral("POSITION.Z")))->setLocalValue(40);
  scene.setCamera(camera);
  auto* node = static_cast<PointConstraintMultiModule*>(scene.addNode(std::make_unique<PointConstraintMultiModule>()));
  node->allowperspAttr()->setLocalValue(state.range(1) != 0);
  node->ensureInPort(n - 1);
  Peg* first = nullptr;
  for (int k = 0; k < n; ++k) {
    auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    const Math::Point3d rest = restPoint(k, n), to = moved(rest);
    peg->pivotAttr()->x()->setLocalValue(rest.x);
    peg->pivotAttr()->y()->setLocalValue(rest.y);
    peg->position()->x()->setLocalValue(to.x - rest.x);
    peg->position()->y()->setLocalValue(to.y - rest.y);
    node->link(k, peg, 0);
    first = first ? first : peg;
  }
  SC_SceneEvaluator evaluator(scene);
  for (auto _ : state) {
    first->skew()->changed();
    benchmark::DoNotOptimize(evaluator.evaluate(node, 12));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MultiPointsFrame)
    ->ArgNames({"points", "persp"})
    ->ArgsProduct({{1, 2, 3, 4, 8, 32, 128}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The system of n points exactly as the node builds it (drawing units of the default metrics).
PointConstraintMulti::FitSystem fitSystem(int n, bool perspective) {
  std::vector<ControlPoint> points;
  for (int k = 0; k < n; ++k) {
    const Math::Point3d rest = restPoint(k, n), to = moved(rest);
    points.push_back(ControlPoint{Math::Matrix4x4(), rest * (1.0 / 12), to * (1.0 / 12), static_cast<unsigned>(k)});
  }
  return PointConstraintMulti::buildFitSystem(points, perspective, nullptr);
}

enum Solver { eJacobiSvd, eCompleteOrthogonal };

void BM_FitSolver(benchmark::State& state) {
  const PointConstraintMulti::FitSystem system = fitSystem(static_cast<int>(state.range(0)), state.range(1) != 0);
  const auto solver = static_cast<Solver>(state.range(2));
  // Both give the minimum-norm answer; the counter shows how far this one is from JacobiSVD's.
  const Eigen::VectorXf reference = PointConstraintMulti::solveFitSystem(system);
  Eigen::VectorXf h;
  for (auto _ : state) {
    if (solver == eJacobiSvd)
      h = PointConstraintMulti::solveFitSystem(system);
    else
      h = system.a.completeOrthogonalDecomposition().solve(system.b);
    benchmark::DoNotOptimize(h.data());
  }
  state.counters["maxdiff"] = (h - reference).cwiseAbs().maxCoeff();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FitSolver)
    ->ArgNames({"points", "persp", "solver"})
    ->ArgsProduct({{4, 8, 32, 128}, {0, 1}, {eJacobiSvd, eCompleteOrthogonal}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
