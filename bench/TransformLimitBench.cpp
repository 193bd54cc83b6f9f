// The transformation limit: one frame of the node in its common settings (a forearm limited
// relative to its shoulder: half the rotation under a switch, no skew, uniform scale), with
// the camera flattening and scaling (PROJECT3DSCALE), and busy (half of every translation, scale,
// rotation and skew kept, nothing flattened, no switch), and decomposeStretch alone. "Frame" runs
// evaluate the node and the pegs above it from scratch (an edit drops every stored result);
// "Computation" runs the node's own computation with its inputs already evaluated. Per call.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/AT_Attr.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/TransformLimitMath.h"
#include "TransformControls/TransformLimitModule.h"

namespace {

// The three settings the runs take, by their argument.
enum Settings { kCommon = 0, kProject3dScale = 1, kBusy = 2 };

QString limitAttributes(int settings) {
  switch (settings) {
  case kProject3dScale:
    return QStringLiteral(R"(<attr keyword="ROT" value="50"/><attr keyword="SKEW" value="0"/>
      <attr keyword="UNIFORMSCALE" value="true"/><attr keyword="SWITCHTYPE" value="ROTATION"/>
      <attr keyword="FLATTENTYPE" value="PROJECT3DSCALE"/>)");
  case kBusy:
    return QStringLiteral(R"(<attr keyword="TX" value="50"/><attr keyword="TY" value="50"/>
      <attr keyword="TZ" value="50"/><attr keyword="SX" value="50"/><attr keyword="SY" value="50"/>
      <attr keyword="ROT" value="50"/><attr keyword="SKEW" value="50"/>)");
  default:
    return QStringLiteral(R"(<attr keyword="ROT" value="50"/><attr keyword="SKEW" value="0"/>
      <attr keyword="UNIFORMSCALE" value="true"/><attr keyword="SWITCHTYPE" value="ROTATION"/>)");
  }
}

const char* label(int settings) {
  switch (settings) {
  case kProject3dScale:
    return "PROJECT3DSCALE";
  case kBusy:
    return "busy: every ratio 50";
  default:
    return "common";
  }
}

std::unique_ptr<SC_SceneCommon> forearm(int settings) {
  const QString xml =
      QStringLiteral(R"(<scene version="1" frames="1-24" aspect="16:9"><camera node="Camera"/>
    <node type="Camera" name="Camera"><attr keyword="POSITION.Z" value="40"/></node>
    <node type="Peg" name="Shoulder"><attr keyword="ROTATION.ANGLEZ"><key frame="1" value="-10"/>
      <key frame="24" value="20"/></attr></node>
    <node type="Peg" name="Forearm"><attr keyword="POSITION.X" value="8"/><attr keyword="POSITION.Z" value="3"/>
      <attr keyword="ROTATION.ANGLEZ"><key frame="1" value="0"/><key frame="24" value="100"/></attr>
      <attr keyword="SKEW" value="10"/><attr keyword="SCALE.X" value="1.5"/></node>
    <node type="Switch" name="Fade"><attr keyword="ACTIVE" value="60"/></node>
    <node type="TransformLimit" name="Limit"><attr keyword="PIGNORE" value="1"/><attr keyword="POS.X" value="4"/>
      %1</node>
    <link from="Shoulder" to="Forearm" toPort="0"/><link from="Forearm" to="Limit" toPort="0"/>%2</scene>)")
          .arg(limitAttributes(settings),
               settings == kBusy ? QString() : QStringLiteral(R"(<link from="Fade" to="Limit" toPort="2"/>)"));
  PIO_LoadError error;
  return PIO_SceneReader::readData(xml.toUtf8(), QStringLiteral("bench"), &error);
}

void BM_TransformLimitFrame(benchmark::State& state) {
  auto scene = forearm(static_cast<int>(state.range(0)));
  MO_Module* limit = scene->findNode(QStringLiteral("Limit"));
  AT_Attr* edited = scene->findNode(QStringLiteral("Shoulder"))->attr(QStringLiteral("SKEW"));
  SC_SceneEvaluator evaluator(*scene);
  for (auto _ : state) {
    edited->changed();
    benchmark::DoNotOptimize(evaluator.evaluate(limit, 12));
  }
  state.SetLabel(std::string(label(static_cast<int>(state.range(0)))) + ", with the pegs above" +
                 (state.range(0) == kProject3dScale ? " and the camera" : ""));
}
BENCHMARK(BM_TransformLimitFrame)->Arg(kCommon)->Arg(kProject3dScale)->Arg(kBusy);

void BM_TransformLimitComputation(benchmark::State& state) {
  auto scene = forearm(static_cast<int>(state.range(0)));
  auto* limit = static_cast<TransformLimitModule*>(scene->findNode(QStringLiteral("Limit")));
  SC_SceneEvaluator evaluator(*scene);
  const Math::Matrix4x4 in = evaluator.evaluate(scene->findNode(QStringLiteral("Forearm")), 12);
  evaluator.evaluate(limit, 12);
  evaluator.evaluate(scene->camera(), 12);
  const MO_BaseContext ctx(MO_FrameKey(12), 0);
  for (auto _ : state)
    benchmark::DoNotOptimize(limit->limitTransformation(ctx, in));
  state.SetLabel(label(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_TransformLimitComputation)->Arg(kCommon)->Arg(kProject3dScale)->Arg(kBusy);

void BM_DecomposeStretch(benchmark::State& state) {
  Math::Matrix4x4 m;
  m.translate(1, 2, 0);
  m.rotateDegrees(35, Math::Vector3d(0, 0, 1));
  m.skew(20);
  m.scale(1.5, 0.7, 1);
  for (auto _ : state)
    benchmark::DoNotOptimize(decomposeStretch(m));
}
BENCHMARK(BM_DecomposeStretch);

} // namespace

BENCHMARK_MAIN();
