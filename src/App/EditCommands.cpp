// vantorel bake and vantorel drag: an edit made the way a user makes it in the host (a button
// pressed in the editor, a control dragged in the camera view), run as one undoable command,
// then the scene saved. Both print the name the edit has in the undo history.
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"

namespace {

struct EditSetup {
  QString command;
  std::unique_ptr<Session> session;
  QString node;
  double frame = 1.0;
  QString output;
};

// The options every edit command shares: SCENE NODE positionals, --frame, -o.
void addCommonOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addPositionalArgument(QStringLiteral("node"), QStringLiteral("Node name"));
  parser.addOption(
      {QStringLiteral("frame"), QStringLiteral("Current frame (default: the scene's first)"), QStringLiteral("F")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("Scene file to write"),
                    QStringLiteral("OUT.xml")});
}

EditSetup setUp(const QString& command, QCommandLineParser& parser, const QStringList& args) {
  if (!parser.parse(QStringList{QStringLiteral("vantorel ") + command} + args))
    throw CliError(command + QStringLiteral(": ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 2)
    throw CliError(QStringLiteral("%1: expected a scene file and a node name").arg(command));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("%1: -o OUT.xml is required").arg(command));
  EditSetup setup;
  setup.command = command;
  setup.output = parser.value(QStringLiteral("o"));
  setup.session = Session::open(positional[0]);
  setup.node = setup.session->node(positional[1])->instanceName();
  setup.frame = parser.isSet(QStringLiteral("frame"))
                    ? CliParsing::frame(command, parser.value(QStringLiteral("frame")))
                    : setup.session->frameRange().first;
  setup.session->setCurrentFrame(setup.frame);
  return setup;
}

int finish(const EditSetup& setup, const QString& name) {
  withPrefix(setup.command + QStringLiteral(": "), [&] { setup.session->save(setup.output); });
  if (name.isEmpty())
    return 0;
  std::fprintf(DataOutput::stream(), "%s\n", qPrintable(name));
  DataOutput::finish();
  return 0;
}

} // namespace

int Commands::bake(const QStringList& args) {
  QCommandLineParser parser;
  addCommonOptions(parser);
  parser.addOption({QStringLiteral("all"), QStringLiteral("Bake all incoming transformations")});
  parser.addOption({QStringLiteral("immediate"), QStringLiteral("Bake the immediate parent's transformation")});
  EditSetup setup = setUp(QStringLiteral("bake"), parser, args);
  const bool all = parser.isSet(QStringLiteral("all"));
  if (all == parser.isSet(QStringLiteral("immediate")))
    throw CliError(QStringLiteral("bake: give exactly one of --all and --immediate"));
  const QString name = withPrefix(QStringLiteral("bake: "), [&] {
    return setup.session->bake(setup.node, all ? Session::BakeMode::All : Session::BakeMode::Immediate);
  });
  return finish(setup, name);
}

int Commands::drag(const QStringList& args) {
  QCommandLineParser parser;
  addCommonOptions(parser);
  parser.addOption(
      {QStringLiteral("from"), QStringLiteral("Press point in the camera view (pixels)"), QStringLiteral("X,Y")});
  parser.addOption(
      {QStringLiteral("to"), QStringLiteral("Release point in the camera view (pixels)"), QStringLiteral("X,Y")});
  parser.addOption({QStringLiteral("animation-mode"),
                    QStringLiteral("1: set at the frame; otherwise offset all frames"), QStringLiteral("N"),
                    QStringLiteral("1")});
  parser.addOption({QStringLiteral("size"), QStringLiteral("View size in pixels (default as vantorel render)"),
                    QStringLiteral("WxH")});
  EditSetup setup = setUp(QStringLiteral("drag"), parser, args);
  if (!parser.isSet(QStringLiteral("from")) || !parser.isSet(QStringLiteral("to")))
    throw CliError(QStringLiteral("drag: --from X,Y and --to X,Y are required"));
  const QString cmd = QStringLiteral("drag");
  const Math::Point2d from = CliParsing::point(cmd, QStringLiteral("--from"), parser.value(QStringLiteral("from")));
  const Math::Point2d to = CliParsing::point(cmd, QStringLiteral("--to"), parser.value(QStringLiteral("to")));
  const int mode =
      CliParsing::integer(cmd, QStringLiteral("--animation-mode"), parser.value(QStringLiteral("animation-mode")));
  ViewSpec view;
  if (parser.isSet(QStringLiteral("size")))
    view.size = CliParsing::size(cmd, parser.value(QStringLiteral("size")));
  const QString name =
      withPrefix(QStringLiteral("drag: "), [&] { return setup.session->drag(setup.node, from, to, view, mode); });
  if (name.isEmpty())
    std::fprintf(stderr, "drag: the release is where the press was, so nothing moved\n");
  return finish(setup, name);
}
