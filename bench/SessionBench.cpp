// The session's evaluation against the host's evaluator it runs on, on a random 100-peg rig
// from scripts/make_rig (1 000 frames, and 10 000 in the row-major layout the Python module
// fills): every peg into a caller's buffer in either layout, and
// the evaluator's own frame loop copying into the same buffer (what the session must not cost
// more than), and on two threads against one. Then one attribute edit of a two-points node with its node evaluated at
// one frame and the edit undone, the round trip a script or an editor makes. Node-frames per second and times per call
// are the counters; the Python module's overhead is measured against these.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "Session.h"

namespace {

const HostOptions kHost{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()};

std::unique_ptr<Session> openRig(int frames) {
  static QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("rig%1.xml").arg(frames)).toStdString();
  const std::string command = "python3 " VANTOREL_SOURCE_DIR "/scripts/make_rig --pegs 100 --frames " +
                              std::to_string(frames) + " --seed 1 > " + path;
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("could not run: " + command);
  return Session::open(QString::fromStdString(path), kHost);
}

Session& rigSession() {
  static std::unique_ptr<Session> session = openRig(1000);
  return *session;
}

// The rig over 10 000 frames, as the Python module's evaluation into NumPy is measured.
Session& longRigSession() {
  static std::unique_ptr<Session> session = openRig(10000);
  return *session;
}

QStringList pegsOf(Session& s) {
  QStringList pegs;
  for (const NodeInfo& n : s.nodes())
    if (n.type == QLatin1String("Peg"))
      pegs << n.name;
  return pegs;
}

void BM_SessionIntoBuffer(benchmark::State& state, MatrixLayout layout, Session& (*rig)()) {
  Session& s = rig();
  const QStringList pegs = pegsOf(s);
  const std::vector<int> frames = s.frameRange().frames();
  std::vector<double> out(frames.size() * static_cast<std::size_t>(pegs.size()) * 16);
  for (auto _ : state) {
    s.evaluate(frames, pegs, out.data(), layout);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["node_frames_per_s"] =
      benchmark::Counter(static_cast<double>(out.size() / 16) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_SessionIntoBuffer, ColumnOrder, MatrixLayout::ColumnOrder, rigSession)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SessionIntoBuffer, RowMajor, MatrixLayout::RowMajor, rigSession)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SessionIntoBuffer, RowMajor10000Frames, MatrixLayout::RowMajor, longRigSession)
    ->Unit(benchmark::kMillisecond);

// The 10 000-frame rig on one thread and on two (wall time: the second thread reads its own copy
// of the scene at every call, as the command line's does once), start-up and loading left out.
void BM_SessionJobs(benchmark::State& state) {
  Session& s = longRigSession();
  const QStringList pegs = pegsOf(s);
  const std::vector<int> frames = s.frameRange().frames();
  std::vector<double> out(frames.size() * static_cast<std::size_t>(pegs.size()) * 16);
  s.setJobs(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    s.evaluate(frames, pegs, out.data(), MatrixLayout::RowMajor);
    benchmark::DoNotOptimize(out.data());
  }
  s.setJobs(1);
  state.counters["node_frames_per_s"] =
      benchmark::Counter(static_cast<double>(out.size() / 16) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SessionJobs)->ArgName("jobs")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_EvaluatorIntoBuffer(benchmark::State& state) {
  Session& s = rigSession();
  std::vector<MO_Module*> pegs;
  for (const QString& name : pegsOf(s))
    pegs.push_back(s.node(name));
  const std::vector<int> frames = s.frameRange().frames();
  std::vector<double> out(frames.size() * pegs.size() * 16);
  for (auto _ : state) {
    SC_SceneEvaluator(s.scene()).evaluate(
        pegs, frames, [&](std::size_t f, const std::vector<Math::Matrix4x4>& matrices) {
          for (std::size_t n = 0; n < matrices.size(); ++n)
            std::memcpy(&out[(f * pegs.size() + n) * 16], matrices[n].values(), 16 * sizeof(double));
        });
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["node_frames_per_s"] =
      benchmark::Counter(static_cast<double>(out.size() / 16) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EvaluatorIntoBuffer)->Unit(benchmark::kMillisecond);

void BM_EditEvaluateUndo(benchmark::State& state) {
  static std::unique_ptr<Session> s = Session::open(QStringLiteral(VANTOREL_EXAMPLES "/two_points_arm.xml"), kHost);
  double out[16];
  double stretch = 120.0;
  for (auto _ : state) {
    s->setAttribute(QStringLiteral("Arm"), QStringLiteral("STRETCHMAX"), stretch);
    s->evaluate({16}, {QStringLiteral("Arm")}, out, MatrixLayout::RowMajor);
    benchmark::DoNotOptimize(out);
    s->undo();
    stretch = stretch == 120.0 ? 130.0 : 120.0;
  }
}
BENCHMARK(BM_EditEvaluateUndo)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
