#include "PersistentObj/PIO_SceneReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "PioTestNodes.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/MO_BaseContext.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/MO_PortTransform.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Malformed files. Rows give the file line by line so that the expected position can be read off
// the row itself: elements inside <scene> start at column 3, inside <node> at 5, inside <attr> at 7.
// A column of 0 means the position is the XML parser's own and only the line is checked.

struct BadFile {
  const char* name;
  std::vector<const char*> lines;
  qint64 line;
  qint64 column;
  const char* word;
};

QByteArray joined(const std::vector<const char*>& lines) {
  QByteArray out;
  for (const char* l : lines)
    out += QByteArray(l) + '\n';
  return out;
}

class MalformedFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(MalformedFile, IsRejectedWholeWithPositionAndReason) {
  const BadFile& row = GetParam();
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(joined(row.lines), QStringLiteral("bad.xml"), &error);
  EXPECT_EQ(scene, nullptr);
  EXPECT_EQ(error.file, QStringLiteral("bad.xml"));
  EXPECT_EQ(error.line, row.line) << qPrintable(error.toString());
  if (row.column > 0) {
    EXPECT_EQ(error.column, row.column) << qPrintable(error.toString());
  }
  EXPECT_TRUE(error.message.contains(QLatin1String(row.word), Qt::CaseInsensitive)) << qPrintable(error.toString());
  EXPECT_TRUE(error.toString().startsWith(QStringLiteral("bad.xml:%1:").arg(row.line))) << qPrintable(error.toString());
}

const char* const kScene = R"(<scene version="1">)";
const char* const kEnd = "</scene>";
const char* const kPegA = R"(  <node type="Peg" name="A">)";
const char* const kPegB = R"(  <node type="Peg" name="B"/>)";
const char* const kNodeEnd = "  </node>";

const BadFile kBadFiles[] = {
    {"MismatchedTag", {kScene, kPegA, kEnd}, 3, 0, "XML"},
    {"UnclosedDocument", {kScene, kPegB}, 3, 0, "XML"},
    {"TrailingElement", {kScene, kEnd, "<scene version=\"1\"/>"}, 3, 0, "XML"},
    {"DocumentTypeDeclaration", {"<!DOCTYPE scene [<!ENTITY e \"x\">]>", kScene, kEnd}, 1, 0, "document type"},
    {"WrongRootAfterDeclaration", {R"(<?xml version="1.0"?>)", R"(  <scenery version="1"/>)"}, 2, 3, "root"},
    {"MissingVersion", {R"(<scene frames="1-2">)", kEnd}, 1, 1, "version"},
    {"BadVersion", {R"(<scene version="2">)", kEnd}, 1, 1, "version"},
    {"FramesReversed", {R"(<scene version="1" frames="10-2">)", kEnd}, 1, 1, "frames"},
    {"FramesNotNumbers", {R"(<scene version="1" frames="1..5">)", kEnd}, 1, 1, "frames"},
    {"AspectZero", {R"(<scene version="1" aspect="4:0">)", kEnd}, 1, 1, "aspect"},
    {"MetricsZero", {kScene, R"(  <metrics x="0"/>)", kEnd}, 2, 3, "positive"},
    {"UnknownElement", {kScene, kPegB, "  <group/>", kEnd}, 3, 3, "unknown element"},
    {"MisspeltXmlAttribute", {kScene, kPegB, R"(  <link from="B" to="B" toport="0"/>)", kEnd}, 3, 3, "toport"},
    {"MisspeltAttributeOnTagOverTwoLines", {kScene, R"(  <node type="Peg")", R"(        name="A" colour="red"/>)", kEnd}, 2, 3, "colour"},
    {"TextInsideScene", {kScene, "  stray words", kEnd}, 2, 0, "text"},
    {"UnknownNodeType", {kScene, R"(  <node type="Spline" name="A"/>)", kEnd}, 2, 3, "Spline"},
    {"MissingNodeName", {kScene, R"(  <node type="Peg"/>)", kEnd}, 2, 3, "name"},
    {"EmptyNodeName", {kScene, R"(  <node type="Peg" name=""/>)", kEnd}, 2, 3, "empty"},
    {"DuplicateNodeNames", {kScene, kPegB, R"(  <node type="Camera" name="B"/>)", kEnd}, 3, 3, "second node"},
    {"FlagNotBoolean", {kScene, R"(  <node type="Peg" name="A" enabled="maybe"/>)", kEnd}, 2, 3, "true or false"},
    {"UnknownKeyword", {kScene, kPegA, R"(    <attr keyword="POSITION.W" value="1"/>)", kNodeEnd, kEnd}, 3, 5, "\"A\""},
    {"KeywordInWrongCase", {kScene, kPegA, R"(    <attr keyword="position.x" value="1"/>)", kNodeEnd, kEnd}, 3, 5, "no attribute"},
    {"NumberNotNumber", {kScene, kPegA, R"(    <attr keyword="SKEW" value="abc"/>)", kNodeEnd, kEnd}, 3, 5, "not a number"},
    {"NumberNaN", {kScene, kPegA, R"(    <attr keyword="POSITION.X" value="nan"/>)", kNodeEnd, kEnd}, 3, 5, "finite"},
    {"NumberInfinite", {kScene, kPegA, R"(    <attr keyword="POSITION.X" value="-inf"/>)", kNodeEnd, kEnd}, 3, 5, "finite"},
    {"KeyValueNaN",
     {kScene, kPegA, R"(    <attr keyword="SKEW">)", R"(      <key frame="1" value="nan"/>)", "    </attr>", kNodeEnd, kEnd},
     4, 7, "finite"},
    {"NumberOutOfRange", {kScene, R"(  <node type="Camera" name="C">)", R"(    <attr keyword="FOV" value="180"/>)", kNodeEnd, kEnd},
     3, 5, "range"},
    {"KeyOutOfRange",
     {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="AMOUNT">)", R"(      <key frame="1" value="10.5"/>)",
      "    </attr>", kNodeEnd, kEnd},
     4, 7, "range"},
    {"FlagNotBooleanValue", {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="ON" value="maybe"/>)", kNodeEnd, kEnd},
     3, 5, "true or false"},
    {"OptionNotInList", {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="MODE" value="FOURTH"/>)", kNodeEnd, kEnd},
     3, 5, "FOURTH"},
    {"WholeNumberWithFraction", {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="STEPS" value="2.5"/>)", kNodeEnd, kEnd},
     3, 5, "whole number"},
    {"ValueOnCompound", {kScene, kPegA, R"(    <attr keyword="POSITION" value="1"/>)", kNodeEnd, kEnd}, 3, 5, "no value"},
    {"AttrWithNeitherValueNorKeys", {kScene, kPegA, R"(    <attr keyword="SKEW"/>)", kNodeEnd, kEnd}, 3, 5, "neither"},
    {"AttrGivenTwice",
     {kScene, kPegA, R"(    <attr keyword="SKEW" value="1"/>)", R"(    <attr keyword="SKEW" value="2"/>)", kNodeEnd, kEnd}, 4, 5, "twice"},
    {"KeyOnFixedWholeNumber",
     {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="STEPS">)", R"(      <key frame="1" value="2"/>)",
      "    </attr>", kNodeEnd, kEnd},
     4, 7, "cannot be animated"},
    {"KeyOnPegPivot",
     {kScene, kPegA, R"(    <attr keyword="PIVOT.X">)", R"(      <key frame="1" value="2"/>)", "    </attr>", kNodeEnd, kEnd},
     4, 7, "cannot be animated"},
    {"KeyOnButton",
     {kScene, R"(  <node type="PioKinds" name="K">)", R"(    <attr keyword="PRESS">)", R"(      <key frame="1" value="1"/>)",
      "    </attr>", kNodeEnd, kEnd},
     4, 7, "cannot be animated"},
    {"DuplicateKeyFrame",
     {kScene, kPegA, R"(    <attr keyword="SKEW">)", R"(      <key frame="1" value="2"/>)", R"(      <key frame="1.0" value="3"/>)",
      "    </attr>", kNodeEnd, kEnd},
     5, 7, "two keys"},
    {"UnknownInterpolation",
     {kScene, kPegA, R"(    <attr keyword="SKEW">)", R"(      <key frame="1" value="2" interpolation="cubic"/>)", "    </attr>",
      kNodeEnd, kEnd},
     4, 7, "interpolation"},
    {"KeyMissingFrame",
     {kScene, kPegA, R"(    <attr keyword="SKEW">)", R"(      <key value="2"/>)", "    </attr>", kNodeEnd, kEnd}, 4, 7, "frame"},
    {"LinkToMissingNode", {kScene, R"(  <link from="A" to="B" toPort="0"/>)", kPegA, kNodeEnd, kEnd}, 2, 3, "\"B\""},
    {"LinkFromMissingNode", {kScene, kPegB, R"(  <link from="Z" to="B" toPort="0"/>)", kEnd}, 3, 3, "\"Z\""},
    {"LinkToMissingPort", {kScene, kPegA, kNodeEnd, kPegB, R"(  <link from="A" to="B" toPort="1"/>)", kEnd}, 5, 3, "input port 1"},
    {"LinkFromMissingPort",
     {kScene, kPegA, kNodeEnd, kPegB, R"(  <link from="A" to="B" toPort="0" fromPort="2"/>)", kEnd}, 5, 3, "output port 2"},
    {"LinkNegativePort", {kScene, kPegA, kNodeEnd, kPegB, R"(  <link from="A" to="B" toPort="-1"/>)", kEnd}, 5, 3, "port index"},
    {"LinkMissingToPort", {kScene, kPegA, kNodeEnd, kPegB, R"(  <link from="A" to="B"/>)", kEnd}, 5, 3, "toPort"},
    {"LinkCycle",
     {kScene, R"(  <link from="A" to="B" toPort="0"/>)", kPegA, kNodeEnd, kPegB, R"(  <link from="B" to="A" toPort="0"/>)", kEnd},
     6, 3, "cycle"},
    {"LinkToItself", {kScene, kPegB, R"(  <link from="B" to="B" toPort="0"/>)", kEnd}, 3, 3, "cycle"},
    {"InputLinkedTwice",
     {kScene, kPegA, kNodeEnd, kPegB, R"(  <node type="Peg" name="C"/>)", R"(  <link from="A" to="B" toPort="0"/>)",
      R"(  <link from="C" to="B" toPort="0"/>)", kEnd},
     7, 3, "twice"},
    {"AutoPortAboveLimit",
     {kScene, kPegA, kNodeEnd, R"(  <node type="PioAuto" name="G"/>)", R"(  <link from="A" to="G" toPort="10001"/>)", kEnd},
     5, 3, "limit"},
    {"CameraNamesMissingNode", {kScene, R"(  <camera node="Nope"/>)", kPegB, kEnd}, 2, 3, "Nope"},
    {"SecondCamera", {kScene, R"(  <camera node="B"/>)", kPegB, R"(  <camera node="B"/>)", kEnd}, 4, 3, "second <camera>"},
};

INSTANTIATE_TEST_SUITE_P(Rows, MalformedFile, ::testing::ValuesIn(kBadFiles),
                         [](const ::testing::TestParamInfo<BadFile>& row) { return std::string(row.param.name); });

TEST(SceneReader, MissingFile_FailsNamingThePath) {
  PIO_LoadError error;
  const QString path = QStringLiteral(VANTOREL_TEST_SCENES "/persistent_does_not_exist.xml");
  EXPECT_EQ(PIO_SceneReader::readFile(path, &error), nullptr);
  EXPECT_EQ(error.file, path);
  EXPECT_TRUE(error.toString().startsWith(path + QStringLiteral(": "))) << qPrintable(error.toString());
}

// Forward references: camera and links name nodes further down; a link grows a node with
// variable inputs up to the port it names and may leave from a second output.
TEST(SceneReader, ForwardReferencesAndGrownInputsResolve) {
  const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1" frames="-4" aspect="1.85:1">
  <camera node="Cam"/>
  <link from="Kinds" to="Gather" toPort="3" fromPort="1"/>
  <link from="Root" to="Kinds" toPort="1"/>
  <node type="Peg" name="Root" selected="true"/>
  <node type="PioKinds" name="Kinds" enabled="false">
    <attr keyword="ON" value="false">
      <key frame="2" value="true"/>
      <key frame="6" value="0" interpolation="constant"/>
    </attr>
    <attr keyword="translate.y" value="0.25"/>
  </node>
  <node type="PioAuto" name="Gather"/>
  <node type="Camera" name="Cam"/>
</scene>
)";
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml, QStringLiteral("fwd.xml"), &error);
  ASSERT_NE(scene, nullptr) << qPrintable(error.toString());
  ASSERT_EQ(scene->nodes().size(), 4u);
  EXPECT_EQ(scene->firstFrame(), -4);
  EXPECT_EQ(scene->lastFrame(), -4);
  EXPECT_EQ(scene->designAspectRatioX(), 1.85);
  EXPECT_EQ(scene->designAspectRatioY(), 1.0);
  EXPECT_EQ(scene->metrics().fx(), 1.0 / 12.0);
  EXPECT_EQ(scene->camera(), scene->findNode(QStringLiteral("Cam")));

  MO_Module* root = scene->findNode(QStringLiteral("Root"));
  MO_Module* kinds = scene->findNode(QStringLiteral("Kinds"));
  MO_Module* gather = scene->findNode(QStringLiteral("Gather"));
  EXPECT_TRUE(root->selected());
  EXPECT_TRUE(root->enabled());
  EXPECT_FALSE(kinds->enabled());
  EXPECT_EQ(kinds->inputModule(1), root);
  EXPECT_EQ(kinds->inputModule(0), nullptr);
  ASSERT_EQ(gather->nInPorts(), 4);
  EXPECT_EQ(gather->inputModule(3), kinds);
  EXPECT_EQ(gather->inPort(3)->srcPort(), kinds->outPort(1));

  // Flag keys hold until the next key whatever the interpolation says.
  auto* on = static_cast<AT_BoolAttr*>(kinds->attr(QStringLiteral("ON")));
  EXPECT_FALSE(on->localValue());
  EXPECT_TRUE(on->value(1.0));
  EXPECT_TRUE(on->value(5.9));
  EXPECT_FALSE(on->value(6.0));
  EXPECT_EQ(static_cast<AT_DoubleAttr*>(kinds->attr(QStringLiteral("translate.y")))->localValue(), 0.25);
  EXPECT_EQ(static_cast<AT_DoubleAttr*>(kinds->attr(QStringLiteral("translate.x")))->localValue(), 0.5);
}

// ---------------------------------------------------------------------------------------------
// A loaded peg chain evaluated against matrices built here from the peg formula:
// T(toOGL(POSITION)) · T(toOGL(PIVOT)) · Rz · Ry · Rx · K(SKEW) · S(SCALE) · T(−toOGL(PIVOT)),
// the child's under the parent's.

struct M4 {
  double a[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  M4 operator*(const M4& o) const {
    M4 r;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        r.a[i][j] = 0.0;
        for (int k = 0; k < 4; ++k)
          r.a[i][j] += a[i][k] * o.a[k][j];
      }
    return r;
  }
};

constexpr double kDeg = 3.14159265358979323846 / 180.0;

M4 T(double x, double y, double z) {
  M4 m;
  m.a[0][3] = x;
  m.a[1][3] = y;
  m.a[2][3] = z;
  return m;
}
M4 Rx(double deg) {
  M4 m;
  const double c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  m.a[1][1] = c, m.a[1][2] = -s, m.a[2][1] = s, m.a[2][2] = c;
  return m;
}
M4 Ry(double deg) {
  M4 m;
  const double c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  m.a[0][0] = c, m.a[0][2] = s, m.a[2][0] = -s, m.a[2][2] = c;
  return m;
}
M4 Rz(double deg) {
  M4 m;
  const double c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
  m.a[0][0] = c, m.a[0][1] = -s, m.a[1][0] = s, m.a[1][1] = c;
  return m;
}
// x' = x + sin(a)·y, y' = cos(a)·y.
M4 K(double deg) {
  M4 m;
  m.a[0][1] = std::sin(deg * kDeg);
  m.a[1][1] = std::cos(deg * kDeg);
  return m;
}
M4 S(double x, double y, double z) {
  M4 m;
  m.a[0][0] = x, m.a[1][1] = y, m.a[2][2] = z;
  return m;
}

// Values at the frame, worked out by hand from the keys in persistent_peg_hierarchy.xml.
struct PegFrame {
  double frame;
  double hipX;       // linear 0 at 1 to 10 at 11
  double kneeAngleZ; // constant 0 from 1, linear 40 at 5 to 100 at 11
  double kneeSkew;   // linear 15 at 1 to -5 at 11
};

class PegChainFromFile : public ::testing::TestWithParam<PegFrame> {};

TEST_P(PegChainFromFile, MatchesHandBuiltMatrices) {
  const PegFrame& f = GetParam();
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> scene =
      PIO_SceneReader::readFile(QStringLiteral(VANTOREL_TEST_SCENES "/persistent_peg_hierarchy.xml"), &error);
  ASSERT_NE(scene, nullptr) << qPrintable(error.toString());

  const double mx = 0.5, my = 0.25, mz = 2.0;
  const M4 hip = T(f.hipX * mx, 4 * my, 0) * Rz(30) * S(2, 1, 1);
  const M4 knee = T(1 * mx, -2 * my, 0.5 * mz) * T(3 * mx, 1 * my, 0) * Rz(f.kneeAngleZ) * Ry(20) * Rx(10) *
                  K(f.kneeSkew) * S(1, 0.5, 3) * T(-3 * mx, -1 * my, 0);
  const struct {
    const char* name;
    M4 expected;
  } cases[] = {{"Hip", hip}, {"Knee", hip * knee}};

  for (const auto& c : cases) {
    MO_Module* node = scene->findNode(QLatin1String(c.name));
    ASSERT_NE(node, nullptr);
    MO_PortTransform* t = node->computeTransformation(MO_BaseContext(MO_FrameKey(f.frame)));
    ASSERT_NE(t, nullptr);
    const Math::Matrix4x4 got = t->transformation().matrix(true);
    double scale = 1.0;
    for (int r = 0; r < 4; ++r)
      for (int col = 0; col < 4; ++col)
        scale = std::max(scale, std::abs(c.expected.a[r][col]));
    for (int r = 0; r < 4; ++r)
      for (int col = 0; col < 4; ++col)
        EXPECT_NEAR(got(r, col), c.expected.a[r][col], 1e-12 * scale) << c.name << " row " << r << " col " << col;
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, PegChainFromFile,
                         ::testing::Values(PegFrame{1, 0, 0, 15}, PegFrame{3, 2, 0, 11}, PegFrame{5, 4, 40, 7},
                                           PegFrame{8, 7, 70, 1}, PegFrame{11, 10, 100, -5},
                                           PegFrame{20, 10, 100, -5}));

} // namespace
