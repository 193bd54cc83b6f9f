#pragma once
// Two notes Qt prints that say nothing about our work, left out of what a program without a
// window system shows: the runtime folder being unset (usual in batch jobs and tests) and the
// offscreen platform having no window system to pass fixed sizes on to. Everything else Qt says
// still reaches stderr.
#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace QuietQtNotes {

inline QtMessageHandler& previous() {
  static QtMessageHandler handler = nullptr;
  return handler;
}

inline void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
      message.contains(QLatin1String("does not support propagateSizeHints")))
    return;
  if (previous())
    previous()(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

inline void install() { previous() = qInstallMessageHandler(filter); }

// For a program that shows no window of its own (the demo, the benchmark): the offscreen platform
// unless QT_QPA_PLATFORM names another, and the two notes left out. Call before the application.
inline void offscreenByDefault() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  install();
}

} // namespace QuietQtNotes
