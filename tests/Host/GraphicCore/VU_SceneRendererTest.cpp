// The example rig rendered to files: pivots land on the pixels worked out by hand for the top
// and side views, and the picking image holds nothing but pick colours and background.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <set>

#include "ArmRigView.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"

namespace {

const QSize kSize(480, 270);

// Orthographic views by hand: the pivots' box in the view's axes (u right, v up), centred and
// scaled by the tighter of the two axes with the 1.2 margin.
QPointF framedPixel(const std::vector<armrig::Pivot>& all, const Math::Point3d& w,
                    const std::function<QPointF(const Math::Point3d&)>& uv) {
  double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
  for (const auto& p : all) {
    const QPointF q = uv(p.world);
    lo[0] = std::min(lo[0], q.x()), hi[0] = std::max(hi[0], q.x());
    lo[1] = std::min(lo[1], q.y()), hi[1] = std::max(hi[1], q.y());
  }
  const double s = std::min(kSize.width() / (1.2 * (hi[0] - lo[0])), kSize.height() / (1.2 * (hi[1] - lo[1])));
  const QPointF q = uv(w);
  return QPointF(kSize.width() / 2.0 + s * (q.x() - (lo[0] + hi[0]) / 2),
                 kSize.height() / 2.0 - s * (q.y() - (lo[1] + hi[1]) / 2));
}

struct ViewCase {
  const char* name;
  VU_SceneRenderer::View view;
  double frame;
};

// The camera view's pivots are the letterboxed render's.
QPointF expectedPixel(const ViewCase& c, const std::vector<armrig::Pivot>& all, const Math::Point3d& w) {
  if (c.view == VU_SceneRenderer::eTopView)
    return framedPixel(all, w, [](const Math::Point3d& p) { return QPointF(p.x, -p.z); });
  return framedPixel(all, w, [](const Math::Point3d& p) { return QPointF(p.z, p.y); });
}

bool isPivotOrange(QRgb c) { return qRed(c) > 220 && qGreen(c) > 100 && qGreen(c) < 170 && qBlue(c) < 60; }

class RenderedPivots : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RenderedPivots, PngShowsEveryPegPivotWhereTheViewSeesIt) {
  const ViewCase& c = GetParam();
  auto scene = armrig::load();
  ASSERT_TRUE(scene);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("arm.png"));
  QString why;
  ASSERT_TRUE(VU_SceneRenderer(*scene).save(path, c.frame, c.view, kSize, MO_OGLContext::eNormalMode, &why))
      << why.toStdString();
  QImage image(path);
  ASSERT_EQ(image.size(), kSize);
  const auto all = armrig::pivots(*scene, c.frame);
  ASSERT_EQ(all.size(), 4u);
  for (const auto& p : all) {
    const QPointF px = expectedPixel(c, all, p.world);
    ASSERT_TRUE(image.rect().contains(px.toPoint())) << p.peg->instanceName().toStdString();
    EXPECT_TRUE(isPivotOrange(image.pixel(int(px.x()), int(px.y()))))
        << p.peg->instanceName().toStdString() << " at " << px.x() << "," << px.y();
  }
  EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(ArmRig, RenderedPivots,
                         ::testing::Values(ViewCase{"top24", VU_SceneRenderer::eTopView, 24},
                                           ViewCase{"side48", VU_SceneRenderer::eSideView, 48}),
                         [](const ::testing::TestParamInfo<ViewCase>& row) { return std::string(row.param.name); });

} // namespace

TEST(VU_SceneRenderer, PickingImageHoldsOnlyPegPickColoursAndBackground) {
  auto scene = armrig::load();
  ASSERT_TRUE(scene);
  std::set<int> pegIds;
  for (const auto& p : armrig::pivots(*scene, 24))
    pegIds.insert(SLB_NodePickAdaptorFactory::pickAdaptorFor(p.peg)->handleId(0));
  const QImage image =
      VU_SceneRenderer(*scene).renderImage(24, VU_SceneRenderer::eCameraView, kSize, MO_OGLContext::ePickingMode);
  std::set<int> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      ASSERT_EQ(qAlpha(c), 255);
      const int id = SLB_PickEngine::colorToId(c);
      ASSERT_TRUE(id == 0 || pegIds.count(id))
          << "stray colour " << std::hex << c << " at " << std::dec << x << "," << y;
      seen.insert(id);
    }
  EXPECT_EQ(seen.size(), pegIds.size() + 1); // every peg is visible, and the background
}
