#include "WindowEntry.h"

#include <QApplication>

#include "MainWindow.h"
#include "PaintThreads.h"
#include "QuietQtNotes.h"
#include "ViewDocument.h"

extern "C" int vantorelWindowRun(WindowStart* start) {
  QuietQtNotes::install();
  QApplication app(*start->argc, start->argv);
  paintOnTheCallingThread();
  MainWindow window(std::move(start->session));
  ViewDocument::Display display = window.document().display();
  display.view = start->view;
  window.document().setDisplay(display);
  window.show();
  return QApplication::exec();
}
