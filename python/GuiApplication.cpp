#include "GuiApplication.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

QtMessageHandler g_previous = nullptr;

// Qt's note that the runtime folder is unset (usual in batch jobs) says nothing about our work.
void quietRuntimeNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  if (g_previous)
    g_previous(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

void GuiApplication::ensure() {
  if (QCoreApplication::instance())
    return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt keeps references to these for the application's life.
  static int argc = 1;
  static char name[] = "python";
  static char* argv[] = {name, nullptr};
  g_previous = qInstallMessageHandler(quietRuntimeNote);
  // Never destroyed: it lives as long as the interpreter, and tearing Qt down while Python
  // finalises its modules would only risk the exit.
  new QGuiApplication(argc, argv);
  qInstallMessageHandler(g_previous);
}
