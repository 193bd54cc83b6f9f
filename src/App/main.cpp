// vantorel: the host's batch front end. Exit status 0 on success, 2 for bad input (one line on
// stderr saying what and where), 1 for an internal failure.
#include <QCoreApplication>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <memory>

#include "BaseCore/Processor.h"
#include "CliError.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "DataOutput.h"

namespace {

const char* kUsage =
    "usage:\n"
    "  vantorel eval SCENE [--frames A[-B]] [--node NAME]... [--format csv|json|npy] [--values matrix|peg] [-o OUT]\n"
    "                [--jobs N]\n"
    "  vantorel render SCENE (--frame F | --frames A-B) -o OUT.svg|OUT.png|NAME%04d.png [--pick]\n"
    "                  [--view camera|top|side] [--size WxH] [--onion N] [--node NAME]... [--labels]\n"
    "  vantorel check SCENE\n"
    "  vantorel types [--json]\n"
    "  vantorel bake SCENE NODE (--all|--immediate) [--frame F] -o OUT.xml\n"
    "  vantorel drag SCENE NODE --from X,Y --to X,Y [--frame F] [--animation-mode N] [--size WxH] -o OUT.xml\n"
    "  vantorel pick SCENE --at X,Y [--frame F] [--view camera|top|side] [--size WxH] [--node NAME]\n"
    "  vantorel bake-keys SCENE NODE --frames A-B [--name PEG] [--replace] -o OUT.xml [--jobs N]\n"
    "  vantorel curves SCENE --node NAME [--node NAME]... [--frames A-B] [--channels tx,ty,rz,...] [--size WxH]\n"
    "                  -o OUT.svg|OUT.png [--jobs N]\n"
    "  vantorel export SCENE -o OUT.gltf|OUT.glb [--frames A-B] [--node NAME]... [--fps N] [--hierarchy] "
    "[--no-markers] [--jobs N]\n"
    "  vantorel graph SCENE -o OUT.svg|OUT.png [--frame F]\n"
    "  vantorel view SCENE [--frame F] [--view camera|top|side]\n"
    "common options: --plugins DIR (default: plugins next to vantorel), --prefs FILE\n"
    "--jobs N: threads to evaluate on (default: the machine's cores; the output is the same with any)\n";

QtMessageHandler g_qtMessages = nullptr;

// Qt's own note that the runtime folder is unset (usual in batch jobs) says nothing about our
// work; everything else Qt says still reaches stderr.
void quietRuntimeNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  if (g_qtMessages)
    g_qtMessages(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

bool isCommand(int argc, char** argv, const char* name) { return argc > 1 && !std::strcmp(argv[1], name); }

// Drawing text needs fonts, which only a GUI application has: the commands that draw start one
// on the offscreen platform (no display needed), the window starts a widget application once
// it has read its scene, the others stay without.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
  if (isCommand(argc, argv, "view"))
    return nullptr;
  const bool draws =
      isCommand(argc, argv, "render") || isCommand(argc, argv, "curves") || isCommand(argc, argv, "graph");
  if (!draws)
    return std::make_unique<QCoreApplication>(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  g_qtMessages = qInstallMessageHandler(quietRuntimeNote);
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  qInstallMessageHandler(g_qtMessages);
  return app;
}

QStringList argumentsOf(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i)
    args << QString::fromLocal8Bit(argv[i]);
  return args;
}

} // namespace

int main(int argc, char** argv) {
  if (const char* missing = missingProcessorFeature()) {
    std::fprintf(stderr, "vantorel: %s\n", missing);
    return 1;
  }
  // A reader that goes away (`| head`) is reported as a failed write, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  // Before anything can print: the data keeps standard output, stray printf lines go to stderr.
  DataOutput::claimStandardOutput();
  const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
  QStringList args = app ? QCoreApplication::arguments() : argumentsOf(argc, argv);
  args.removeFirst();
  if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
    std::fputs(kUsage, args.isEmpty() ? stderr : DataOutput::stream());
    return args.isEmpty() ? 2 : 0;
  }
  const std::map<QString, int (*)(const QStringList&)> commands{
      {QStringLiteral("eval"), &Commands::eval},     {QStringLiteral("check"), &Commands::check},
      {QStringLiteral("render"), &Commands::render}, {QStringLiteral("types"), &Commands::types},
      {QStringLiteral("bake"), &Commands::bake},     {QStringLiteral("drag"), &Commands::drag},
      {QStringLiteral("pick"), &Commands::pick},     {QStringLiteral("bake-keys"), &Commands::bakeKeys},
      {QStringLiteral("curves"), &Commands::curves}, {QStringLiteral("export"), &Commands::exportGltf},
      {QStringLiteral("graph"), &Commands::graph},
  };
  const QString name = args.takeFirst();
  auto it = commands.find(name);
  try {
    const bool window = name == QLatin1String("view");
    if (it == commands.end() && !window)
      throw CliError(QStringLiteral("unknown command \"%1\" (try vantorel --help)").arg(name));
    takeCommonOptions(args);
    const int status = window ? Commands::view(args, argc, argv) : it->second(args);
    DataOutput::finish();
    return status;
  } catch (const CliError& e) {
    std::fprintf(stderr, "vantorel: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantorel: internal error: %s\n", e.what());
    return 1;
  }
}
