// vantorel export: what the nodes compute over a range of frames as a glTF 2.0 file (the
// session's exportGltf), and how closely the file gives each node's matrix.
#include <QCommandLineParser>
#include <cmath>
#include <cstdio>
#include <optional>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "MatrixOutput.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"
#include "TerminalProgress.h"

namespace {

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
  CliParsing::addJobsOption(parser);
  if (!parser.parse(QStringList{QStringLiteral("vantorel export")} + args))
    throw CliError(QStringLiteral("export: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("export: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("export: -o OUT.gltf or -o OUT.glb is required"));
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
  const QString output = parser.value(QStringLiteral("o"));
  const int jobs = CliParsing::jobs(QStringLiteral("export"), parser);
  std::optional<FrameRange> asked;
  if (parser.isSet(QStringLiteral("frames")))
    asked = CliParsing::frames(QStringLiteral("export"), parser.value(QStringLiteral("frames")));

  const std::unique_ptr<Session> session = Session::open(positional.front(), {}, Session::Use::Reading);
  session->setJobs(jobs);
  const FrameRange range = asked ? *asked : session->frameRange();
  const QStringList nodes = parser.values(QStringLiteral("node"));
  const std::size_t size = nodes.isEmpty() ? session->nodes().size() : static_cast<std::size_t>(nodes.size());
  const GltfExport::Result result = withPrefix(QStringLiteral("export: "), [&] {
    return session->exportGltf(output, nodes, range, options,
                               terminalProgress("exporting", static_cast<double>(range.count()) * size > 20000));
  });
  for (const QString& warning : result.warnings)
    std::fprintf(stderr, "vantorel: export: %s\n", qPrintable(warning));
  report(result, range, options.fps, output);
  return std::fflush(DataOutput::stream()) == 0 ? 0 : 1;
}
