// The render command: sequences write one numbered file a frame; an onion skin puts the neighbouring frames' pivots
// where those frames draw them; labels name the nodes (through the binary, which has fonts).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "Commands.h"
#include "VantorelProcess.h"

namespace {

const QString kScene = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");

// The centre of the pixels in the pivots' orange.
QPoint pivotCentre(const QString& path) {
  const QImage image(path);
  QPointF sum;
  int n = 0;
  for (int j = 0; j < image.height(); ++j)
    for (int i = 0; i < image.width(); ++i)
      if (const QColor c = image.pixelColor(i, j); c.red() > 230 && c.green() > 110 && c.green() < 160 && c.blue() < 40)
        sum += QPointF(i, j), ++n;
  EXPECT_GT(n, 20) << "no pivot drawn in " << path.toStdString();
  return (sum / std::max(n, 1)).toPoint();
}

} // namespace

TEST(RenderCommand, SequenceWritesOneNumberedFileAFrameAndTheOnionShowsTheNeighboursWhereTheyAre) {
  QTemporaryDir dir;
  const QString scene = written(dir, "slide.xml", R"(<scene version="1" frames="1-13"><node type="Peg" name="Slider">
    <attr keyword="POSITION.Y" value="2"/>
    <attr keyword="POSITION.X"><key frame="1" value="-6"/><key frame="13" value="6"/></attr></node></scene>)");
  EXPECT_EQ(Commands::render({scene, "--frames", "1-13", "-o", dir.filePath("plain%02d.png")}), 0);
  EXPECT_EQ(Commands::render({scene, "--frames", "1-13", "--onion", "2", "-o", dir.filePath("onion%d.png")}), 0);
  EXPECT_EQ(QDir(dir.path()).entryList({"plain*.png"}).size(), 13);
  EXPECT_TRUE(QFile::exists(dir.filePath("plain01.png")) && QFile::exists(dir.filePath("plain13.png")));
  EXPECT_EQ(QDir(dir.path()).entryList({"onion*.png"}).size(), 13);
  EXPECT_TRUE(QFile::exists(dir.filePath("onion1.png")) && QFile::exists(dir.filePath("onion13.png")));

  // Both sequences frame the slide's whole path alike (it holds its end keys beyond frames 1 and
  // 13), so each frame's pivot is where the plain image of that frame draws it.
  const QImage onion(dir.filePath("onion6.png"));
  auto at = [&](int frame) {
    return onion.pixelColor(
        pivotCentre(dir.filePath(QStringLiteral("plain%1.png").arg(frame, 2, 10, QLatin1Char('0')))));
  };
  const QColor current = at(6), before = at(5), after = at(7), farAfter = at(8), beyond = at(9);
  EXPECT_GT(current.red(), 230); // the pivot itself, over its path
  EXPECT_GT(std::min(before.red(), before.blue()), before.green() + 60) << "frames before are magenta";
  EXPECT_GT(std::min(after.green(), after.blue()), after.red() + 60) << "frames after are teal";
  EXPECT_GT(farAfter.green(), farAfter.red());
  EXPECT_GT(farAfter.red(), after.red() + 40) << "two frames away is fainter than one";
  EXPECT_EQ(beyond, QColor(Qt::white)) << "no dot past the onion's reach";
}

TEST(RenderCommand, LabelsWriteEachNodesNameBesideItsPivot) {
  QTemporaryDir dir;
  const QString svg = dir.filePath(QStringLiteral("labels.svg"));
  const ProcessResult r = vantorel({QStringLiteral("render"), kScene, "--frame", "12", "--labels", "-o", svg});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  const QByteArray text = bytesOf(svg);
  for (const char* name : {">Root<", ">Shoulder<", ">Elbow<", ">Hand<"})
    EXPECT_TRUE(text.contains(name)) << name;
  EXPECT_FALSE(text.contains(">Camera<"));
}

// The corner caption says the frame and the view, unless left out; the switch's slider says
// where it stands.
TEST(RenderCommand, CaptionNamesTheFrameAndViewAndTheSwitchShowsItsValue) {
  QTemporaryDir dir;
  auto svgOf = [&](const QStringList& args) {
    const QString svg = dir.filePath(QStringLiteral("out.svg"));
    const ProcessResult r = vantorel(QStringList{QStringLiteral("render")} + args + QStringList{"-o", svg});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    return QString::fromUtf8(bytesOf(svg));
  };
  const QString gate = QStringLiteral(VANTOREL_EXAMPLES "/switch_gate.xml");
  const QString camera = svgOf({gate, "--frame", "1"});
  EXPECT_TRUE(camera.contains(QStringLiteral(">frame 1 \u00b7 camera view (Camera)<")));
  EXPECT_TRUE(camera.contains(QStringLiteral(">30 %<")));
  EXPECT_TRUE(
      svgOf({kScene, "--frame", "12.5", "--view", "side"}).contains(QStringLiteral(">frame 12.5 \u00b7 side view<")));
  EXPECT_FALSE(svgOf({gate, "--frame", "1", "--no-caption"}).contains(QStringLiteral("frame 1")));
}
