// vantorel graph: the node view the window shows beside its viewport, drawn to a file: every
// node a box in its own colours (the --prefs file's colour preferences show), every port in its
// port colours at the frame, the links between them.
#include <QCommandLineParser>
#include <QFileInfo>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "NodeGraph.h"
#include "Session.h"

int Commands::graph(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption(
      {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("OUT.svg or OUT.png"), QStringLiteral("OUT")});
  parser.addOption({QStringLiteral("frame"),
                    QStringLiteral("Frame whose port colours are drawn (default: the scene's first)"),
                    QStringLiteral("F")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel graph")} + args))
    throw CliError(QStringLiteral("graph: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("graph: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("graph: -o OUT.svg|OUT.png is required"));
  const QString out = parser.value(QStringLiteral("o"));
  const QString suffix = QFileInfo(out).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    throw CliError(QStringLiteral("graph: %1: the output must end in .png or .svg").arg(out));
  const bool frameGiven = parser.isSet(QStringLiteral("frame"));
  const double frame =
      frameGiven ? CliParsing::frame(QStringLiteral("graph"), parser.value(QStringLiteral("frame"))) : 0.0;

  const std::unique_ptr<Session> session = Session::open(positional.front(), {}, Session::Use::Reading);
  const NodeGraph graph = NodeGraph::of(session->scene(), frameGiven ? frame : session->frameRange().first);
  QString why;
  if (!graph.save(out, &why))
    throw CliError(QStringLiteral("graph: ") + why);
  return 0;
}
