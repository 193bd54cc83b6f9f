// The painter records shapes with the model matrix in force at each call (nodes move the
// binder's matrix between shapes), and a drawing renders them through that matrix.
#include <gtest/gtest.h>

#include <QFile>

#include "GraphicCore/VU_Painter.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/SLB_PickEngine.h"

namespace {

Math::Matrix4x4 translation(double x, double y, double z) {
  return Math::Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}

// Orthographic, one drawing unit = 10 pixels, origin at the centre of a 200×100 image.
Math::CameraTransformChain tenPixelsPerUnit() {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, 200, 100));
  chain.setProjectionMatrix(Math::Matrix4x4(0.1, 0, 0, 0, 0, 0.2, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1));
  return chain;
}

} // namespace

TEST(VS_RGBA, TakesPackedPickColoursByteForByte) {
  // id 0x123456 is drawn as 0xFFFFFF − 0x123456 = 0xEDCBA9, opaque.
  const VS_RGBA c = SLB_PickEngine::idToColor(0x123456);
  EXPECT_EQ(c, VS_RGBA(0xED, 0xCB, 0xA9, 255));
  EXPECT_EQ(c.packedArgb(), 0xFFEDCBA9u);
  EXPECT_EQ(VS_RGBA(300, -5, 128, 999), VS_RGBA(255, 0, 128, 255));
}

TEST(VU_Drawing, RendersThroughEachShapesModelMatrixWithPixelSizes) {
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(tenPixelsPerUnit(), &drawing);
  VU_Painter painter(&binder);
  painter.setPointFillColor(VS_RGBA(0, 0, 255));
  painter.setPointStrokeColor(VS_RGBA(0, 0, 255));
  painter.setPointSize(10, 1);
  binder.setModelMatrix(translation(3, 2, 0));  // → pixel (130, 30)
  painter.drawPoint(Math::Point3d(0, 0, 0));
  binder.setModelMatrix(Math::Matrix4x4());
  painter.setLineStrokeColor(VS_RGBA(0, 200, 0));
  painter.setLineThickness(9, 1);
  painter.drawLine(Math::Point3d(-8, -2, 0), Math::Point3d(-2, -2, 0));  // pixels y = 70, x 20..80

  const QImage image = drawing.toImage(binder.cameraTransformChain(), QSize(200, 100), VS_RGBA(255, 255, 255), true);
  EXPECT_EQ(image.pixel(130, 30), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(133, 30), qRgb(0, 0, 255));      // inside the 10-pixel point
  EXPECT_EQ(image.pixel(137, 30), qRgb(255, 255, 255));  // outside it
  EXPECT_EQ(image.pixel(100, 50), qRgb(255, 255, 255));  // where the untranslated point would be
  EXPECT_EQ(image.pixel(50, 70), qRgb(0, 200, 0));
  EXPECT_EQ(image.pixel(50, 73), qRgb(0, 200, 0));       // within 4.5 of the line
  EXPECT_EQ(image.pixel(50, 76), qRgb(255, 255, 255));
}

TEST(VU_Drawing, PickingPaintsExactOpaqueColoursAndSkipsTransparentOnes) {
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(tenPixelsPerUnit(), &drawing);
  VU_Painter painter(&binder);
  painter.setLineThickness(5, 1);
  painter.setLineStrokeColor(VS_RGBA(10, 20, 30, 40));  // half-transparent: would blend normally
  painter.drawLine(Math::Point3d(-5, 0, 0), Math::Point3d(5, 0, 0));
  painter.setLineStrokeColor(VS_RGBA(0, 0, 0, 0));  // no stroke at all
  painter.drawLine(Math::Point3d(0, -4, 0), Math::Point3d(0, 4, 0));
  const QImage picked = drawing.toImage(binder.cameraTransformChain(), QSize(200, 100), VS_RGBA(255, 255, 255), true);
  EXPECT_EQ(picked.pixel(70, 50), qRgb(10, 20, 30));
  EXPECT_EQ(picked.pixel(100, 30), qRgb(255, 255, 255));
  const QImage normal = drawing.toImage(binder.cameraTransformChain(), QSize(200, 100), VS_RGBA(255, 255, 255), false);
  EXPECT_NE(normal.pixel(70, 50), qRgb(10, 20, 30));  // blended with the background
}

TEST(VU_Drawing, SaveRefusesOtherExtensionsAndWritesNothing) {
  VU_Drawing drawing;
  QString why;
  const QString path = QStringLiteral("/tmp/vu_drawing_test_refused.jpg");
  QFile::remove(path);
  EXPECT_FALSE(drawing.save(path, tenPixelsPerUnit(), QSize(20, 10), VS_RGBA(), false, &why));
  EXPECT_TRUE(why.contains(QStringLiteral(".png or .svg")));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(drawing.save(QStringLiteral("/nonexistent-dir/x.png"), tenPixelsPerUnit(), QSize(20, 10), VS_RGBA(),
                            false, &why));
}
