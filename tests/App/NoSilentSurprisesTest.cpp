// What the command line lets through but says, through the real binary: frames outside the
// scene's range, springs that run away, a camera that sees nothing; outputs that cannot be
// written (a full disk, a closed pipe) are exit status 2 with what happened; eval's format follows
// the output's name; numbers that are not finite print as nan and inf; progress at a terminal
// says how far along and how long is left.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "TerminalProgress.h"
#include "VantorelProcess.h"

namespace {

const QString kArm = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");

QStringList warnings(const QByteArray& err) {
  QStringList out;
  for (const QString& line : QString::fromUtf8(err).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    if (line.startsWith(QLatin1String("vantorel: warning: ")))
      out << line;
  return out;
}

TEST(NoSilentSurprises, FramesOutsideTheScenesRangeAreEvaluatedAndWarnedOf) {
  const ProcessResult r = vantorel({"eval", kArm, "--frames", "40-60", "--node", "Hand"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.count('\n'), 22); // the header and 21 frames
  EXPECT_EQ(warnings(r.err), QStringList{"vantorel: warning: frames 40-60 reach outside the scene's frames 1-48"});
  EXPECT_TRUE(warnings(vantorel({"eval", kArm, "--frames", "1-48"}).err).isEmpty());
}

TEST(NoSilentSurprises, CheckAndEvalWarnOnceOfEachSpringThatRunsAwayAndSayTheBound) {
  // Two springs, one with an inertia past 100 %, one with a tension past 200 % + 2 x its inertia.
  const QString scene = QStringLiteral(VANTOREL_TEST_SCENES "/runaway_springs.xml");
  const ProcessResult check = vantorel({"check", scene});
  ASSERT_EQ(check.status, 0) << check.err.toStdString();
  const QStringList w = warnings(check.err);
  ASSERT_EQ(w.size(), 2) << check.err.toStdString();
  // The words of the bound are the session's SpringBound tests'.
  EXPECT_TRUE(w[0].contains("spring \"Loose\": INERTIAX 120 % lies where its step grows without bound"));
  EXPECT_TRUE(w[1].contains("spring \"Stiff\": TENSIONY 400 % with INERTIAY 90 %"));
  // eval of every node: each spring once; the numbers are written as the node computes them.
  const ProcessResult eval = vantorel({"eval", scene});
  ASSERT_EQ(eval.status, 0);
  EXPECT_EQ(warnings(eval.err).size(), 2) << eval.err.toStdString();
  EXPECT_EQ(eval.out.count('\n'), 1 + 48 * 4);
  // Only what the nodes asked for depend on: the well-behaved spring alone says nothing.
  EXPECT_TRUE(warnings(vantorel({"eval", scene, "--node", "Fine"}).err).isEmpty());
}

// bake-keys of a spring past its bound names what went wrong. The target jumps by one drawing
// unit at frame 2, so the x velocity grows about as 0.07 I^(f - 2) (I the inertia as a fraction),
// largest at the last frame. At I = 10 that is 7e44 at frame 48: keys in doubles cannot follow
// it, and the line says the values ran away (not that a peg cannot express them). At I = 1e8 it
// passes the largest double (1.8e308) at about f = 2 + (308.3 + 1.2) / 8 = 40.7, where the
// matrix stops being finite and the bake is refused, naming that frame, with nothing written.
struct Runaway {
  const char* name;
  const char* inertia;
  int status;
  const char* says;
};

class BakeKeysOfARunawaySpring : public ::testing::TestWithParam<Runaway> {};

TEST_P(BakeKeysOfARunawaySpring, NamesTheRunawayOrTheFrameThatIsNotFinite) {
  QTemporaryDir dir;
  const QString scene = written(dir, "s.xml",
                                QStringLiteral(R"(<scene version="1" frames="1-48">
  <node type="Peg" name="P"><attr keyword="POSITION.X">
    <key frame="1" value="0" interpolation="constant"/><key frame="2" value="12"/></attr></node>
  <node type="DynamicSpring" name="S"><attr keyword="INERTIAX" value="%1"/></node>
  <link from="P" to="S" toPort="0"/></scene>)")
                                    .arg(QLatin1String(GetParam().inertia))
                                    .toUtf8());
  const QString baked = dir.filePath(QStringLiteral("baked.xml"));
  const ProcessResult r = vantorel({"bake-keys", scene, "S", "--frames", "1-48", "-o", baked});
  EXPECT_EQ(r.status, GetParam().status) << r.err.toStdString();
  const QString said = QString::fromUtf8(r.out + r.err);
  EXPECT_TRUE(QRegularExpression(QLatin1String(GetParam().says)).match(said).hasMatch()) << said.toStdString();
  EXPECT_FALSE(said.contains(QLatin1String("3-D shear"))) << said.toStdString();
  EXPECT_EQ(QFileInfo::exists(baked), GetParam().status == 0);
  EXPECT_EQ(warnings(r.err).size(), 1) << "the spring's bound, once";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BakeKeysOfARunawaySpring,
    ::testing::Values(
        Runaway{"RunsAway", "1000", 0, "the node's values run away \\(reaching [0-9.]+e\\+4[45] at frame 48\\)"},
        Runaway{"NotFinite", "1e10", 2, "the output of node \"S\" is not a finite matrix at frame 4[0-2]"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(NoSilentSurprises, RenderWarnsWhenTheCameraSeesNothingOfTheScene) {
  QTemporaryDir dir;
  const QString away = written(dir, "away.xml", R"(<scene version="1" frames="1-3">
    <camera node="Cam"/>
    <node type="Camera" name="Cam"><attr keyword="POSITION.Z" value="60"/><attr keyword="ROTATION.ANGLEY" value="180"/></node>
    <node type="Peg" name="P"/></scene>)");
  const ProcessResult r = vantorel({"render", away, "--frames", "1-3", "-o", dir.filePath("a%d.png")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(warnings(r.err),
            QStringList{"vantorel: warning: nothing of the scene lies in front of camera \"Cam\" at 3 of the 3 frames "
                        "drawn (the first 1)"});
  EXPECT_TRUE(QFile::exists(dir.filePath("a3.png")));
  EXPECT_TRUE(warnings(vantorel({"render", kArm, "--frame", "1", "-o", dir.filePath("b.png")}).err).isEmpty());
}

TEST(NoSilentSurprises, EvalsFormatFollowsTheOutputsName) {
  QTemporaryDir dir;
  for (const char* name : {"m.json", "m.npy", "m.csv", "m.txt"}) {
    const QString out = dir.filePath(QLatin1String(name));
    const ProcessResult r = vantorel({"eval", kArm, "--frames", "2", "-o", out});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err.toStdString();
    const QByteArray bytes = bytesOf(out);
    if (QFileInfo(out).suffix() == QLatin1String("json"))
      EXPECT_TRUE(QJsonDocument::fromJson(bytes).isObject()) << name;
    else if (QFileInfo(out).suffix() == QLatin1String("npy"))
      EXPECT_TRUE(bytes.startsWith("\x93NUMPY")) << name;
    else
      EXPECT_TRUE(bytes.startsWith("node,frame,m0")) << name; // csv, also for a name that says no format
  }
}

// A full disk: standard output or the file given is /dev/full.
TEST(NoSilentSurprises, AFullDiskIsBadInputSaidAsSuchAndTheDeviceStaysADevice) {
  if (!QFileInfo(QStringLiteral("/dev/full")).exists())
    GTEST_SKIP() << "no /dev/full";
  QProcess p;
  p.setStandardOutputFile(QStringLiteral("/dev/full"));
  p.start(QStringLiteral(VANTOREL_BINARY), {"eval", kArm});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 2);
  EXPECT_TRUE(p.readAllStandardError().contains("eval: cannot write standard output: No space left on device"));
  for (const QStringList& args : {QStringList{"eval", kArm, "-o", "/dev/full"},
                                  QStringList{"bake", QStringLiteral(VANTOREL_EXAMPLES "/static_bake.xml"), "Hold",
                                              "--all", "-o", "/dev/full"}}) {
    const ProcessResult r = vantorel(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains("cannot write /dev/full: No space left on device")) << r.err.toStdString();
  }
  EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile()) << "the device was replaced by a file";
}

TEST(NoSilentSurprises, AReaderThatGoesAwayIsAFailedWriteNotASilentDeath) {
  // head reads a little and leaves; bash reports how the binary ended.
  QProcess p;
  p.start(QStringLiteral("bash"),
          {"-c", R"("$0" eval "$1" --frames 1-2000000 | head -c 100 > /dev/null; echo "status ${PIPESTATUS[0]}")",
           QStringLiteral(VANTOREL_BINARY), kArm});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("status 2"));
  EXPECT_TRUE(p.readAllStandardError().contains("eval: cannot write standard output: Broken pipe"));
}

// Forty pegs each scaling by 1e10 overflow to infinity, and infinity times zero is not a number.
TEST(NoSilentSurprises, ValuesThatAreNotFiniteReadNanAndInf) {
  QByteArray xml = "<scene version=\"1\">";
  for (int i = 0; i < 40; ++i)
    xml += QStringLiteral("<node type=\"Peg\" name=\"P%1\"><attr keyword=\"SCALE.X\" value=\"1e10\"/>"
                          "<attr keyword=\"ROTATION.ANGLEZ\" value=\"30\"/></node>")
               .arg(i)
               .toUtf8();
  for (int i = 1; i < 40; ++i)
    xml += QStringLiteral("<link from=\"P%1\" to=\"P%2\" toPort=\"0\"/>").arg(i - 1).arg(i).toUtf8();
  xml += "</scene>";
  QTemporaryDir dir;
  const ProcessResult r = vantorel({"eval", written(dir, "inf.xml", xml), "--node", "P31", "--node", "P39"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(",nan")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("inf")) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("-nan")) << r.out.toStdString();
}

// At a terminal (a pseudo-terminal through script(1)), long work shows the share done and the
// time left.
TEST(NoSilentSurprises, ProgressAtATerminalSaysTheShareDoneAndTheTimeLeft) {
  if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
    GTEST_SKIP() << "no script(1) to give the binary a terminal";
  // At a terminal (script(1) gives it one), under `what`.
  const auto atTerminal = [](QProcess& p, const QString& frames) {
    p.start(QStringLiteral("script"),
            {"-qec",
             QStringLiteral("%1 eval %2 --frames %3 --format csv -o /dev/null").arg(VANTOREL_BINARY, kArm, frames),
             "/dev/null"});
  };
  // A run far longer than anyone waits for: watched until the estimate shows (it is due after a
  // second), then stopped, so the test takes as long as the estimate does on any machine.
  QProcess longRun;
  atTerminal(longRun, QStringLiteral("1-100000000"));
  const QRegularExpression estimate(R"(frame \d+ of 100000000 \(\d+ %, about \d+ (s|min|h \d+ min) left\))");
  QString shown;
  QElapsedTimer waited;
  waited.start();
  while (!shown.contains(estimate) && waited.elapsed() < 120000 && longRun.state() != QProcess::NotRunning) {
    longRun.waitForReadyRead(1000);
    shown += QString::fromUtf8(longRun.readAllStandardOutput());
  }
  longRun.kill();
  longRun.waitForFinished(10000);
  EXPECT_TRUE(shown.contains(estimate)) << shown.toStdString();

  // A run to its end says so.
  QProcess shortRun;
  atTerminal(shortRun, QStringLiteral("1-100000"));
  ASSERT_TRUE(shortRun.waitForFinished(240000));
  const QString ended = QString::fromUtf8(shortRun.readAllStandardOutput());
  EXPECT_TRUE(ended.contains("evaluating frame 100000 of 100000 (100 %)")) << ended.toStdString();
}

struct Line {
  int done, total;
  double elapsed;
  const char* says;
};

class ProgressLine : public ::testing::TestWithParam<Line> {};

TEST_P(ProgressLine, SaysTheShareAndThePaceSoFar) {
  EXPECT_EQ(progressLine("keying", GetParam().done, GetParam().total, GetParam().elapsed),
            QString::fromLatin1(GetParam().says));
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressLine,
                         ::testing::Values(Line{0, 10, 0.0, "keying frame 0 of 10 (0 %)"},
                                           // Under a second tells no pace yet.
                                           Line{5, 10, 0.5, "keying frame 5 of 10 (50 %)"},
                                           // 250 frames in 10 s, 750 to go: 30 s.
                                           Line{250, 1000, 10.0, "keying frame 250 of 1000 (25 %, about 30 s left)"},
                                           Line{999, 1000, 999.0, "keying frame 999 of 1000 (99 %, about 1 s left)"},
                                           Line{1, 241, 1.0, "keying frame 1 of 241 (0 %, about 4 min left)"},
                                           Line{1, 7201, 1.0, "keying frame 1 of 7201 (0 %, about 2 h 0 min left)"},
                                           Line{10, 10, 5.0, "keying frame 10 of 10 (100 %)"}));

} // namespace
