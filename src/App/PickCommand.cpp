// vantorel pick: a click in a view, reported rather than acted on. It names what lies under
// the pixel of the view `render` draws (the node whose pick id is there and its handle, and
// the node whose control drew that pixel when one did), then, for a node that chooses its
// main input from a click (the control's node, or the one named with --node), tells it of the
// click and prints the main input it then reports. Nothing is selected and nothing is saved.
#include <QCommandLineParser>
#include <cmath>
#include <cstdio>
#include <memory>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "PickReport.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"

int Commands::pick(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("at"), QStringLiteral("The pixel clicked (x right, y down from the top left)"),
                    QStringLiteral("X,Y")});
  parser.addOption(
      {QStringLiteral("frame"), QStringLiteral("Frame shown (default: the scene's first)"), QStringLiteral("F")});
  parser.addOption({QStringLiteral("view"), QStringLiteral("camera, top or side (default camera)"),
                    QStringLiteral("VIEW"), QStringLiteral("camera")});
  parser.addOption({QStringLiteral("size"), QStringLiteral("View size in pixels (default as vantorel render)"),
                    QStringLiteral("WxH")});
  parser.addOption({QStringLiteral("node"), QStringLiteral("Node told of the click (default: the control's node)"),
                    QStringLiteral("NAME")});
  const QString cmd = QStringLiteral("pick");
  if (!parser.parse(QStringList{QStringLiteral("vantorel pick")} + args))
    throw CliError(QStringLiteral("pick: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("pick: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("at")))
    throw CliError(QStringLiteral("pick: --at X,Y is required"));
  const Math::Point2d at = CliParsing::point(cmd, QStringLiteral("--at"), parser.value(QStringLiteral("at")));
  VU_SceneRenderer::View view;
  if (!VU_SceneRenderer::parseView(parser.value(QStringLiteral("view")), view))
    throw CliError(QStringLiteral("pick: --view must be camera, top or side, not \"%1\"")
                       .arg(parser.value(QStringLiteral("view"))));
  const bool sizeGiven = parser.isSet(QStringLiteral("size"));
  const QSize givenSize = sizeGiven ? CliParsing::size(cmd, parser.value(QStringLiteral("size"))) : QSize();
  const bool frameGiven = parser.isSet(QStringLiteral("frame"));
  const double givenFrame = frameGiven ? CliParsing::frame(cmd, parser.value(QStringLiteral("frame"))) : 0.0;

  const std::unique_ptr<Session> session = Session::open(positional.front(), {}, Session::Use::Reading);
  const QString named = parser.value(QStringLiteral("node"));
  if (parser.isSet(QStringLiteral("node")))
    withPrefix(QStringLiteral("pick: "), [&] { session->node(named); });
  ViewSpec spec{frameGiven ? std::optional<double>(givenFrame) : std::nullopt, view, sizeGiven ? givenSize : QSize()};
  const QSize size = session->viewSize(spec);
  const int px = static_cast<int>(std::floor(at.x));
  const int py = static_cast<int>(std::floor(at.y));
  if (px < 0 || py < 0 || px >= size.width() || py >= size.height())
    throw CliError(QStringLiteral("pick: --at %1,%2 lies outside the %3x%4 view")
                       .arg(at.x)
                       .arg(at.y)
                       .arg(size.width())
                       .arg(size.height()));
  const PickResult hit = withPrefix(QStringLiteral("pick: "), [&] { return session->pick(at, spec, named); });

  const QString report = pickReport(hit);
  std::fputs(qPrintable(report), DataOutput::stream());
  DataOutput::finish();
  return 0;
}
