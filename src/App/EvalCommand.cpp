#include <QCommandLineParser>
#include <cstdio>
#include <unistd.h>

#include "CliError.h"
#include "Commands.h"
#include "FrameRange.h"
#include "MatrixOutput.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneLoading.h"

namespace {

std::vector<MO_Module*> chosenNodes(const SC_SceneCommon& scene, const QStringList& names, const QString& path) {
  if (names.isEmpty())
    return scene.nodes();
  std::vector<MO_Module*> nodes;
  for (const QString& name : names) {
    MO_Module* n = scene.findNode(name);
    if (!n)
      throw CliError(QStringLiteral("%1: no node named \"%2\"").arg(path, name));
    nodes.push_back(n);
  }
  return nodes;
}

} // namespace

int Commands::eval(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames A or A-B (default: the scene's range)"),
                    QStringLiteral("A[-B]")});
  parser.addOption({QStringLiteral("node"), QStringLiteral("Node to evaluate (repeatable; default: all)"),
                    QStringLiteral("NAME")});
  parser.addOption({QStringLiteral("format"), QStringLiteral("csv or json (default csv)"), QStringLiteral("FORMAT"),
                    QStringLiteral("csv")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel eval")} + args))
    throw CliError(QStringLiteral("eval: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("eval: expected one scene file, got %1").arg(positional.size()));
  const QString format = parser.value(QStringLiteral("format"));
  if (format != QLatin1String("csv") && format != QLatin1String("json"))
    throw CliError(QStringLiteral("eval: --format must be csv or json, not \"%1\"").arg(format));

  const QString path = positional.front();
  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(path);

  FrameRange range{scene->firstFrame(), scene->lastFrame()};
  if (parser.isSet(QStringLiteral("frames"))) {
    QString why;
    if (!FrameRange::parse(parser.value(QStringLiteral("frames")), range, &why))
      throw CliError(QStringLiteral("eval: --frames: ") + why);
  }
  const std::vector<MO_Module*> nodes = chosenNodes(*scene, parser.values(QStringLiteral("node")), path);
  std::vector<int> frames;
  frames.reserve(static_cast<std::size_t>(range.count()));
  for (int f = range.first; f <= range.last; ++f)
    frames.push_back(f);

  // Progress only for a person watching: never into logs or pipes.
  SC_SceneEvaluator::Progress progress;
  if (isatty(STDERR_FILENO) && frames.size() * nodes.size() > 20000)
    progress = [](int done, int total) {
      if (done % 100 == 0 || done == total)
        std::fprintf(stderr, "\revaluating frame %d of %d%s", done, total, done == total ? "\n" : "");
    };
  const auto matrices = SC_SceneEvaluator(*scene).evaluate(nodes, frames, progress);

  std::vector<EvaluatedNode> out(nodes.size());
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    out[n].name = nodes[n]->instanceName();
    for (const Math::Matrix4x4& m : matrices[n]) {
      std::array<double, 16> values;
      m.getValues(values.data());
      out[n].matrices.push_back(values);
    }
  }
  if (format == QLatin1String("json"))
    MatrixOutput::writeJson(stdout, frames, out);
  else
    MatrixOutput::writeCsv(stdout, frames, out);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
