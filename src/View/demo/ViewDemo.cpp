// view_demo FOLDER: the window of vantorel view used as a user would, on the offscreen platform,
// with a picture of it at each point worth showing (written to FOLDER as PNG): the switch's knob
// dragged live and let go (the gate fading, one step in the history), the spring tail from the
// top with its onion skin and labels, the forearm's limit with its attribute panel. make demo
// runs it; the README shows the pictures.
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QStatusBar>
#include <cstdio>
#include <memory>

#include "GraphicCore/VU_SceneRenderer.h"
#include "MainWindow.h"
#include "PaintThreads.h"
#include "QuietQtNotes.h"
#include "SceneCore/SC_SceneCommon.h"
#include "Session.h"
#include "ViewDocument.h"
#include "ViewportWidget.h"

namespace {

QString g_folder;
QString g_examples;

void mouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
  QApplication::processEvents();
}

std::unique_ptr<MainWindow> open(const char* example, int frame, VU_SceneRenderer::View view) {
  auto w = std::make_unique<MainWindow>(Session::open(QDir(g_examples).filePath(QString::fromLatin1(example))));
  w->resize(1480, 860);
  ViewDocument::Display d = w->document().display();
  d.view = view;
  w->document().setDisplay(d);
  w->document().setFrame(frame);
  w->show();
  QApplication::processEvents();
  return w;
}

void shoot(MainWindow& w, const char* name) {
  QApplication::processEvents();
  const QString path = QDir(g_folder).filePath(QString::fromLatin1(name));
  if (!w.grab().save(path))
    throw std::runtime_error("cannot write " + path.toStdString());
  std::printf("%s: %s\n", qPrintable(path), qPrintable(w.statusBar()->currentMessage()));
}

// Where the viewport shows a point of the world given in scene units.
QPoint pixelOf(MainWindow& w, const Math::Point3d& scenePoint) {
  Session& s = w.document().session();
  const ViewSpec view = w.viewport()->viewSpec();
  Math::Point3d pixel;
  VU_SceneRenderer(s.scene(), view.panZoom)
      .viewChain(*view.frame, view.view, view.size)
      .transform(Math::eSourceWorldFrame, s.scene().metrics().toOGL(scenePoint), Math::eDestinationViewFrame, pixel);
  return QPointF(pixel.x, pixel.y).toPoint();
}

void switchGate() {
  auto w = open("switch_gate.xml", 1, VU_SceneRenderer::eCameraView);
  QWidget* v = w->viewport();
  // The knob of ACTIVE 30 % sits 14 units left of the slider's offset, 30 % up its 20 units;
  // dragged up, the gate turns to its target.
  const QPoint knob = pixelOf(*w, Math::Point3d(-14, -4, 0)), top = pixelOf(*w, Math::Point3d(-14, 7, 0));
  mouse(v, QEvent::MouseButtonPress, knob, Qt::LeftButton, Qt::LeftButton);
  for (int k = 1; k <= 6; ++k)
    mouse(v, QEvent::MouseMove, knob + (top - knob) * k / 6, Qt::NoButton, Qt::LeftButton);
  shoot(*w, "view_switch_dragging.png");
  mouse(v, QEvent::MouseButtonRelease, top, Qt::LeftButton, Qt::NoButton);
  shoot(*w, "view_switch_gate.png");
}

void springTail() {
  auto w = open("spring_tail.xml", 20, VU_SceneRenderer::eTopView);
  ViewDocument::Display d = w->document().display();
  d.onion = true;
  d.onionFrames = 6;
  d.labels = true;
  w->document().setDisplay(d);
  w->document().chooseNode(QStringLiteral("Tip"));
  shoot(*w, "view_spring_tail.png");
}

void limitForearm() {
  auto w = open("limit_forearm.xml", 24, VU_SceneRenderer::eCameraView);
  // The control stands at POS in the forearm's space.
  Session& s = w->document().session();
  const Math::Point3d pos =
      s.scene().metrics().fromOGL(s.matrix(QStringLiteral("Forearm"), 24) *
                                  s.scene().metrics().toOGL(Math::Point3d(
                                      s.attribute(QStringLiteral("Limit"), QStringLiteral("POS.X")).number,
                                      s.attribute(QStringLiteral("Limit"), QStringLiteral("POS.Y")).number, 0)));
  const QPoint control = pixelOf(*w, pos);
  mouse(w->viewport(), QEvent::MouseButtonPress, control, Qt::LeftButton, Qt::LeftButton);
  mouse(w->viewport(), QEvent::MouseButtonRelease, control, Qt::LeftButton, Qt::NoButton);
  shoot(*w, "view_limit_forearm.png");
}

} // namespace

int main(int argc, char** argv) {
  QuietQtNotes::offscreenByDefault();
  QApplication app(argc, argv);
  paintOnTheCallingThread();
  if (argc != 2) {
    std::fprintf(stderr, "usage: view_demo FOLDER\n");
    return 2;
  }
  g_folder = QString::fromLocal8Bit(argv[1]);
  g_examples = QStringLiteral(VANTOREL_EXAMPLES);
  try {
    switchGate();
    springTail();
    limitForearm();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "view_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
