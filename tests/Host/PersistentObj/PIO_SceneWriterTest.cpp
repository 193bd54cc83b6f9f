#include "PersistentObj/PIO_SceneWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <limits>

#include "PersistentObj/PIO_SceneReader.h"
#include "PioTestNodes.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Port.h"
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

// Compares what a file must carry, doubles bit for bit (so -0 and 0 differ), recursing into parts.
void expectSameAttr(const AT_Attr* a, const AT_Attr* b, const QString& where) {
  ASSERT_NE(b, nullptr) << qPrintable(where);
  EXPECT_EQ(a->localValueString(), b->localValueString()) << qPrintable(where);
  if (auto* da = dynamic_cast<const AT_DoubleAttr*>(a)) {
    EXPECT_TRUE(sameBits(da->localValue(), static_cast<const AT_DoubleAttr*>(b)->localValue())) << qPrintable(where);
  }
  ASSERT_EQ(a->keys() == nullptr, b->keys() == nullptr) << qPrintable(where);
  if (a->keys()) {
    const auto& ka = a->keys()->keys();
    const auto& kb = b->keys()->keys();
    ASSERT_EQ(ka.size(), kb.size()) << qPrintable(where);
    for (auto i = ka.begin(), j = kb.begin(); i != ka.end(); ++i, ++j) {
      EXPECT_TRUE(sameBits(i->first, j->first)) << qPrintable(where);
      EXPECT_TRUE(sameBits(i->second.value, j->second.value)) << qPrintable(where) << " at " << i->first;
      EXPECT_EQ(i->second.interpolation, j->second.interpolation) << qPrintable(where);
    }
  }
  ASSERT_EQ(a->subAttrs().size(), b->subAttrs().size()) << qPrintable(where);
  for (std::size_t i = 0; i < a->subAttrs().size(); ++i)
    expectSameAttr(a->subAttrs()[i], b->subAttrs()[i], a->subAttrs()[i]->path());
}

void expectSameScene(const SC_SceneCommon& a, const SC_SceneCommon& b) {
  EXPECT_EQ(a.firstFrame(), b.firstFrame());
  EXPECT_EQ(a.lastFrame(), b.lastFrame());
  EXPECT_TRUE(sameBits(a.designAspectRatioX(), b.designAspectRatioX()));
  EXPECT_TRUE(sameBits(a.designAspectRatioY(), b.designAspectRatioY()));
  EXPECT_TRUE(sameBits(a.metrics().fx(), b.metrics().fx()));
  EXPECT_TRUE(sameBits(a.metrics().fy(), b.metrics().fy()));
  EXPECT_TRUE(sameBits(a.metrics().fz(), b.metrics().fz()));
  ASSERT_EQ(a.camera() == nullptr, b.camera() == nullptr);
  if (a.camera()) {
    EXPECT_EQ(a.camera()->instanceName(), b.camera()->instanceName());
  }
  ASSERT_EQ(a.nodes().size(), b.nodes().size());
  for (std::size_t n = 0; n < a.nodes().size(); ++n) {
    const MO_Module* na = a.nodes()[n];
    const MO_Module* nb = b.nodes()[n];
    const QString where = na->instanceName();
    EXPECT_EQ(na->moduleTypeName(), nb->moduleTypeName());
    EXPECT_EQ(na->instanceName(), nb->instanceName());
    EXPECT_EQ(na->enabled(), nb->enabled()) << qPrintable(where);
    EXPECT_EQ(na->selected(), nb->selected()) << qPrintable(where);
    ASSERT_EQ(na->attrs().size(), nb->attrs().size());
    for (std::size_t i = 0; i < na->attrs().size(); ++i)
      expectSameAttr(na->attrs()[i], nb->attrs()[i], where + QLatin1Char('.') + na->attrs()[i]->path());
    ASSERT_EQ(na->nInPorts(), nb->nInPorts()) << qPrintable(where);
    for (int p = 0; p < na->nInPorts(); ++p) {
      const MO_Port* sa = na->inPort(p)->srcPort();
      const MO_Port* sb = nb->inPort(p)->srcPort();
      ASSERT_EQ(sa == nullptr, sb == nullptr) << qPrintable(where) << " port " << p;
      if (sa) {
        EXPECT_EQ(sa->node()->instanceName(), sb->node()->instanceName()) << qPrintable(where) << " port " << p;
        EXPECT_EQ(sa->index(), sb->index()) << qPrintable(where) << " port " << p;
      }
    }
  }
}

// A scene touching everything a file carries: every attribute kind, doubles that need all 17
// digits (or are subnormal, huge, negative zero), keys of both interpolations at fractional
// frames, flags, text XML must escape, links from a second output and into grown inputs with
// gaps and unlinked ports after the last link.
std::unique_ptr<SC_SceneCommon> richScene() {
  auto scene = std::make_unique<SC_SceneCommon>();
  scene->setFrameRange(-5, 48);
  scene->setDesignAspectRatio(1.0 / 3.0, 0.7);
  scene->setMetrics(SC_SceneMetrics(0.1, 1.0 / 3.0, 2.5));

  MO_Module* root = add(*scene, "Peg", "Root");
  number(root, "POSITION.X")->setLocalValue(0.1);
  number(root, "POSITION.Y")->setKey(1.0, 1.0 / 3.0, AT_Keys::Linear);
  number(root, "POSITION.Y")->setKey(2.5, -0.0, AT_Keys::Constant);
  number(root, "POSITION.Y")->setKey(10.0, 4.9406564584124654e-324, AT_Keys::Linear);
  number(root, "ROTATION.ANGLEZ")->setKey(-3.0, 1e300, AT_Keys::Constant);
  number(root, "PIVOT.X")->setLocalValue(-7.25e-9);
  number(root, "SKEW")->setLocalValue(std::nextafter(15.0, 16.0));
  root->setSelected(true);

  auto* kinds = static_cast<PioKinds*>(add(*scene, "PioKinds", "Kinds"));
  kinds->amount->setLocalValue(-1.0 / 3.0);
  kinds->amount->setKey(0.5, 9.999999999999998, AT_Keys::Constant);
  kinds->amount->setKey(3.0, -10.0, AT_Keys::Linear);
  kinds->count->setKey(1.0, 7);
  kinds->count->setKey(4.0, 100);
  kinds->steps->setLocalValue(9);
  kinds->on->setLocalValue(false);
  kinds->on->setKey(2.0, true);
  kinds->label->setLocalValue(QStringLiteral("  a \"q\" <b> & 'c'\n\ttab\r\nend  \u00e9\U0001F600"));
  kinds->mode->setLocalValue(2);
  kinds->translate->y()->setKey(6.0, 0.30000000000000004, AT_Keys::Linear);
  kinds->setEnabled(false);
  kinds->setSelected(true);

  auto* gather = static_cast<PioAuto*>(add(*scene, "PioAuto", "Gather"));
  // Links at 0 and 3 leave a gap at 1 and 2 and two unlinked ports after the last link.
  gather->ensureInPort(5);
  MO_Module* cam = add(*scene, "Camera", "Cam");
  number(cam, "FOV")->setKey(1.0, 50.0, AT_Keys::Linear);
  MO_Module* child = add(*scene, "Peg", "Child");

  kinds->link(1, root, 0);
  gather->link(0, root, 0);
  gather->link(3, kinds, 1);
  child->link(0, gather, 0);
  scene->setCamera(cam);
  return scene;
}

TEST(SceneWriter, RoundTrip_ReadsBackTheSameSceneBitForBit) {
  const std::unique_ptr<SC_SceneCommon> original = richScene();
  const QByteArray xml = PIO_SceneWriter::writeData(*original);
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> back = PIO_SceneReader::readData(xml, QStringLiteral("rt.xml"), &error);
  ASSERT_NE(back, nullptr) << qPrintable(error.toString()) << "\n" << xml.constData();
  expectSameScene(*original, *back);
  // What the reader made writes out the same file again.
  EXPECT_EQ(PIO_SceneWriter::writeData(*back), xml);
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
  EXPECT_FALSE(xml.contains(QStringLiteral("<camera"))) << qPrintable(xml);
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
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{QStringLiteral("sub")});
  EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("sub"))).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
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
