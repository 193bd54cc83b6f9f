#include <QCommandLineParser>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <unistd.h>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "FrameRange.h"
#include "MatrixOutput.h"
#include "PegChannels.h"
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
  parser.addOption(
      {QStringLiteral("node"), QStringLiteral("Node to evaluate (repeatable; default: all)"), QStringLiteral("NAME")});
  parser.addOption({QStringLiteral("format"), QStringLiteral("csv, json or npy (default csv)"),
                    QStringLiteral("FORMAT"), QStringLiteral("csv")});
  parser.addOption({QStringLiteral("values"),
                    QStringLiteral("matrix (16 values) or peg (the position, rotation, scale and skew a peg keys)"),
                    QStringLiteral("KIND"), QStringLiteral("matrix")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("File to write (default: standard output; required for npy)"),
                    QStringLiteral("OUT")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel eval")} + args))
    throw CliError(QStringLiteral("eval: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("eval: expected one scene file, got %1").arg(positional.size()));
  const QString formatName = parser.value(QStringLiteral("format"));
  const std::map<QString, MatrixOutput::Format> formats{{QStringLiteral("csv"), MatrixOutput::Format::Csv},
                                                        {QStringLiteral("json"), MatrixOutput::Format::Json},
                                                        {QStringLiteral("npy"), MatrixOutput::Format::Npy}};
  if (!formats.count(formatName))
    throw CliError(QStringLiteral("eval: --format must be csv, json or npy, not \"%1\"").arg(formatName));
  const MatrixOutput::Format format = formats.at(formatName);
  const QString kind = parser.value(QStringLiteral("values"));
  if (kind != QLatin1String("matrix") && kind != QLatin1String("peg"))
    throw CliError(QStringLiteral("eval: --values must be matrix or peg, not \"%1\"").arg(kind));
  const bool peg = kind == QLatin1String("peg");
  const QString output = parser.value(QStringLiteral("o"));
  if (format == MatrixOutput::Format::Npy && !output.endsWith(QLatin1String(".npy")))
    throw CliError(QStringLiteral("eval: --format npy needs -o OUT.npy (the frame numbers and node names go to "
                                  "OUT.frames.txt and OUT.nodes.txt)"));

  const QString path = positional.front();
  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(path);

  FrameRange range{scene->firstFrame(), scene->lastFrame()};
  if (parser.isSet(QStringLiteral("frames")))
    range = CliParsing::frames(QStringLiteral("eval"), parser.value(QStringLiteral("frames")));
  const std::vector<MO_Module*> nodes = chosenNodes(*scene, parser.values(QStringLiteral("node")), path);
  std::vector<QString> names;
  for (const MO_Module* n : nodes)
    names.push_back(n->instanceName());
  std::vector<int> frames;
  frames.reserve(static_cast<std::size_t>(range.count()));
  for (int f = range.first; f <= range.last; ++f)
    frames.push_back(f);

  std::unique_ptr<MatrixWriter> writer;
  try {
    writer = MatrixOutput::create(format, output, frames, names, peg ? PegChannels::names() : QStringList());
  } catch (const std::runtime_error& e) {
    throw CliError(QStringLiteral("eval: ") + QString::fromStdString(e.what()));
  }

  // Progress only for a person watching: never into logs or pipes.
  SC_SceneEvaluator::Progress progress;
  if (isatty(STDERR_FILENO) && frames.size() * nodes.size() > 20000)
    progress = [](int done, int total) {
      if (done % 100 == 0 || done == total)
        std::fprintf(stderr, "\revaluating frame %d of %d%s", done, total, done == total ? "\n" : "");
    };
  // Each node's matrices taken apart as bake-keys keys them, angles following frame after frame.
  std::vector<PegChannels> channels(nodes.size(), PegChannels(scene->metrics()));
  std::vector<double> row(nodes.size() * PegChannels::kCount);
  SC_SceneEvaluator(*scene).evaluate(
      nodes, frames,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
        if (!peg) {
          writer->frame(index, matrices);
          return;
        }
        for (std::size_t n = 0; n < nodes.size(); ++n) {
          const PegChannels::Values v = channels[n].next(matrices[n]);
          std::copy(v.begin(), v.end(), row.begin() + static_cast<std::ptrdiff_t>(n * v.size()));
        }
        writer->values(index, row.data());
      },
      progress);
  writer->finish();
  return 0;
}
