// vantorel bake and vantorel drag: an edit made the way a user makes it in the host (a button
// pressed in the editor, a control dragged in the camera view), run as one undoable command,
// then the scene saved. Both print the name the edit has in the undo history.
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "CliError.h"
#include "CliParsing.h"
#include "Command/CO_CommandManager.h"
#include "Command/CO_OrCommand.h"
#include "Commands.h"
#include "DataOutput.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "PlugInManager/PLUG_ScopedSession.h"
#include "SceneCore/AT_PushButtonAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneLoading.h"

namespace {

struct EditSetup {
  std::unique_ptr<SC_SceneCommon> scene;
  MO_Module* node = nullptr;
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
  setup.output = parser.value(QStringLiteral("o"));
  setup.scene = loadSceneOrThrow(positional[0]);
  setup.node = setup.scene->findNode(positional[1]);
  if (!setup.node)
    throw CliError(QStringLiteral("%1: no node named \"%2\"").arg(positional[0], positional[1]));
  setup.frame = parser.isSet(QStringLiteral("frame"))
                    ? CliParsing::frame(command, parser.value(QStringLiteral("frame")))
                    : setup.scene->firstFrame();
  setup.scene->setCurrentFrame(setup.frame);
  return setup;
}

int finish(const QString& command, const EditSetup& setup, const CO_CommandManager& manager) {
  if (manager.history().isEmpty())
    throw CliError(QStringLiteral("%1: node \"%2\" made no edit").arg(command, setup.node->instanceName()));
  QString error;
  if (!PIO_SceneWriter::writeFile(*setup.scene, setup.output, &error))
    throw CliError(error);
  std::fprintf(DataOutput::stream(), "%s\n", qPrintable(manager.history().back()));
  return std::fflush(DataOutput::stream()) == 0 ? 0 : 1;
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
  auto* button = dynamic_cast<AT_PushButtonAttr*>(
      setup.node->attr(all ? QStringLiteral("bakeAttr_all") : QStringLiteral("bakeAttr")));
  if (!button)
    throw CliError(QStringLiteral("bake: node \"%1\" (%2) has no bake buttons")
                       .arg(setup.node->instanceName(), setup.node->moduleTypeName()));
  CO_CommandManager manager;
  PLUG_ScopedSession session(setup.scene.get(), &manager);
  button->press();
  return finish(QStringLiteral("bake"), setup, manager);
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
  const QSize size = parser.isSet(QStringLiteral("size")) ? CliParsing::size(cmd, parser.value(QStringLiteral("size")))
                                                          : VU_SceneRenderer::defaultSize(*setup.scene);

  CO_CommandManager manager;
  PLUG_ScopedSession session(setup.scene.get(), &manager);
  auto macro = std::make_unique<CO_OrCommand>();
  QString operation;
  SLB_ViewDriver driver(VU_SceneRenderer::eCameraView, size);
  if (!driver.drag(*setup.scene, setup.node, setup.frame, from, to, mode, macro.get(), &operation))
    throw CliError(QStringLiteral("drag: node \"%1\" (%2) has no control to drag")
                       .arg(setup.node->instanceName(), setup.node->moduleTypeName()));
  // The view runs what the drag added as one step named by the manipulator.
  manager.execute(macro.release(), operation.isEmpty() ? QStringLiteral("Drag") : operation);
  return finish(cmd, setup, manager);
}
