#include "PersistentObj/PIO_SceneReader.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

#include "Common/HandMatrices.h"
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
  const std::unique_ptr<SC_SceneCommon> scene =
      PIO_SceneReader::readData(joined(row.lines), QStringLiteral("bad.xml"), &error);
  EXPECT_EQ(scene, nullptr);
  EXPECT_EQ(error.file, QStringLiteral("bad.xml"));
  EXPECT_EQ(error.line, row.line) << qPrintable(error.toString());
  if (row.column > 0) {
    EXPECT_EQ(error.column, row.column) << qPrintable(error.toString());
  }
  EXPECT_TRUE(error.message.contains(QLatin1String(row.word), Qt::CaseInsensitive)) << qPrintable(error.toString());
  EXPECT_TRUE(error.toString().startsWith(QStringLiteral("bad.xml:%1:").arg(row.line))) << qPrintable(error.toString());

  // Read from a file without keeping its text (the file is read as it goes): the same refusal,
  // at the same place.
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write(joined(row.lines));
  file.close();
  PIO_LoadError streamed;
  EXPECT_EQ(PIO_SceneReader::readFile(file.fileName(), &streamed, PIO_SceneReader::Text::Dropped), nullptr);
  EXPECT_EQ(streamed.file, file.fileName());
  EXPECT_EQ(streamed.line, error.line);
  EXPECT_EQ(streamed.column, error.column);
  EXPECT_EQ(streamed.message, error.message);
}

const char* const kScene = R"(<scene version="1">)";
const char* const kEnd = "</scene>";
const char* const kPegA = R"(  <node type="Peg" name="A">)";
const char* const kPegB = R"(  <node type="Peg" name="B"/>)";
const char* const kNodeEnd = "  </node>";

// The lines given, one under another, inside a scene (and inside node `open`, peg A by default).
std::vector<const char*> inScene(std::initializer_list<const char*> lines) {
  std::vector<const char*> out{kScene};
  out.insert(out.end(), lines);
  out.push_back(kEnd);
  return out;
}
std::vector<const char*> inNode(std::initializer_list<const char*> lines, const char* open = kPegA) {
  std::vector<const char*> out{kScene, open};
  out.insert(out.end(), lines);
  out.insert(out.end(), {kNodeEnd, kEnd});
  return out;
}
const char* const kKinds = R"(  <node type="PioKinds" name="K">)";
const char* const kSkewKeys = R"(    <attr keyword="SKEW">)";
const char* const kAttrEnd = "    </attr>";

const BadFile kBadFiles[] = {
    {"MismatchedTag", {kScene, kPegA, kEnd}, 3, 0, "XML"},
    {"DocumentTypeDeclaration", {"<!DOCTYPE scene [<!ENTITY e \"x\">]>", kScene, kEnd}, 1, 0, "document type"},
    {"WrongRootAfterDeclaration", {R"(<?xml version="1.0"?>)", R"(  <scenery version="1"/>)"}, 2, 3, "root"},
    {"MissingVersion", {R"(<scene frames="1-2">)", kEnd}, 1, 1, "version"},
    {"FramesReversed", {R"(<scene version="1" frames="10-2">)", kEnd}, 1, 1, "frames"},
    {"UnknownElement", inScene({kPegB, "  <group/>"}), 3, 3, "unknown element"},
    // Columns count characters, not bytes: "É" is two bytes and "😀" two UTF-16 units.
    {"UnknownElementAfterAccentedName", inScene({R"(  <node type="Peg" name="É"><group/></node>)"}), 2, 29,
     "unknown element"},
    {"UnknownElementOverTwoLinesAfterEmoji",
     inScene({R"(  <node type="Peg" name="😀"><!-- 😀 --><group)", "  />", kNodeEnd}), 2, 41, "unknown element"},
    {"MisspeltXmlAttribute", inScene({kPegB, R"(  <link from="B" to="B" toport="0"/>)"}), 3, 3, "toport"},
    {"MisspeltAttributeOnTagOverTwoLines", inScene({R"(  <node type="Peg")", R"(        name="A" colour="red"/>)"}), 2,
     3, "colour"},
    {"UnknownNodeType", inScene({R"(  <node type="Spline" name="A"/>)"}), 2, 3, "Spline"},
    {"DuplicateNodeNames", inScene({kPegB, R"(  <node type="Camera" name="B"/>)"}), 3, 3, "second node"},
    {"UnknownKeyword", inNode({R"(    <attr keyword="POSITION.W" value="1"/>)"}), 3, 5, "\"A\""},
    // A part the attribute does not have: the parts it has are named.
    {"UnknownPart", inNode({R"(    <attr keyword="ROTATION.Z" value="1"/>)"}), 3, 5,
     "the parts of ROTATION are ROTATION.ANGLEX, ROTATION.ANGLEY, ROTATION.ANGLEZ"},
    {"PartOfASimpleAttribute", inNode({R"(    <attr keyword="SKEW.X" value="1"/>)"}), 3, 5, "SKEW has no parts"},
    {"NumberNotNumber", inNode({R"(    <attr keyword="SKEW" value="abc"/>)"}), 3, 5, "not a number"},
    {"KeyValueNaN", inNode({kSkewKeys, R"(      <key frame="1" value="nan"/>)", kAttrEnd}), 4, 7, "finite"},
    {"NumberOutOfRange", inNode({R"(    <attr keyword="FOV" value="180"/>)"}, R"(  <node type="Camera" name="C">)"), 3,
     5, "range"},
    {"FlagNotBooleanValue", inNode({R"(    <attr keyword="ON" value="maybe"/>)"}, kKinds), 3, 5, "true or false"},
    {"OptionNotInList", inNode({R"(    <attr keyword="MODE" value="FOURTH"/>)"}, kKinds), 3, 5, "FOURTH"},
    {"WholeNumberWithFraction", inNode({R"(    <attr keyword="STEPS" value="2.5"/>)"}, kKinds), 3, 5, "whole number"},
    {"ValueOnCompound", inNode({R"(    <attr keyword="POSITION" value="1"/>)"}), 3, 5, "no value"},
    {"AttrGivenTwice", inNode({R"(    <attr keyword="SKEW" value="1"/>)", R"(    <attr keyword="SKEW" value="2"/>)"}),
     4, 5, "twice"},
    {"KeyOnPegPivot", inNode({R"(    <attr keyword="PIVOT.X">)", R"(      <key frame="1" value="2"/>)", kAttrEnd}), 4,
     7, "cannot be animated"},
    {"DuplicateKeyFrame",
     inNode({kSkewKeys, R"(      <key frame="1" value="2"/>)", R"(      <key frame="1.0" value="3"/>)", kAttrEnd}), 5,
     7, "two keys"},
    {"UnknownInterpolation", inNode({kSkewKeys, R"(      <key frame="1" value="2" interpolation="cubic"/>)", kAttrEnd}),
     4, 7, "interpolation"},
    {"LinkToMissingNode", inScene({R"(  <link from="A" to="B" toPort="0"/>)", kPegA, kNodeEnd}), 2, 3, "\"B\""},
    {"LinkToMissingPort", inScene({kPegA, kNodeEnd, kPegB, R"(  <link from="A" to="B" toPort="1"/>)"}), 5, 3,
     "input port 1"},
    {"LinkCycle",
     inScene({R"(  <link from="A" to="B" toPort="0"/>)", kPegA, kNodeEnd, kPegB,
              R"(  <link from="B" to="A" toPort="0"/>)"}),
     6, 3, "cycle"},
    {"InputLinkedTwice",
     inScene({kPegA, kNodeEnd, kPegB, R"(  <node type="Peg" name="C"/>)", R"(  <link from="A" to="B" toPort="0"/>)",
              R"(  <link from="C" to="B" toPort="0"/>)"}),
     7, 3, "twice"},
    {"AutoPortAboveLimit",
     inScene({kPegA, kNodeEnd, R"(  <node type="PioAuto" name="G"/>)", R"(  <link from="A" to="G" toPort="10001"/>)"}),
     5, 3, "limit"},
    {"InputsOnFixedPorts", inScene({R"(  <node type="Peg" name="P" inputs="3"/>)"}), 2, 3, "fixed set"},
    {"InputsAboveLimit", inScene({R"(  <node type="PioAuto" name="G" inputs="10002"/>)"}), 2, 3, "limit"},
    {"CameraNamesMissingNode", inScene({R"(  <camera node="Nope"/>)", kPegB}), 2, 3, "Nope"},
    // A peg as the camera would draw an empty picture without a word.
    {"CameraNamesAPeg", inScene({kPegB, R"(  <camera node="B"/>)"}), 3, 3, "not a camera"}};

INSTANTIATE_TEST_SUITE_P(Rows, MalformedFile, ::testing::ValuesIn(kBadFiles),
                         [](const ::testing::TestParamInfo<BadFile>& row) { return std::string(row.param.name); });

TEST(SceneReader, MissingFile_FailsNamingThePath) {
  PIO_LoadError error;
  const QString path = QStringLiteral(VANTOREL_TEST_SCENES "/persistent_does_not_exist.xml");
  EXPECT_EQ(PIO_SceneReader::readFile(path, &error), nullptr);
  EXPECT_EQ(error.file, path);
  EXPECT_TRUE(error.toString().startsWith(path + QStringLiteral(": "))) << qPrintable(error.toString());
}

// Forward references (reader_forward_references.xml): camera and links name nodes further down; a link grows a node
// with variable inputs up to the port it names and may leave from a second output.
TEST(SceneReader, ForwardReferencesAndGrownInputsResolve) {
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> scene =
      PIO_SceneReader::readFile(QStringLiteral(VANTOREL_TEST_SCENES "/reader_forward_references.xml"), &error);
  ASSERT_NE(scene, nullptr) << qPrintable(error.toString());
  ASSERT_EQ(scene->nodes().size(), 4u);
  EXPECT_EQ(scene->firstFrame(), -4);
  EXPECT_EQ(scene->designAspectRatioX(), 1.85);
  EXPECT_EQ(scene->camera(), scene->findNode(QStringLiteral("Cam")));

  MO_Module* root = scene->findNode(QStringLiteral("Root"));
  MO_Module* kinds = scene->findNode(QStringLiteral("Kinds"));
  MO_Module* gather = scene->findNode(QStringLiteral("Gather"));
  EXPECT_TRUE(root->selected());
  EXPECT_FALSE(kinds->enabled());
  EXPECT_EQ(kinds->inputModule(1), root);
  ASSERT_EQ(gather->nInPorts(), 4);
  EXPECT_EQ(gather->inputModule(3), kinds);
  EXPECT_EQ(gather->inPort(3)->srcPort(), kinds->outPort(1));

  // Flag keys hold until the next key whatever the interpolation says.
  auto* on = static_cast<AT_BoolAttr*>(kinds->attr(QStringLiteral("ON")));
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

using namespace hand;

// Values at the frame, worked out by hand from the keys in persistent_peg_hierarchy.xml.
struct PegFrame {
  double frame;
  double hipX;       // linear 0 at 1 to 10 at 11
  double kneeAngleZ; // constant 0 from 1, linear 40 at 5 to 100 at 11
  double kneeSkew;   // linear 15 at 1 to -5 at 11
};

class PegChainFromFile : public ::testing::TestWithParam<PegFrame> {};

void expectHandBuiltChain(const SC_SceneCommon& scene, const PegFrame& f);

TEST_P(PegChainFromFile, MatchesHandBuiltMatrices) {
  const PegFrame& f = GetParam();
  for (PIO_SceneReader::Text text : {PIO_SceneReader::Text::Kept, PIO_SceneReader::Text::Dropped}) {
    PIO_LoadError error;
    const std::unique_ptr<SC_SceneCommon> scene =
        PIO_SceneReader::readFile(QStringLiteral(VANTOREL_TEST_SCENES "/persistent_peg_hierarchy.xml"), &error, text);
    ASSERT_NE(scene, nullptr) << qPrintable(error.toString());
    EXPECT_EQ(scene->source() != nullptr, text == PIO_SceneReader::Text::Kept);
    expectHandBuiltChain(*scene, f);
  }
}

void expectHandBuiltChain(const SC_SceneCommon& scene, const PegFrame& f) {

  const double mx = 0.5, my = 0.25, mz = 2.0;
  const Math::Matrix4x4 hip = T(f.hipX * mx, 4 * my, 0) * Rz(30) * S(2, 1, 1);
  const Math::Matrix4x4 knee = T(1 * mx, -2 * my, 0.5 * mz) * T(3 * mx, 1 * my, 0) * Rz(f.kneeAngleZ) * Ry(20) *
                               Rx(10) * K(f.kneeSkew) * S(1, 0.5, 3) * T(-3 * mx, -1 * my, 0);
  const struct {
    const char* name;
    Math::Matrix4x4 expected;
  } cases[] = {{"Hip", hip}, {"Knee", hip * knee}};

  for (const auto& c : cases) {
    MO_Module* node = scene.findNode(QLatin1String(c.name));
    ASSERT_NE(node, nullptr);
    MO_PortTransform* t = node->computeTransformation(MO_BaseContext(MO_FrameKey(f.frame)));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(matrixNear(t->transformation().matrix(true), c.expected, 1e-11, true)) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, PegChainFromFile,
                         ::testing::Values(PegFrame{3, 2, 0, 11}, PegFrame{8, 7, 70, 1}, PegFrame{20, 10, 100, -5}));

} // namespace
