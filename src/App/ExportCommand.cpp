// vantorel export: what the nodes compute over a range of frames as a glTF 2.0 file (GltfExport),
// and how closely the file gives each node's matrix.
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "GltfExport.h"
#include "MatrixOutput.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneLoading.h"

namespace {

std::vector<MO_Module*> exportedNodes(const SC_SceneCommon& scene, const QStringList& names, const QString& path) {
  std::vector<MO_Module*> nodes;
  if (names.isEmpty()) {
    for (MO_Module* n : scene.nodes())
      if (GltfExport::exportable(n))
        nodes.push_back(n);
    return nodes;
  }
  for (const QString& name : names) {
    MO_Module* n = scene.findNode(name);
    if (!n)
      throw CliError(QStringLiteral("%1: no node named \"%2\"").arg(path, name));
    if (!GltfExport::exportable(n))
      throw CliError(QStringLiteral("export: node \"%1\" (%2) has no transformation output to export")
                         .arg(n->instanceName(), n->moduleTypeName()));
    if (std::find(nodes.begin(), nodes.end(), n) == nodes.end())
      nodes.push_back(n);
  }
  return nodes;
}

QString text(double v) {
  char number[40];
  *MatrixOutput::number(number, v, false) = '\0';
  return QString::fromLatin1(number);
}

void report(const GltfExport::Result& result, const FrameRange& range, double fps, const QString& output) {
  std::FILE* out = DataOutput::stream();
  QString head = QStringLiteral("%1: %2 nodes, frames %3-%4 at %5 frames per second")
                     .arg(output)
                     .arg(result.nodes.size())
                     .arg(range.first)
                     .arg(range.last)
                     .arg(text(fps));
  if (result.camera)
    head += QStringLiteral(", camera \"%1\"").arg(result.camera->instanceName());
  std::fprintf(out, "%s\n", qPrintable(head));
  for (std::size_t i = 0; i < result.nodes.size(); ++i) {
    const GltfExport::Residual& r = result.residuals[i];
    std::fprintf(out, "node \"%s\": largest residual %s at frame %d (m%d)%s\n",
                 qPrintable(result.nodes[i]->instanceName()), qPrintable(text(r.largest)), r.frame, r.value,
                 r.exact ? ""
                         : "; a translation, rotation and scale cannot express this motion (a shear or a "
                           "perspective), so the file holds the nearest");
  }
}

} // namespace

int Commands::exportGltf(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("glTF file to write (.gltf or .glb)"),
                    QStringLiteral("OUT.gltf|OUT.glb")});
  parser.addOption(
      {QStringLiteral("frames"), QStringLiteral("Frames A-B (default: the scene's range)"), QStringLiteral("A-B")});
  parser.addOption(
      {QStringLiteral("node"), QStringLiteral("Node to export (repeatable; default: all)"), QStringLiteral("NAME")});
  parser.addOption({QStringLiteral("fps"), QStringLiteral("Frames per second (default 24)"), QStringLiteral("N")});
  parser.addOption({QStringLiteral("hierarchy"), QStringLiteral("Nest each node under the node on its main input")});
  parser.addOption({QStringLiteral("no-markers"), QStringLiteral("Leave out the axis marker on every node")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel export")} + args))
    throw CliError(QStringLiteral("export: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("export: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("export: -o OUT.gltf or -o OUT.glb is required"));
  const QString output = parser.value(QStringLiteral("o"));
  if (!output.endsWith(QLatin1String(".gltf"), Qt::CaseInsensitive) &&
      !output.endsWith(QLatin1String(".glb"), Qt::CaseInsensitive))
    throw CliError(QStringLiteral("export: %1: the output must end in .gltf or .glb").arg(output));
  if (!QFileInfo(output).absoluteDir().exists())
    throw CliError(QStringLiteral("export: %1: no folder to write it in").arg(output));
  GltfExport::Options options;
  options.hierarchy = parser.isSet(QStringLiteral("hierarchy"));
  options.markers = !parser.isSet(QStringLiteral("no-markers"));
  if (parser.isSet(QStringLiteral("fps"))) {
    bool ok = false;
    options.fps = parser.value(QStringLiteral("fps")).toDouble(&ok);
    if (!ok || !std::isfinite(options.fps) || options.fps <= 0.0)
      throw CliError(QStringLiteral("export: --fps must be a number above 0, not \"%1\"")
                         .arg(parser.value(QStringLiteral("fps"))));
  }

  const QString path = positional.front();
  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(path);
  FrameRange range{scene->firstFrame(), scene->lastFrame()};
  if (parser.isSet(QStringLiteral("frames")))
    range = CliParsing::frames(QStringLiteral("export"), parser.value(QStringLiteral("frames")));
  const std::vector<MO_Module*> nodes = exportedNodes(*scene, parser.values(QStringLiteral("node")), path);
  if (nodes.empty())
    throw CliError(QStringLiteral("%1: no node with a transformation output to export").arg(path));
  options.name = QFileInfo(path).completeBaseName();

  // Progress only for a person watching: never into logs or pipes.
  GltfExport::Progress progress;
  if (isatty(STDERR_FILENO) && static_cast<double>(range.count()) * static_cast<double>(nodes.size()) > 20000)
    progress = [](int done, int total) {
      if (done % 100 == 0 || done == total)
        std::fprintf(stderr, "\rexporting frame %d of %d%s", done, total, done == total ? "\n" : "");
    };
  const GltfExport::Result result = GltfExport::write(*scene, nodes, range, options, output, progress);
  for (const QString& warning : result.warnings)
    std::fprintf(stderr, "vantorel: export: %s\n", qPrintable(warning));
  report(result, range, options.fps, output);
  return std::fflush(DataOutput::stream()) == 0 ? 0 : 1;
}
