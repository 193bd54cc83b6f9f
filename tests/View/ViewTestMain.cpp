// The window's tests run on the offscreen platform, so that they need no display; one widget
// application for all of them.
#include <gtest/gtest.h>

#include <QApplication>

#include "PaintThreads.h"
#include <cstdio>

namespace {

QtMessageHandler g_qtMessages = nullptr;

// The offscreen platform says it cannot pass fixed sizes on to a window system (there is none);
// everything else Qt says still shows.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support propagateSizeHints")) ||
      message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  if (g_qtMessages)
    g_qtMessages(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  g_qtMessages = qInstallMessageHandler(quietOffscreenNotes);
  QApplication app(argc, argv);
  paintOnTheCallingThread();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
