#include "PersistentObj/PIO_SceneWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

#include "PersistentObj/PIO_SceneReader.h"
#include "PioTestNodes.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

MO_Module* add(SC_SceneCommon& scene, const char* type, const char* name) {
  MO_Module* node = scene.addNode(std::unique_ptr<MO_Module>(MO_ModuleFactorySingleton().create(QLatin1String(type))));
  node->setInstanceName(QLatin1String(name));
  return node;
}

AT_DoubleAttr* number(MO_Module* node, const char* path) {
  return static_cast<AT_DoubleAttr*>(node->attr(QLatin1String(path)));
}

// A scene touching everything a file carries: every attribute kind, doubles that need all 17
// digits (or are subnormal, huge, negative zero), keys of every interpolation at fractional
// frames, flags, text XML must escape, links from a second output and into grown inputs with
// gaps and unlinked ports after the last link.
std::unique_ptr<SC_SceneCommon> richScene() {
  auto scene = std::make_unique<SC_SceneCommon>();
  scene->setFrameRange(-5, 48);
  scene->setDesignAspectRatio(1.0 / 3.0, 0.7);
  scene->setMetrics(SC_SceneMetrics(0.1, 1.0 / 3.0, 2.5));
  MO_Module* root = add(*scene, "Peg", "Root");
  number(root, "POSITION.Y")->setKey(1.0, 1.0 / 3.0, AT_Keys::Linear);
  number(root, "POSITION.Y")->setKey(2.5, -0.0, AT_Keys::Constant);
  number(root, "POSITION.Y")->setKey(10.0, 4.9406564584124654e-324, AT_Keys::Smooth);
  number(root, "ROTATION.ANGLEZ")->setKey(-3.0, 1e300, AT_Keys::Constant);
  number(root, "SKEW")->setLocalValue(std::nextafter(15.0, 16.0));
  root->setSelected(true);
  auto* kinds = static_cast<PioKinds*>(add(*scene, "PioKinds", "Kinds"));
  kinds->amount->setKey(0.5, 9.999999999999998, AT_Keys::Constant);
  kinds->count->setKey(4.0, 100);
  kinds->steps->setLocalValue(9);
  kinds->on->setKey(2.0, true);
  kinds->label->setLocalValue(QStringLiteral("  a \"q\" <b> & 'c'\n\ttab\r\nend  \u00e9\U0001F600"));
  kinds->mode->setLocalValue(2);
  kinds->translate->y()->setLocalValue(0.30000000000000004);
  kinds->setEnabled(false);
  auto* gather = static_cast<PioAuto*>(add(*scene, "PioAuto", "Gather"));
  gather->ensureInPort(5);
  MO_Module* cam = add(*scene, "Camera", "Cam");
  kinds->link(1, root, 0);
  gather->link(0, root, 0);
  gather->link(3, kinds, 1);
  scene->setCamera(cam);
  return scene;
}

// Written, read back and written again, the file is the same byte for byte, and the numbers read
// back are the very doubles set.
TEST(SceneWriter, RoundTrip_ReadsBackTheSameSceneBitForBit) {
  const QByteArray xml = PIO_SceneWriter::writeData(*richScene());
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> back = PIO_SceneReader::readData(xml, QStringLiteral("rt.xml"), &error);
  ASSERT_NE(back, nullptr) << qPrintable(error.toString()) << "\n" << xml.constData();
  EXPECT_EQ(PIO_SceneWriter::writeData(*back), xml);
  MO_Module* root = back->findNode(QStringLiteral("Root"));
  const AT_Keys& y = *number(root, "POSITION.Y")->keys();
  ASSERT_EQ(y.size(), 3u);
  ASSERT_TRUE(y.find(1.0) && y.find(2.5) && y.find(10.0));
  EXPECT_TRUE(sameBits(y.find(1.0)->value, 1.0 / 3.0));
  EXPECT_TRUE(sameBits(y.find(2.5)->value, -0.0));
  EXPECT_EQ(y.find(2.5)->interpolation, AT_Keys::Constant);
  EXPECT_TRUE(sameBits(y.find(10.0)->value, 4.9406564584124654e-324));
  EXPECT_EQ(y.find(10.0)->interpolation, AT_Keys::Smooth);
  EXPECT_TRUE(sameBits(number(root, "SKEW")->localValue(), std::nextafter(15.0, 16.0)));
  EXPECT_TRUE(sameBits(back->metrics().fy(), 1.0 / 3.0));
  auto* kinds = static_cast<PioKinds*>(back->findNode(QStringLiteral("Kinds")));
  EXPECT_EQ(kinds->label->value(), QStringLiteral("  a \"q\" <b> & 'c'\n\ttab\r\nend  \u00e9\U0001F600"));
  EXPECT_EQ(back->findNode(QStringLiteral("Gather"))->inputModule(3), kinds);
}

TEST(SceneWriter, DefaultsAreLeftOut_AndWhatDiffersIsWritten) {
  SC_SceneCommon scene;
  add(scene, "Peg", "Plain");
  MO_Module* moved = add(scene, "Peg", "Moved");
  // Back to the default after an edit: nothing to write.
  number(moved, "SKEW")->setLocalValue(5.0);
  number(moved, "SKEW")->setLocalValue(0.0);
  number(moved, "SCALE.Y")->setLocalValue(2.0);
  const QString xml = QString::fromUtf8(PIO_SceneWriter::writeData(scene));
  EXPECT_EQ(xml.count(QStringLiteral("<attr ")), 1) << qPrintable(xml);
  EXPECT_TRUE(xml.contains(QStringLiteral("<attr keyword=\"SCALE.Y\" value=\"2\"/>"))) << qPrintable(xml);
  EXPECT_FALSE(xml.contains(QStringLiteral("enabled"))) << qPrintable(xml);
}

// Where the file cannot be written, nothing is left behind: no file, no temporary beside it.
TEST(SceneWriter, WriteFile_UnwritablePathFailsWithoutLeavingAFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::unique_ptr<SC_SceneCommon> scene = richScene();
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
  const QString missingFolder = dir.filePath(QStringLiteral("missing/folder/scene.xml"));
  // A folder where the file should go: the temporary is written, the final rename fails.
  const QString folder = dir.filePath(QStringLiteral("sub"));
  for (const QString& path : {missingFolder, folder}) {
    QString why;
    EXPECT_FALSE(PIO_SceneWriter::writeFile(*scene, path, &why)) << qPrintable(path);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(why.contains(path)) << qPrintable(why);
  }
  EXPECT_FALSE(QFile::exists(missingFolder));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral("sub")});
  EXPECT_TRUE(
      QDir(dir.filePath(QStringLiteral("sub"))).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

// Text XML cannot carry would make an unreadable file: the old file stays as it was.
TEST(SceneWriter, WriteFile_TextXmlCannotCarryKeepsTheOldFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("scene.xml"));
  SC_SceneCommon scene;
  auto* kinds = static_cast<PioKinds*>(add(scene, "PioKinds", "Kinds"));
  QString why;
  ASSERT_TRUE(PIO_SceneWriter::writeFile(scene, path, &why)) << qPrintable(why);
  QFile before(path);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray old = before.readAll();
  before.close();

  kinds->label->setLocalValue(QStringLiteral("bell\x07"));
  EXPECT_FALSE(PIO_SceneWriter::writeFile(scene, path, &why));
  EXPECT_TRUE(why.contains(QStringLiteral("0007"))) << qPrintable(why);
  QFile after(path);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("scene.xml")});
}

} // namespace
