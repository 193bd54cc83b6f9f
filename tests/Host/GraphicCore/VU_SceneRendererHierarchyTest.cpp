// What a picture shows is what the scene holds: bones run through the constraint nodes between
// pegs, each such node has a marker at its pivot, an image of another shape than the camera's
// letterboxes the view (and picking uses the same mapping), also panned and zoomed.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "ArmRigView.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/MO_PivotVisitor.h"

namespace {

Math::Point3d pivotOf(SC_SceneCommon& scene, MO_Module* node, double frame) {
  MO_PivotVisitor visitor(MO_BaseContext(MO_FrameKey(frame), 0));
  node->acceptVisitor(&visitor);
  return SC_SceneEvaluator(scene).evaluate(node, frame) * scene.metrics().toOGL(visitor.getPivot());
}

bool near(const Math::Point3d& a, const Math::Point3d& b) {
  return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1e-9;
}

// Root → Arm → Hold (a static transformation that moves what arrives by 5 units) → Hand: the
// hand hangs from Hold, not from Arm.
TEST(SceneHierarchy, BonesRunFromEachInputToTheConstraintsPivotWhichHasAMarker) {
  PIO_LoadError error;
  auto scene = PIO_SceneReader::readFile(QStringLiteral(VANTOREL_TEST_SCENES "/hierarchy_hold.xml"), &error);
  ASSERT_TRUE(scene) << error.toString().toStdString();
  const double frame = 1;
  const VU_Drawing drawing =
      VU_SceneRenderer(*scene).draw(frame, VU_SceneRenderer::eCameraView, QSize(960, 540), 0, nullptr);
  auto at = [&](const char* name) { return pivotOf(*scene, scene->findNode(QLatin1String(name)), frame); };
  const Math::Point3d root = at("Root"), arm = at("Arm"), hold = at("Hold"), hand = at("Hand");
  ASSERT_FALSE(near(arm, hold));
  ASSERT_FALSE(near(arm, hand));
  auto bone = [&](const Math::Point3d& a, const Math::Point3d& b) {
    int n = 0;
    for (const VU_Drawing::Primitive& p : drawing.primitives())
      if (p.kind == VU_Drawing::eLine &&
          ((near(p.points[0], a) && near(p.points[1], b)) || (near(p.points[0], b) && near(p.points[1], a))))
        ++n;
    return n;
  };
  EXPECT_EQ(bone(root, arm), 1);
  EXPECT_EQ(bone(arm, hold), 1);
  EXPECT_EQ(bone(hold, hand), 1);
  EXPECT_EQ(bone(arm, hand), 0) << "no bone past the node between";
  int diamonds = 0, discs = 0;
  for (const VU_Drawing::Primitive& p : drawing.primitives())
    if (p.kind == VU_Drawing::ePoint && p.pointShape == VU_Drawing::eDiamond) {
      EXPECT_TRUE(near(p.points[0], hold));
      ++diamonds;
    } else if (p.kind == VU_Drawing::ePoint) {
      discs += near(p.points[0], root) || near(p.points[0], arm) || near(p.points[0], hand);
    }
  EXPECT_EQ(diamonds, 1);
  EXPECT_EQ(discs, 3);
}

// The arm rig's camera is 16:9. Rows: the image's size and where the 16:9 view sits in it.
struct Letterbox {
  const char* name;
  QSize image;
  QRect view;
};

class Letterboxed : public ::testing::TestWithParam<Letterbox> {};

TEST_P(Letterboxed, ViewKeepsTheCamerasShapeAndPickingUsesTheSameMapping) {
  const Letterbox& row = GetParam();
  auto scene = armrig::load();
  ASSERT_TRUE(scene);
  const double frame = 24;
  const QImage image =
      VU_SceneRenderer(*scene).renderImage(frame, VU_SceneRenderer::eCameraView, row.image, MO_OGLContext::eNormalMode);
  ASSERT_EQ(image.size(), row.image);
  const bool bars = row.view.size() != row.image;
  EXPECT_EQ(QColor(image.pixel(1, 1)), bars ? QColor(228, 230, 234) : QColor(Qt::white));
  EXPECT_EQ(QColor(image.pixel(row.view.left() + 1, row.view.top() + 1)), QColor(Qt::white));
  SLB_ViewDriver driver(VU_SceneRenderer::eCameraView, row.image);
  for (const armrig::Pivot& p : armrig::pivots(*scene, frame)) {
    const QPointF px = armrig::cameraPixel(p.world, row.view.size()) + QPointF(row.view.topLeft());
    const QRgb c = image.pixel(int(px.x()), int(px.y()));
    EXPECT_TRUE(qRed(c) > 220 && qGreen(c) > 100 && qGreen(c) < 170 && qBlue(c) < 60)
        << p.peg->instanceName().toStdString() << " at " << px.x() << "," << px.y();
    // The hand stands apart from the others at frame 24: a click on it finds it.
    if (p.peg->instanceName() == QLatin1String("Hand")) {
      EXPECT_EQ(driver.pick(*scene, frame, Math::Point2d(px.x(), px.y())).node, p.peg);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Letterboxed,
                         ::testing::Values(Letterbox{"Square", QSize(960, 960), QRect(0, 210, 960, 540)},
                                           Letterbox{"Wide", QSize(1400, 540), QRect(220, 0, 960, 540)},
                                           Letterbox{"Same", QSize(480, 270), QRect(0, 0, 480, 270)}),
                         [](const auto& row) { return std::string(row.param.name); });

// Panned and zoomed (as the window does), the bars stay at the camera's frame: the 16:9 view at
// (0, 210)-(960, 750) of a 960x960 image, zoomed by z about the centre and shifted by (px, py),
// lies at 480 + px + z (x - 480), 480 + py + z (y - 480).
struct Zoomed {
  const char* name;
  VU_SceneRenderer::PanZoom panZoom;
  QRectF view;
};

class LetterboxZoomed : public ::testing::TestWithParam<Zoomed> {};

TEST_P(LetterboxZoomed, BarsFollowTheCamerasFrame) {
  const Zoomed& row = GetParam();
  auto scene = armrig::load();
  ASSERT_TRUE(scene);
  const QImage image = VU_SceneRenderer(*scene, row.panZoom)
                           .renderImage(24, VU_SceneRenderer::eCameraView, QSize(960, 960), MO_OGLContext::eNormalMode);
  const QColor bar(228, 230, 234);
  for (const QPoint& corner : {QPoint(1, 1), QPoint(958, 958)})
    EXPECT_EQ(QColor(image.pixel(corner)) == bar, !row.view.contains(corner)) << corner.x() << "," << corner.y();
  // Just inside and just outside each edge that lies in the image, on the lines through the centre.
  // Off the centre lines, where the axes are drawn.
  const double cx = row.view.center().x() + 37, cy = row.view.center().y() + 23;
  for (const QPointF& inside : {QPointF(row.view.left() + 2, cy), QPointF(row.view.right() - 2, cy),
                                QPointF(cx, row.view.top() + 2), QPointF(cx, row.view.bottom() - 2)})
    if (QRectF(0, 0, 960, 960).contains(inside)) {
      EXPECT_NE(QColor(image.pixel(inside.toPoint())), bar) << inside.x() << "," << inside.y();
    }
  for (const QPointF& outside : {QPointF(row.view.left() - 2, cy), QPointF(row.view.right() + 2, cy),
                                 QPointF(cx, row.view.top() - 2), QPointF(cx, row.view.bottom() + 2)})
    if (QRectF(0, 0, 960, 960).contains(outside)) {
      EXPECT_EQ(QColor(image.pixel(outside.toPoint())), bar) << outside.x() << "," << outside.y();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, LetterboxZoomed,
    ::testing::Values(Zoomed{"Half", {0.5, 0, 0}, QRectF(QPointF(240, 345), QPointF(720, 615))},
                      Zoomed{"HalfPanned", {0.5, 100, -50}, QRectF(QPointF(340, 295), QPointF(820, 565))},
                      Zoomed{"Double", {2.0, 0, 0}, QRectF(QPointF(-480, -60), QPointF(1440, 1020))}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
