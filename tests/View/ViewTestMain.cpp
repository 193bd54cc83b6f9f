// The window's tests run on the offscreen platform, so that they need no display; one widget
// application for all of them, painting as the window does.
#include <gtest/gtest.h>

#include <QApplication>

#include "PaintThreads.h"
#include "QuietQtNotes.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QuietQtNotes::install();
  QApplication app(argc, argv);
  paintOnTheCallingThread();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
