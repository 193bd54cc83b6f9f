// One redraw of the viewport of vantorel view, on a rig of 100 nodes that all draw something:
// ten units, each of four animated pegs, a two-points arm between two of them, a three-points
// patch over three, a multi-points fit over all four, a transformation limit on the fourth
// faded by a switch (whose slider is drawn too) and a spring behind the arm, seen through a
// camera at 960x540 on the offscreen platform. The picture the viewport shows is what
// Session::renderImage draws; a redraw is asked for the way the window asks for it (the frame
// shown changes, as in playing, or only the display, as when a toggle or the selection changes)
// and taken from the widget with grab(), which paints it as the screen would.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <memory>

#include "MainWindow.h"
#include "NodeGraphWidget.h"
#include "PaintThreads.h"
#include "QuietQtNotes.h"
#include "Session.h"
#include "ViewDocument.h"
#include "ViewportWidget.h"

namespace {

const HostOptions kHost{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()};

QString peg(const QString& name, double x, double y, double px, double py, int unit) {
  return QStringLiteral("<node type=\"Peg\" name=\"%1\"><attr keyword=\"PIVOT.X\" value=\"%2\"/>"
                        "<attr keyword=\"PIVOT.Y\" value=\"%3\"/>"
                        "<attr keyword=\"POSITION.X\"><key frame=\"1\" value=\"%4\"/>"
                        "<key frame=\"100\" value=\"%5\" interpolation=\"linear\"/></attr>"
                        "<attr keyword=\"POSITION.Y\"><key frame=\"1\" value=\"%6\"/>"
                        "<key frame=\"50\" value=\"%7\" interpolation=\"linear\"/></attr>"
                        "<attr keyword=\"ROTATION.ANGLEZ\"><key frame=\"1\" value=\"0\"/>"
                        "<key frame=\"100\" value=\"%8\" interpolation=\"linear\"/></attr></node>\n")
      .arg(name)
      .arg(px)
      .arg(py)
      .arg(x)
      .arg(x + 1.5)
      .arg(y)
      .arg(y - 1.0)
      .arg(10 + 3 * unit);
}

QString link(const QString& from, const QString& to, int port) {
  return QStringLiteral("<link from=\"%1\" to=\"%2\" toPort=\"%3\"/>\n").arg(from, to).arg(port);
}

QByteArray rig() {
  QString nodes, links;
  for (int u = 0; u < 10; ++u) {
    const double ox = (u % 5) * 14.0 - 28.0, oy = (u / 5) * 16.0 - 8.0;
    const QString n = QString::number(u);
    const QString a = "A" + n, b = "B" + n, c = "C" + n, d = "D" + n;
    nodes += peg(a, ox, oy, -3, -2, u) + peg(b, ox + 0.5, oy, 3, -2, u) + peg(c, ox, oy + 0.5, 0, 3, u) +
             peg(d, ox - 0.5, oy, 2, 2, u);
    nodes += QStringLiteral("<node type=\"PointConstraint2\" name=\"Arm%1\"/>\n").arg(n);
    nodes += QStringLiteral("<node type=\"PointConstraint3\" name=\"Patch%1\"/>\n").arg(n);
    nodes += QStringLiteral("<node type=\"PointConstraintMulti\" name=\"Fit%1\"/>\n").arg(n);
    nodes += QStringLiteral("<node type=\"Switch\" name=\"Fade%1\"><attr keyword=\"ACTIVE\" value=\"%2\"/>"
                            "<attr keyword=\"UIOFFSETPOS.X\" value=\"%3\"/><attr keyword=\"UIOFFSETPOS.Y\" "
                            "value=\"%4\"/><attr keyword=\"UISCALE\" value=\"0.3\"/></node>\n")
                 .arg(n)
                 .arg(10 * u)
                 .arg(ox + 20)
                 .arg(oy);
    nodes += QStringLiteral("<node type=\"TransformLimit\" name=\"Limit%1\"><attr keyword=\"ROT\" value=\"50\"/>"
                            "<attr keyword=\"SWITCHTYPE\" value=\"ROTATION\"/></node>\n")
                 .arg(n);
    nodes += QStringLiteral("<node type=\"DynamicSpring\" name=\"Tail%1\"/>\n").arg(n);
    links += link(a, "Arm" + n, 0) + link(b, "Arm" + n, 1);
    links += link(a, "Patch" + n, 0) + link(b, "Patch" + n, 1) + link(c, "Patch" + n, 2);
    for (int k = 0; k < 4; ++k)
      links += link(QStringList{a, b, c, d}[k], "Fit" + n, k);
    links += link(d, "Limit" + n, 0) + link("Fade" + n, "Limit" + n, 2);
    links += link("Arm" + n, "Tail" + n, 0);
  }
  return QStringLiteral("<scene version=\"1\" frames=\"1-100\" aspect=\"16:9\">\n"
                        "<camera node=\"Camera\"/>\n<node type=\"Camera\" name=\"Camera\">"
                        "<attr keyword=\"POSITION.Z\" value=\"48\"/><attr keyword=\"FOV\" value=\"45\"/></node>\n"
                        "%1%2</scene>\n")
      .arg(nodes, links)
      .toUtf8();
}

// Made in main and gone before the application is.
MainWindow* g_window = nullptr;

MainWindow& window() { return *g_window; }

std::unique_ptr<MainWindow> makeWindow() {
  auto made = std::make_unique<MainWindow>(Session::openData(rig(), QStringLiteral("rig.xml"), kHost));
  made->viewport()->setFixedSize(960, 540);
  made->show();
  // The springs' histories filled once, as a first play through does: what is measured is the
  // steady state of playing and scrubbing.
  for (int f = 1; f <= 100; ++f) {
    made->document().setFrame(f);
    made->viewport()->picture();
  }
  return made;
}

// The next frame each time, every node evaluated at it, then the widget drawn.
void playing(benchmark::State& state, QWidget* widget) {
  ViewDocument& doc = window().document();
  int frame = 1;
  for (auto _ : state) {
    frame = frame % 100 + 1;
    doc.setFrame(frame);
    benchmark::DoNotOptimize(widget->grab());
  }
}

// Playing in the viewport.
void BM_ViewportRedrawNextFrame(benchmark::State& state) { playing(state, window().viewport()); }
BENCHMARK(BM_ViewportRedrawNextFrame)->Unit(benchmark::kMillisecond);

// The same frame drawn again (a toggle, the selection): evaluation already done.
void BM_ViewportRedrawSameFrame(benchmark::State& state) {
  MainWindow& w = window();
  ViewDocument& doc = w.document();
  doc.setFrame(40);
  for (auto _ : state) {
    doc.setDisplay(doc.display());
    benchmark::DoNotOptimize(w.viewport()->grab());
  }
}
BENCHMARK(BM_ViewportRedrawSameFrame)->Unit(benchmark::kMillisecond);

// What the viewport asks the session for, without painting it on the widget.
void BM_RenderImageSameFrame(benchmark::State& state) {
  MainWindow& w = window();
  ViewDocument& doc = w.document();
  doc.setFrame(40);
  const RenderOptions options = doc.renderOptions(w.viewport()->viewSpec());
  for (auto _ : state)
    benchmark::DoNotOptimize(doc.session().renderImage(options));
}
BENCHMARK(BM_RenderImageSameFrame)->Unit(benchmark::kMillisecond);

// The node view beside it, drawn again as it is at each edit and frame.
void BM_NodeViewRedraw(benchmark::State& state) { playing(state, window().nodeView()); }
BENCHMARK(BM_NodeViewRedraw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  QuietQtNotes::offscreenByDefault();
  QApplication app(argc, argv);
  // The rig itself, to look at: VIEW_BENCH_RIG=rig.xml writes it.
  if (!qEnvironmentVariableIsEmpty("VIEW_BENCH_RIG")) {
    QFile file(qEnvironmentVariable("VIEW_BENCH_RIG"));
    if (!file.open(QIODevice::WriteOnly) || file.write(rig()) < 0)
      return 1;
  }
  benchmark::Initialize(&argc, argv);
  // As the window paints; VIEW_BENCH_QT_THREADS=1 measures Qt's own way, its pool filling.
  if (qEnvironmentVariableIsEmpty("VIEW_BENCH_QT_THREADS"))
    paintOnTheCallingThread();
  const std::unique_ptr<MainWindow> w = makeWindow();
  g_window = w.get();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
