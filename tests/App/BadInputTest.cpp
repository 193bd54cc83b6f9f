// Bad input at the command line, one row a case across every command: the binary exits with
// status 2, says on one line of stderr what is wrong and where, prints nothing on stdout and
// leaves nothing in the output folder. (What the scene reader says of each bad file is its own
// MalformedFile table; here a bad file only reaches each command that reads one.)
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "VantorelProcess.h"

namespace {

const QString kArm = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");
const QString kTwoPoints = QStringLiteral(VANTOREL_EXAMPLES "/two_points_arm.xml");
const QString kStatic = QStringLiteral(VANTOREL_EXAMPLES "/static_bake.xml");
const QString kGate = QStringLiteral(VANTOREL_EXAMPLES "/switch_gate.xml");
const QString kTail = QStringLiteral(VANTOREL_EXAMPLES "/spring_tail.xml");
const QString kPegs = QStringLiteral(VANTOREL_TEST_SCENES "/eval_two_pegs.xml");

struct BadInput {
  const char* name;
  QStringList args; // a leading OUT stands for the output folder, IN for a file holding `scene`
  const char* says;
  const char* scene = nullptr;
};

class BadInputAtTheCommandLine : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputAtTheCommandLine, ExitsWithStatusTwoAndOneLineSayingWhatAndWhereAndWritesNothing) {
  QTemporaryDir in, out;
  const QString scene = in.filePath(QStringLiteral("bad.xml"));
  if (GetParam().scene)
    written(in, QStringLiteral("bad.xml"), GetParam().scene);
  const auto fill = [&](const QString& s) {
    if (s.startsWith(QLatin1String("OUT")))
      return out.path() + s.mid(3);
    return s.startsWith(QLatin1String("IN")) ? scene + s.mid(2) : s;
  };
  QStringList args;
  for (const QString& a : GetParam().args)
    args << fill(a);
  const ProcessResult r = vantorel(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(fill(QString::fromUtf8(GetParam().says)).toUtf8())) << r.err.toStdString();
  EXPECT_TRUE(QDir(out.path()).isEmpty());
}

const char* const kNanSkew = "<scene version=\"1\">\n  <node type=\"Peg\" name=\"A\">\n"
                             "    <attr keyword=\"SKEW\" value=\"nan\"/>\n  </node>\n</scene>\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, BadInputAtTheCommandLine,
    ::testing::Values(
        BadInput{"unknownCommand", {"evaluate"}, "unknown command"},
        BadInput{"checkMalformedScene", {"check", "IN"}, "IN:3:5:", kNanSkew},
        BadInput{"evalMissingFile", {"eval", "/no/such/scene.xml"}, "/no/such/scene.xml"},
        BadInput{"evalReversedFrames", {"eval", kPegs, "--frames", "3-1"}, "ends before it starts"},
        BadInput{"evalUnknownNode", {"eval", kPegs, "--node", "Nope"}, "no node named \"Nope\""},
        BadInput{"evalUnknownFormat", {"eval", kPegs, "--format", "xml"}, "csv, json or npy"},
        BadInput{"evalUnknownValues", {"eval", kPegs, "--values", "quat"}, "matrix or peg"},
        BadInput{"evalFormatContradictsOutput",
                 {"eval", kPegs, "--format", "csv", "-o", "OUT/m.json"},
                 "--format csv contradicts the output"},
        BadInput{"evalFrameOutOfRange",
                 {"eval", kPegs, "--frames", "1-99999999999999"},
                 "frame 99999999999999 in \"1-99999999999999\" is out of range (frames go from -999999999 to "
                 "999999999)"},
        BadInput{
            "renderFrameTooLarge", {"render", kArm, "--frame", "1e400", "-o", "OUT/a.png"}, "1e400 is out of range"},
        BadInput{"renderOnionTooLarge",
                 {"render", kArm, "--frame", "1", "--onion", "99999999999", "-o", "OUT/a.png"},
                 "--onion 99999999999 is out of range"},
        BadInput{"pickPointTooLarge", {"pick", kTwoPoints, "--at", "1e999,3"}, "--at: 1e999 is out of range"},
        BadInput{"evalNpyWithoutOutput", {"eval", kPegs, "--format", "npy"}, "--format npy needs -o"},
        BadInput{"evalOutputFolderMissing", {"eval", kPegs, "-o", "OUT/no/out.csv"}, "OUT/no/out.csv"},
        BadInput{"bakeUnknownNode", {"bake", kStatic, "Nope", "--all", "-o", "OUT/b.xml"}, "no node named \"Nope\""},
        BadInput{"bakeNodeWithoutButtons", {"bake", kStatic, "Arm", "--all", "-o", "OUT/b.xml"}, "no bake buttons"},
        BadInput{"bakeBothModes", {"bake", kStatic, "Hold", "--all", "--immediate", "-o", "OUT/b.xml"}, "exactly one"},
        BadInput{"dragNodeWithoutControl",
                 {"drag", kGate, "Gate", "--from", "226,342", "--to", "226,100", "-o", "OUT/d.xml"},
                 "no control to drag"},
        // A press on nothing, or on another node, takes hold of no control.
        BadInput{"dragPressOnNothing",
                 {"drag", kGate, "Switch", "--from", "10,10", "--to", "226,100", "-o", "OUT/d.xml"},
                 "the press at 10,10 picks the background, not a handle of the control of node \"Switch\""},
        BadInput{"dragPressOnAnotherNode",
                 {"drag", kGate, "Switch", "--from", "371,270", "--to", "226,100", "-o", "OUT/d.xml"},
                 "picks node \"Left\" (Peg), not a handle"},
        BadInput{"bakeKeysUnknownNode",
                 {"bake-keys", kArm, "Wrist", "--frames", "1-4", "-o", "OUT/b.xml"},
                 "no node named \"Wrist\""},
        BadInput{"bakeKeysNameTaken",
                 {"bake-keys", kArm, "Hand", "--frames", "1-4", "--name", "Elbow", "-o", "OUT/b.xml"},
                 "a node named \"Elbow\" already exists"},
        BadInput{"bakeKeysNoFolder", {"bake-keys", kArm, "Hand", "--frames", "1-4", "-o", "OUT/no/b.xml"}, "no folder"},
        BadInput{"bakeKeysNoTransformation",
                 {"bake-keys", kGate, "Switch", "--frames", "1-4", "-o", "OUT/b.xml"},
                 "no transformation output"},
        BadInput{"curvesUnknownChannel",
                 {"curves", kTail, "--node", "Tip", "--channels", "tx,rq", "-o", "OUT/c.svg"},
                 "no channel \"rq\""},
        BadInput{"curvesExtension", {"curves", kTail, "--node", "Tip", "-o", "OUT/c.jpg"}, "must end in .png or .svg"},
        BadInput{"curvesNoFolder", {"curves", kTail, "--node", "Tip", "-o", "OUT/no/c.svg"}, "c.svg"},
        BadInput{"renderFrameText", {"render", kArm, "--frame", "one", "-o", "OUT/a.png"}, "not \"one\""},
        BadInput{"renderNoFrame", {"render", kArm, "-o", "OUT/a.png"}, "give one of --frame F and --frames A-B"},
        BadInput{"renderSizeZero", {"render", kArm, "--frame", "1", "--size", "0x10", "-o", "OUT/a.png"}, "--size"},
        BadInput{"renderFramesUnnumbered", {"render", kArm, "--frames", "1-3", "-o", "OUT/a.png"}, "one file a frame"},
        BadInput{"renderOnionNegative",
                 {"render", kArm, "--frame", "1", "--onion", "-1", "-o", "OUT/a.png"},
                 "--onion must be from 0"},
        BadInput{"renderNodeWithoutOnion",
                 {"render", kArm, "--frame", "1", "--node", "Hand", "-o", "OUT/a.png"},
                 "give --onion N too"},
        BadInput{"renderOnionUnknownNode",
                 {"render", kArm, "--frame", "1", "--onion", "2", "--node", "Wrist", "-o", "OUT/a.png"},
                 "no node named \"Wrist\""},
        BadInput{"pickOutsideTheView", {"pick", kTwoPoints, "--frame", "16", "--at", "960,10"}, "outside the 960x540"},
        BadInput{"pickNoPoint", {"pick", kTwoPoints, "--frame", "16", "--view", "camera"}, "--at X,Y is required"},
        BadInput{"pickUnknownNode",
                 {"pick", kTwoPoints, "--frame", "16", "--at", "10,10", "--node", "Elbow"},
                 "no node named \"Elbow\""},
        BadInput{"pickNodeWithoutControl",
                 {"pick", kTwoPoints, "--frame", "16", "--at", "10,10", "--node", "Hand"},
                 "does not choose its main input"},
        BadInput{
            "exportUnknownNode", {"export", kArm, "--node", "Wrist", "-o", "OUT/a.glb"}, "no node named \"Wrist\""},
        BadInput{"exportNoTransformation",
                 {"export", kGate, "--node", "Switch", "-o", "OUT/a.glb"},
                 "no transformation output"},
        BadInput{
            "exportReversedFrames", {"export", kArm, "--frames", "9-3", "-o", "OUT/a.glb"}, "ends before it starts"},
        BadInput{"exportExtension", {"export", kArm, "-o", "OUT/a.obj"}, "must end in .gltf or .glb"},
        BadInput{"exportNoFolder", {"export", kArm, "-o", "OUT/no/a.glb"}, "no folder"},
        BadInput{"exportFpsZero", {"export", kArm, "--fps", "0", "-o", "OUT/a.gltf"}, "--fps must be a number above 0"},
        BadInput{"graphMalformedScene", {"graph", "IN", "-o", "OUT/g.png"}, "IN:3:5:", kNanSkew},
        BadInput{"graphExtension", {"graph", kGate, "-o", "OUT/g.jpg"}, "must end in .png or .svg"},
        BadInput{"graphNoOutput", {"graph", kGate}, "-o OUT.svg|OUT.png is required"},
        BadInput{"graphNoFolder", {"graph", kGate, "-o", "OUT/no/g.svg"}, "OUT/no/g.svg"},
        // The scene is read before any window opens.
        BadInput{"viewMalformedScene", {"view", "IN"}, "IN:3:5:", kNanSkew},
        BadInput{"viewMissingFile", {"view", "/no/such/scene.xml"}, "/no/such/scene.xml"},
        BadInput{"viewUnknownView", {"view", kGate, "--view", "front"}, "camera, top or side, not \"front\""},
        BadInput{"viewPartFrame", {"view", kGate, "--frame", "2.5"}, "a whole frame"},
        BadInput{"typesMissingPluginFolder", {"types", "--json", "--plugins", "/no/such/folder"}, "/no/such/folder"}),
    [](const ::testing::TestParamInfo<BadInput>& row) { return std::string(row.param.name); });

} // namespace
