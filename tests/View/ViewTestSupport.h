#pragma once
// What the window's tests share: a window over an example with its viewport at the size render
// draws by default (so that view pixels are render's and pick's), the pointer moved over a
// widget as a user moves it and prompts that answer as a test says and remember what was asked.
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <memory>
#include <vector>

#include "App/VantorelProcess.h"
#include "MainWindow.h"
#include "Session/SessionTestSupport.h"
#include "ViewDocument.h"
#include "ViewportWidget.h"
#include "WindowPrompts.h"

struct TestPrompts : WindowPrompts {
  Answer unsaved = Answer::Cancel;
  Answer changedOnDisk = Answer::Cancel;
  QString savePath;
  QStringList asked; // "unsaved FILE", "changed FILE", "failed MESSAGE"
  Answer askUnsaved(QWidget*, const QString& file) override { return asked << "unsaved " + file, unsaved; }
  Answer askChangedOnDisk(QWidget*, const QString& file) override { return asked << "changed " + file, changedOnDisk; }
  void tellFailure(QWidget*, const QString&, const QString& message) override { asked << "failed " + message; }
  QString chooseSavePath(QWidget*, const QString&) override { return savePath; }
};

struct TestWindow {
  std::unique_ptr<MainWindow> window;
  TestPrompts* prompts;
  ViewportWidget* viewport() const { return window->viewport(); }
  Session& session() const { return window->document().session(); }
};

// The window over a session, shown, its viewport `size` pixels (default: render's size).
inline TestWindow showWindow(std::unique_ptr<Session> session, QSize size = QSize()) {
  const QSize viewSize = size.isEmpty() ? session->viewSize(ViewSpec()) : size;
  TestWindow w{std::make_unique<MainWindow>(std::move(session)), nullptr};
  auto prompts = std::make_unique<TestPrompts>();
  w.prompts = prompts.get();
  w.window->setPrompts(std::move(prompts));
  w.viewport()->setFixedSize(viewSize);
  w.window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
  return w;
}

inline TestWindow showExample(const char* name, QSize size = QSize()) { return showWindow(openExample(name), size); }

inline void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = {}) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, modifiers);
  QApplication::sendEvent(widget, &event);
}

// A press, `steps` moves along the straight line (the last on `to`) and a release.
inline void dragMouse(QWidget* widget, const QPoint& from, const QPoint& to, int steps = 8,
                      Qt::MouseButton button = Qt::LeftButton) {
  sendMouse(widget, QEvent::MouseButtonPress, from, button, button);
  for (int k = 1; k <= steps; ++k)
    sendMouse(widget, QEvent::MouseMove, from + (to - from) * k / steps, Qt::NoButton, button);
  sendMouse(widget, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

inline void click(QWidget* widget, const QPoint& at, Qt::KeyboardModifiers modifiers = {}) {
  sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
  sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
}
