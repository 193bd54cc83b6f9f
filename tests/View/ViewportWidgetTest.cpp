// The viewport as a user meets it: its picture is what vantorel render writes for the same
// frame, view, size and toggles, pixel for pixel; a click picks what vantorel pick reports for
// that pixel, says so in the status bar and selects it; zooming the top view keeps the point
// under the pointer where it is, and a click there still picks what is drawn there.
#include <gtest/gtest.h>

#include <QHash>
#include <QImage>
#include <QTemporaryDir>
#include <QWheelEvent>

#include "GraphicCore/VU_SceneRenderer.h"
#include "NodeGraphWidget.h"
#include "SceneCore/SC_SceneCommon.h"
#include "ViewTestSupport.h"
#include <cmath>

namespace {

// Pick colours encode pick ids, which the host hands out process-wide in the order adaptors are
// made: a picking image of another process may number the same nodes differently. Two such
// images agree when one renumbering of colours turns one into the other.
bool sameUpToRenumbering(const QImage& a, const QImage& b) {
  if (a.size() != b.size())
    return false;
  QHash<QRgb, QRgb> forth, back;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (forth.value(p, q) != q || back.value(q, p) != p)
        return false;
      forth.insert(p, q);
      back.insert(q, p);
    }
  return true;
}

struct Shot {
  const char* name;
  const char* scene;
  int frame;
  VU_SceneRenderer::View view;
  QSize size;
  bool labels, onion, picking;
  const char* renderArgs; // what vantorel render is given for the same picture
};

class ViewportPicture : public ::testing::TestWithParam<Shot> {};

TEST_P(ViewportPicture, IsWhatRenderWritesForTheSameFrameAndSize) {
  const Shot& s = GetParam();
  TestWindow w = showExample(s.scene, s.size);
  ViewDocument& doc = w.window->document();
  ViewDocument::Display d = doc.display();
  d.view = s.view;
  d.labels = s.labels;
  d.onion = s.onion;
  d.onionFrames = 3;
  d.picking = s.picking;
  doc.setDisplay(d);
  doc.setFrame(s.frame);
  const QImage shown = w.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);

  QTemporaryDir dir;
  const QString png = dir.filePath(QStringLiteral("render.png"));
  const ProcessResult r =
      vantorel(QStringList{QStringLiteral("render"), QStringLiteral(VANTOREL_EXAMPLES "/") + s.scene,
                           QStringLiteral("--frame"), QString::number(s.frame), QStringLiteral("--size"),
                           QStringLiteral("%1x%2").arg(s.size.width()).arg(s.size.height()),
                           QStringLiteral("--no-caption"), QStringLiteral("-o"), png} +
               QString::fromLatin1(s.renderArgs).split(QLatin1Char(' '), Qt::SkipEmptyParts));
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QImage rendered = QImage(png).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(shown.size(), rendered.size());
  EXPECT_TRUE(s.picking ? sameUpToRenumbering(shown, rendered) : shown == rendered)
      << "the viewport differs from render";
}

using V = VU_SceneRenderer::View;
INSTANTIATE_TEST_SUITE_P(
    Views, ViewportPicture,
    ::testing::Values(
        Shot{"switchCamera", "switch_gate.xml", 1, V::eCameraView, {960, 540}, false, false, false, ""},
        Shot{"armOtherSize", "two_points_arm.xml", 16, V::eCameraView, {640, 480}, false, false, false, ""},
        Shot{"tailTopOnionLabels",
             "spring_tail.xml",
             20,
             V::eTopView,
             {960, 540},
             true,
             true,
             false,
             "--view top --onion 3 --labels"},
        Shot{"limitPicking", "limit_forearm.xml", 24, V::eCameraView, {960, 540}, false, false, true, "--pick"},
        Shot{"patchSide", "three_points_patch.xml", 30, V::eSideView, {800, 600}, false, false, false, "--view side"}),
    [](const ::testing::TestParamInfo<Shot>& row) { return std::string(row.param.name); });

struct Click {
  const char* name;
  const char* scene;
  int frame;
  QPoint at;
  const char* selected; // what the click selects; empty: nothing
};

class ViewportClick : public ::testing::TestWithParam<Click> {};

TEST_P(ViewportClick, PicksWhatPickReportsSaysSoAndSelectsIt) {
  const Click& c = GetParam();
  TestWindow w = showExample(c.scene);
  w.window->document().setFrame(c.frame);
  click(w.viewport(), c.at);

  const ProcessResult r =
      vantorel({"pick", QStringLiteral(VANTOREL_EXAMPLES "/") + c.scene, "--frame", QString::number(c.frame), "--at",
                QStringLiteral("%1,%2").arg(c.at.x()).arg(c.at.y())});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString reported = QString::fromUtf8(r.out).trimmed().replace(QLatin1Char('\n'), QStringLiteral("; "));
  EXPECT_EQ(w.window->statusText(), reported);
  const QStringList selected = QString::fromLatin1(c.selected).split(QLatin1Char(','), Qt::SkipEmptyParts);
  EXPECT_EQ(w.session().selection(), selected);
  EXPECT_EQ(w.window->document().focusNode(), selected.isEmpty() ? QString() : selected.back());
  EXPECT_TRUE(w.session().history().isEmpty()) << "a click is not an edit";
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, ViewportClick,
    ::testing::Values(Click{"handPivotChoosesTheHand", "two_points_arm.xml", 16, {751, 323}, "Hand"},
                      Click{"switchKnob", "switch_gate.xml", 1, {226, 342}, "Switch"},
                      Click{"limitControl", "limit_forearm.xml", 24, {439, 192}, "Limit"},
                      Click{"background", "switch_gate.xml", 1, {20, 20}, ""}),
    [](const ::testing::TestParamInfo<Click>& row) { return std::string(row.param.name); });

TEST(ViewportClick, AChosenMainInputShowsInTheNodeView) {
  TestWindow w = showExample("two_points_arm.xml");
  w.window->document().setFrame(16);
  click(w.viewport(), {751, 323}); // the hand's pivot, on the arm's control
  EXPECT_TRUE(w.window->statusText().contains(QStringLiteral("main input of Arm: 1 \"Left Peg\" (Hand)")));
  const NodeGraph::Node* arm = w.window->nodeView()->graph().find(QStringLiteral("Arm"));
  ASSERT_NE(arm, nullptr);
  ASSERT_EQ(arm->inputs.size(), 3u);
  EXPECT_FALSE(arm->inputs[0].main);
  EXPECT_TRUE(arm->inputs[1].main);
}

void wheel(QWidget* widget, const QPoint& at, int notches) {
  QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

// Where a view without pan or zoom draws a peg's pivot (the peg's own pivot carried by its
// matrix, through the view's chain).
QPointF pivotPixel(Session& s, const QString& peg, const ViewSpec& view) {
  const Math::Point3d world = pivotOf(s, peg, *view.frame);
  Math::Point3d pixel;
  EXPECT_TRUE(VU_SceneRenderer(s.scene()).viewChain(*view.frame, view.view, view.size).transform(5, world, 1, pixel));
  return QPointF(pixel.x, pixel.y);
}

TEST(ViewportZoom, TheWheelZoomsAboutThePointerAndClicksStillPickWhatIsDrawn) {
  TestWindow w = showExample("spring_tail.xml");
  ViewDocument& doc = w.window->document();
  ViewDocument::Display d = doc.display();
  d.view = VU_SceneRenderer::eTopView;
  doc.setDisplay(d);
  doc.setFrame(20);
  const ViewSpec before = w.viewport()->viewSpec();
  const QPointF body = pivotPixel(w.session(), QStringLiteral("Body"), before);
  const QPoint pointer = body.toPoint() + QPoint(40, -30);
  wheel(w.viewport(), pointer, 3);
  const double k = std::pow(1.15, 3);
  EXPECT_NEAR(w.viewport()->panZoom().zoom, k, 1e-12);
  // Every point moves away from the pointer by the zoom: the body's pivot lands here.
  const QPointF expected = QPointF(pointer) + k * (body - QPointF(pointer));
  ASSERT_NE(w.session().pick({body.x(), body.y()}, w.viewport()->viewSpec()).node, QStringLiteral("Body"))
      << "the zoom has moved the pivot away";
  click(w.viewport(), expected.toPoint());
  EXPECT_EQ(w.session().selection(), QStringList{QStringLiteral("Body")});
  // Dragging the background pans by as much as the pointer moved.
  const VU_SceneRenderer::PanZoom zoomed = w.viewport()->panZoom();
  dragMouse(w.viewport(), {30, 500}, {130, 460});
  EXPECT_DOUBLE_EQ(w.viewport()->panZoom().panX, zoomed.panX + 100);
  EXPECT_DOUBLE_EQ(w.viewport()->panZoom().panY, zoomed.panY - 40);
  w.viewport()->resetPanZoom();
  EXPECT_TRUE(w.viewport()->panZoom() == VU_SceneRenderer::PanZoom());
}

} // namespace
