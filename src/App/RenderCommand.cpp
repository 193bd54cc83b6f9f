// vantorel render: the scene drawn at a frame, or at every frame of a range into numbered
// files, optionally with each node's pivot path over the frames around (an onion skin) and
// the nodes' names.
#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "FrameRange.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"
#include "TerminalProgress.h"

namespace {

// More frames around than this would only bury the picture.
constexpr int kMaxOnion = 1000;

// The output's one frame-number field: %d, or %0Nd for N digits padded with zeros.
const QRegularExpression& numberField() {
  static const QRegularExpression re(QStringLiteral("%(0?[1-9]?)d"));
  return re;
}

QString numbered(const QString& pattern, int frame) {
  const QRegularExpressionMatch m = numberField().match(pattern);
  if (!m.hasMatch())
    return pattern;
  const int width = m.captured(1).isEmpty() ? 0 : m.captured(1).toInt();
  QString number = QString::number(std::abs(frame)).rightJustified(width - (frame < 0 ? 1 : 0), QLatin1Char('0'));
  if (frame < 0)
    number.prepend(QLatin1Char('-'));
  return QString(pattern).replace(m.capturedStart(), m.capturedLength(), number);
}

// The frames --frame or --frames asks for; a range needs a numbered output, a numbered output
// whole frames.
std::vector<double> framesToDraw(const QCommandLineParser& parser, const QString& out, bool isNumbered) {
  std::vector<double> frames;
  if (parser.isSet(QStringLiteral("frame"))) {
    const double frame = CliParsing::frame(QStringLiteral("render"), parser.value(QStringLiteral("frame")));
    if (isNumbered && frame != std::floor(frame))
      throw CliError(QStringLiteral("render: %1: a numbered output needs a whole frame").arg(out));
    frames.push_back(frame);
    return frames;
  }
  const FrameRange range = CliParsing::frames(QStringLiteral("render"), parser.value(QStringLiteral("frames")));
  if (!isNumbered)
    throw CliError(QStringLiteral("render: %1: --frames writes one file a frame, so the output needs a frame "
                                  "number field such as NAME%04d.png")
                       .arg(out));
  for (int f = range.first; f <= range.last; ++f)
    frames.push_back(f);
  return frames;
}

// The view, size, onion skin, labels and caption the options ask for.
RenderOptions displayOptions(const QCommandLineParser& parser) {
  RenderOptions options;
  if (!VU_SceneRenderer::parseView(parser.value(QStringLiteral("view")), options.view.view))
    throw CliError(QStringLiteral("render: --view must be camera, top or side, not \"%1\"")
                       .arg(parser.value(QStringLiteral("view"))));
  if (parser.isSet(QStringLiteral("size")))
    options.view.size = CliParsing::size(QStringLiteral("render"), parser.value(QStringLiteral("size")));
  if (parser.isSet(QStringLiteral("onion"))) {
    options.onion =
        CliParsing::integer(QStringLiteral("render"), QStringLiteral("--onion"), parser.value(QStringLiteral("onion")));
    if (options.onion < 0 || options.onion > kMaxOnion)
      throw CliError(
          QStringLiteral("render: --onion must be from 0 to %1 frames, not %2").arg(kMaxOnion).arg(options.onion));
  }
  if (parser.isSet(QStringLiteral("node")) && !parser.isSet(QStringLiteral("onion")))
    throw CliError(QStringLiteral("render: --node chooses whose paths --onion draws; give --onion N too"));
  options.labels = parser.isSet(QStringLiteral("labels"));
  options.caption = !parser.isSet(QStringLiteral("no-caption"));
  return options;
}

} // namespace

int Commands::render(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("frame"), QStringLiteral("Frame to draw"), QStringLiteral("F")});
  parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames to draw, one file each (-o NAME%04d.png)"),
                    QStringLiteral("A-B")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("OUT.svg or OUT.png; %d or %04d stands for the frame number"),
                    QStringLiteral("OUT")});
  parser.addOption({QStringLiteral("pick"), QStringLiteral("Draw the picking image (pick colours only)")});
  parser.addOption({QStringLiteral("view"), QStringLiteral("camera, top or side (default camera)"),
                    QStringLiteral("VIEW"), QStringLiteral("camera")});
  parser.addOption({QStringLiteral("size"), QStringLiteral("Image size in pixels (default 960 wide, scene aspect)"),
                    QStringLiteral("WxH")});
  parser.addOption({QStringLiteral("onion"),
                    QStringLiteral("Draw each node's pivot path over N frames before and after"), QStringLiteral("N")});
  parser.addOption({QStringLiteral("node"), QStringLiteral("Node whose path --onion draws (repeatable; default: all)"),
                    QStringLiteral("NAME")});
  parser.addOption({QStringLiteral("labels"), QStringLiteral("Write node names beside their pivots")});
  parser.addOption({QStringLiteral("no-caption"), QStringLiteral("Leave out the frame and view caption")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel render")} + args))
    throw CliError(QStringLiteral("render: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("render: expected one scene file, got %1").arg(positional.size()));
  const bool single = parser.isSet(QStringLiteral("frame"));
  if (single == parser.isSet(QStringLiteral("frames")))
    throw CliError(QStringLiteral("render: give one of --frame F and --frames A-B"));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("render: -o OUT.svg|OUT.png is required"));

  const QString out = parser.value(QStringLiteral("o"));
  const QString suffix = QFileInfo(out).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    throw CliError(QStringLiteral("render: %1: the output must end in .png or .svg").arg(out));
  const bool isNumbered = numberField().match(out).hasMatch();
  const std::vector<double> frames = framesToDraw(parser, out, isNumbered);
  RenderOptions options = displayOptions(parser);

  const std::unique_ptr<Session> session = Session::open(positional.front(), {}, Session::Use::Reading);
  for (const QString& name : parser.values(QStringLiteral("node")))
    options.onionNodes << session->node(name)->instanceName();
  if (!single)
    options.framingFrames = frames;
  options.picking = parser.isSet(QStringLiteral("pick"));
  const auto pathOf = [&](double frame) { return isNumbered ? numbered(out, static_cast<int>(frame)) : out; };
  const Session::Progress progress = terminalProgress(
      "rendering", frames.size() > 1, [&](int done) { return pathOf(frames[static_cast<std::size_t>(done - 1)]); });
  withPrefix(QStringLiteral("render: "), [&] { session->renderFrames(frames, pathOf, options, progress); });
  return 0;
}
