// Writing a scene read from a file back into that file's text: every example comes back byte for
// byte, and an edit changes only the lines it touches, whatever order, spelling, comments and
// spacing the file had.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <functional>

#include "Common/SceneText.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::unique_ptr<SC_SceneCommon> load(const QByteArray& xml) { return scenetext::read(xml, QStringLiteral("t.xml")); }

AT_DoubleAttr* number(SC_SceneCommon& scene, const char* node, const char* path) {
  return dynamic_cast<AT_DoubleAttr*>(scene.findNode(QString::fromUtf8(node))->attr(QLatin1String(path)));
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, ReadAndWrittenBackGivesTheSameBytes) {
  const QByteArray original = readAll(QString::fromStdString(GetParam()));
  ASSERT_FALSE(original.isEmpty());
  const std::unique_ptr<SC_SceneCommon> scene = load(original);
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene).toStdString(), original.toStdString());
}

std::vector<std::string> examples() {
  std::vector<std::string> out;
  for (const QString& name : QDir(QStringLiteral(VANTOREL_EXAMPLES)).entryList({QStringLiteral("*.xml")}))
    out.push_back(VANTOREL_EXAMPLES "/" + name.toStdString());
  return out;
}

INSTANTIATE_TEST_SUITE_P(All, Example, ::testing::ValuesIn(examples()), [](const auto& row) {
  return QFileInfo(QString::fromStdString(row.param)).baseName().toStdString();
});

TEST(ExampleList, HoldsEveryExample) { EXPECT_GE(examples().size(), 9u); }

// source_hand_written.xml: a file in an order and a spelling of its own, attributes out of declaration order, a value
// equal to the default, XML attributes in another order, keys without an interpolation, links
// between nodes and not by target, comments and blank lines between and inside nodes, no metrics.
QByteArray handWritten() { return scenetext::testScene("source_hand_written.xml"); }

QByteArray edited(const char* from, const char* to) {
  QByteArray text(handWritten());
  EXPECT_TRUE(text.contains(from)) << from;
  return text.replace(from, to);
}

TEST(SceneSource, AnUntouchedFileComesBackAsItWasWritten) {
  const std::unique_ptr<SC_SceneCommon> scene = load(handWritten());
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene).toStdString(), handWritten().toStdString());
}

struct Edit {
  const char* name;
  std::function<void(SC_SceneCommon&)> apply;
  // The lines the file should then have, as the change of the original text.
  const char* from;
  const char* to;
};

class SceneSourceEdit : public ::testing::TestWithParam<Edit> {};

TEST_P(SceneSourceEdit, ChangesOnlyTheLinesItTouches) {
  const std::unique_ptr<SC_SceneCommon> scene = load(handWritten());
  GetParam().apply(*scene);
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene).toStdString(), edited(GetParam().from, GetParam().to).toStdString());
}

std::unique_ptr<MO_Module> peg(const char* name) {
  std::unique_ptr<MO_Module> node(MO_ModuleFactorySingleton().create(QStringLiteral("Peg")));
  node->setInstanceName(QLatin1String(name));
  return node;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SceneSourceEdit,
    ::testing::Values(
        Edit{"ValueChanged", [](SC_SceneCommon& s) { number(s, "Upper", "ROTATION.ANGLEZ")->setLocalValue(0.3); },
             R"(value="30.0")", R"(value="0.3")"},
        // Back to the default: the line stays, with the value it now has.
        Edit{"ValueBackToDefault", [](SC_SceneCommon& s) { number(s, "Hand", "POSITION.Y")->setLocalValue(0.0); },
             R"(value="1e-1")", R"(value="0")"},
        // A changed animation is written afresh, its keys at the attribute's indentation.
        Edit{"KeyAdded", [](SC_SceneCommon& s) { number(s, "Upper", "POSITION.X")->setKey(5, 1.5); },
             R"(      <key frame="1" value="0.8"/>
      <key value="2" frame="10"/>)",
             R"(      <key frame="1" value="0.8" interpolation="linear"/>
      <key frame="5" value="1.5" interpolation="linear"/>
      <key frame="10" value="2" interpolation="linear"/>)"},
        // A new attribute follows the node's last one.
        Edit{"AttributeAdded", [](SC_SceneCommon& s) { number(s, "Upper", "SCALE.Y")->setLocalValue(0.8); },
             R"(value="30.0"/>)", R"(value="30.0"/>
    <attr keyword="SCALE.Y" value="0.8"/>)"},
        Edit{"NodeFlagged", [](SC_SceneCommon& s) { s.findNode(QStringLiteral("Lower"))->setEnabled(false); },
             R"(<node type="Peg" name="Lower"></node>)", R"(<node type="Peg" name="Lower" enabled="false"></node>)"},
        // A node that is gone takes its links along; the comment before the link stays.
        Edit{"NodeRemoved", [](SC_SceneCommon& s) { s.removeNode(s.findNode(QStringLiteral("Hand"))); },
             R"(
  <node type="Peg" name="Hand">
    <attr keyword="POSITION.Y" value="1e-1"/>
  </node>
  <!-- the hand hangs below -->
  <link to="Hand" from="Lower" toPort="0"/>)",
             R"(
  <!-- the hand hangs below -->)"},
        // New nodes follow the last node, new links the last link.
        Edit{"NodeAndLinkAdded",
             [](SC_SceneCommon& s) {
               MO_Module* tip = s.addNode(peg("Tip"));
               tip->link(0, s.findNode(QStringLiteral("Hand")), 0);
             },
             R"(    <attr keyword="POSITION.Y" value="1e-1"/>
  </node>
  <!-- the hand hangs below -->
  <link to="Hand" from="Lower" toPort="0"/>)",
             R"(    <attr keyword="POSITION.Y" value="1e-1"/>
  </node>
  <node type="Peg" name="Tip"/>
  <!-- the hand hangs below -->
  <link to="Hand" from="Lower" toPort="0"/>
  <link from="Hand" to="Tip" toPort="0"/>)"},
        // A link moved to another source stays where the old one stood.
        Edit{"LinkMoved",
             [](SC_SceneCommon& s) {
               MO_Module* hand = s.findNode(QStringLiteral("Hand"));
               hand->unlink(0);
               hand->link(0, s.findNode(QStringLiteral("Upper")), 0);
             },
             R"(<link to="Hand" from="Lower" toPort="0"/>)", R"(<link from="Upper" to="Hand" toPort="0"/>)"},
        // What tells an attribute's element unchanged sees the sign of a zero, the last bit of a
        // key and its interpolation, and an edit undone by another leaves the text as written.
        Edit{"ZeroMadeNegative", [](SC_SceneCommon& s) { number(s, "Upper", "SKEW")->setLocalValue(-0.0); },
             R"(keyword="SKEW" value="0")", R"(keyword="SKEW" value="-0")"},
        Edit{"KeyMovedByItsLastBit",
             [](SC_SceneCommon& s) { number(s, "Upper", "POSITION.X")->setKey(1, std::nextafter(0.8, 1.0)); },
             R"(      <key frame="1" value="0.8"/>
      <key value="2" frame="10"/>)",
             R"(      <key frame="1" value="0.8000000000000002" interpolation="linear"/>
      <key frame="10" value="2" interpolation="linear"/>)"},
        Edit{"InterpolationChanged",
             [](SC_SceneCommon& s) { number(s, "Upper", "POSITION.X")->setKey(1, 0.8, AT_Keys::Constant); },
             R"(      <key frame="1" value="0.8"/>
      <key value="2" frame="10"/>)",
             R"(      <key frame="1" value="0.8" interpolation="constant"/>
      <key frame="10" value="2" interpolation="linear"/>)"},
        Edit{"KeyChangedAndBack",
             [](SC_SceneCommon& s) {
               number(s, "Upper", "POSITION.X")->setKey(10, 3.0);
               number(s, "Upper", "POSITION.X")->setKey(10, 2.0);
             },
             R"(<key value="2" frame="10"/>)", R"(<key value="2" frame="10"/>)"},
        Edit{"LinkCutAndMadeAgain",
             [](SC_SceneCommon& s) {
               MO_Module* hand = s.findNode(QStringLiteral("Hand"));
               hand->unlink(0);
               hand->link(0, s.findNode(QStringLiteral("Lower")), 0);
             },
             R"(<link to="Hand" from="Lower" toPort="0"/>)", R"(<link to="Hand" from="Lower" toPort="0"/>)"},
        Edit{"RangeChanged", [](SC_SceneCommon& s) { s.setFrameRange(1, 24); }, R"(<scene frames="1-10" version="1">)",
             R"(<scene version="1" frames="1-24" aspect="4:3">)"},
        // Metrics the file left at their default are written once they say something.
        Edit{"MetricsSet", [](SC_SceneCommon& s) { s.setMetrics(SC_SceneMetrics(0.5, 0.25, 0.125)); },
             R"(<scene frames="1-10" version="1">)", R"(<scene frames="1-10" version="1">
  <metrics x="0.5" y="0.25" z="0.125"/>)"}),
    [](const auto& row) { return std::string(row.param.name); });

// Text beyond ASCII (names, comments) is kept byte for byte around an edit; a byte order mark
// is not written back.
TEST(SceneSource, TextBeyondAsciiIsKeptAroundAnEdit) {
  const QByteArray text = edited("<!-- the arm -->", "<!-- der Arm, größer: 😀 -->").replace("Hand", "Händ");
  const std::unique_ptr<SC_SceneCommon> scene = load("\xEF\xBB\xBF" + text);
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene).toStdString(), text.toStdString());
  number(*scene, "Händ", "POSITION.Y")->setLocalValue(0.5);
  QByteArray expected = text;
  expected.replace(R"(value="1e-1")", R"(value="0.5")");
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene).toStdString(), expected.toStdString());
}

// Numbers are the shortest text that reads back to the same double.
TEST(SceneSource, NumbersAreTheShortestTextThatReadsBack) {
  SC_SceneCommon scene;
  MO_Module* node = scene.addNode(peg("P"));
  const double values[] = {0.8, 0.1 + 0.2, 1e-4, -0.0, 1.0 / 3.0, 4.9406564584124654e-324};
  const char* texts[] = {"0.8", "0.30000000000000004", "1e-04", "-0", "0.3333333333333333", "5e-324"};
  for (int i = 0; i < 6; ++i)
    dynamic_cast<AT_DoubleAttr*>(node->attr(QStringLiteral("POSITION.X")))->setKey(i + 1, values[i]);
  const QString xml = QString::fromUtf8(PIO_SceneWriter::writeData(scene));
  for (const char* text : texts)
    EXPECT_TRUE(xml.contains(QStringLiteral("value=\"%1\"").arg(QLatin1String(text)))) << text << "\n"
                                                                                       << qPrintable(xml);
}

} // namespace
