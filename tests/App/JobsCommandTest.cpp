// --jobs N through the commands that evaluate many frames: every file and every line of standard
// output the same byte for byte as with --jobs 1, and bad values refused as bad input. Outcome under
// ThreadSanitizer too (make test-tsan).
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "VantorelProcess.h"

namespace {

const char* const kExamples[] = {"arm_rig",       "limit_forearm", "multi_points_card", "multi_points_perspective",
                                 "spring_tail",   "static_bake",   "switch_gate",       "three_points_patch",
                                 "two_points_arm"};

// Three hundred frames: enough for three threads to be started, and beyond every example's range.
const QString kFrames = QStringLiteral("1-300");

QString example(const char* name) { return QStringLiteral(VANTOREL_EXAMPLES "/%1.xml").arg(QLatin1String(name)); }

// The words of a command line; EX/NAME stands for an example, 300 for the frames.
QStringList words(const char* line) {
  QStringList args = QString::fromLatin1(line).split(QLatin1Char(' '));
  for (QString& a : args)
    a = a.startsWith(QLatin1String("EX/")) ? example(qPrintable(a.mid(3))) : a == QLatin1String("300") ? kFrames : a;
  return args;
}

// What a run leaves: its standard output (with the folder it wrote to taken out, as the
// commands that report their output name it) and every file in that folder.
struct Outcome {
  ProcessResult result;
  std::map<QString, QByteArray> files;
};

// args holds "OUT/" where the output folder goes.
Outcome run(QStringList args, const QString& jobs) {
  QTemporaryDir dir;
  for (QString& a : args)
    a.replace(QStringLiteral("OUT/"), dir.path() + QLatin1Char('/'));
  if (!jobs.isEmpty())
    args << QStringLiteral("--jobs") << jobs;
  Outcome r{vantorel(args), {}};
  r.result.out.replace(dir.path().toUtf8(), "OUT");
  for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
    r.files[name] = bytesOf(dir.filePath(name));
  return r;
}

void expectSameRuns(const QStringList& args, const QString& jobs) {
  const Outcome one = run(args, QStringLiteral("1"));
  const Outcome many = run(args, jobs);
  ASSERT_EQ(one.result.status, 0) << one.result.err.constData();
  ASSERT_EQ(many.result.status, 0) << many.result.err.constData();
  EXPECT_EQ(one.result.out, many.result.out);
  ASSERT_EQ(one.files.size(), many.files.size());
  for (const auto& [name, bytes] : one.files) {
    EXPECT_FALSE(bytes.isEmpty()) << name.toStdString();
    EXPECT_TRUE(many.files.count(name) && many.files.at(name) == bytes) << name.toStdString() << " differs";
  }
}

struct EvalCase {
  const char* scene;
  const char* output; // empty: standard output
  const char* values;
};

void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.scene << " " << c.output << " " << c.values; }

class JobsCommandEval : public ::testing::TestWithParam<EvalCase> {};

TEST_P(JobsCommandEval, ThreeJobsWriteWhatOneWrites) {
  const EvalCase& c = GetParam();
  QStringList args{QStringLiteral("eval"),     example(c.scene),       QStringLiteral("--frames"), kFrames,
                   QStringLiteral("--values"), QLatin1String(c.values)};
  if (*c.output)
    args << QStringLiteral("-o") << QStringLiteral("OUT/") + QLatin1String(c.output);
  expectSameRuns(args, QStringLiteral("3"));
}

// Each example once and the spring in every format, each output with both value kinds: what a
// thread may share unguarded is per node (the spring's history, the point and multi-point caches,
// the switch read once a frame, the peg values' turns unwrapped from the frame before), and what
// puts the frames back in order is per format (lines on standard output, JSON node by node, npy
// frame by frame).
const EvalCase kEvalCases[] = {{"spring_tail", "", "matrix"},
                               {"spring_tail", "out.json", "matrix"},
                               {"spring_tail", "out.npy", "matrix"},
                               {"spring_tail", "", "peg"},
                               {"arm_rig", "", "matrix"},
                               {"arm_rig", "out.json", "peg"},
                               {"two_points_arm", "out.json", "matrix"},
                               {"three_points_patch", "out.npy", "matrix"},
                               {"multi_points_card", "out.npy", "matrix"},
                               {"multi_points_perspective", "out.json", "matrix"},
                               {"switch_gate", "", "peg"},
                               {"limit_forearm", "out.json", "peg"},
                               {"static_bake", "out.npy", "peg"}};

INSTANTIATE_TEST_SUITE_P(Examples, JobsCommandEval, ::testing::ValuesIn(kEvalCases), [](const auto& row) {
  const EvalCase& c = row.param;
  std::string format = *c.output ? std::string(c.output).substr(4) : "csv";
  return std::string(c.scene) + "_" + format + "_" + c.values;
});

// The other commands that evaluate many frames, each with its files and its report.
TEST(JobsCommand, BakeKeysExportAndCurvesWriteWhatOneJobWrites) {
  for (const char* line : {"bake-keys EX/spring_tail Tip --frames 300 --replace -o OUT/baked.xml",
                           "bake-keys EX/limit_forearm Limit --frames 300 -o OUT/baked.xml",
                           "export EX/spring_tail --frames 300 -o OUT/tail.gltf",
                           "export EX/arm_rig --frames 300 --hierarchy -o OUT/arm.glb",
                           "curves EX/limit_forearm --node Forearm --node Limit --frames 300 -o OUT/curves.svg",
                           "curves EX/spring_tail --node Body --node Tip --frames 300 -o OUT/curves.svg"}) {
    SCOPED_TRACE(line);
    expectSameRuns(words(line), QStringLiteral("3"));
  }
}

// The camera's lens is read in frame order as the frames arrive, so a zoom must come out the same.
TEST(JobsCommand, ExportOfAZoomingCameraWritesWhatOneJobWrites) {
  QTemporaryDir dir;
  QByteArray xml = bytesOf(example("arm_rig"));
  ASSERT_TRUE(xml.contains("<attr keyword=\"FOV\" value=\"45\"/>"));
  xml.replace("<attr keyword=\"FOV\" value=\"45\"/>",
              "<attr keyword=\"FOV\"><key frame=\"1\" value=\"30\"/>"
              "<key frame=\"250\" value=\"70\" interpolation=\"linear\"/></attr>");
  expectSameRuns({QStringLiteral("export"), written(dir, QStringLiteral("zoom.xml"), xml), QStringLiteral("--frames"),
                  kFrames, QStringLiteral("-o"), QStringLiteral("OUT/zoom.gltf")},
                 QStringLiteral("3"));
}

// Without --jobs, the machine's cores: the same output again.
TEST(JobsCommand, TheDefaultWritesWhatOneJobWrites) {
  const QStringList args = words("eval EX/spring_tail --frames 300 -o OUT/out.npy");
  const Outcome one = run(args, QStringLiteral("1"));
  const Outcome fallback = run(args, QString());
  ASSERT_EQ(fallback.result.status, 0) << fallback.result.err.constData();
  EXPECT_EQ(one.files, fallback.files);
}

// The value is read by one parser for every command: each command refuses a bad one, and that
// parser refuses every kind of bad value.
TEST(JobsCommand, BadValuesAreBadInputNamingTheOption) {
  const char* const commands[] = {
      "eval EX/arm_rig -o OUT/out.csv", "bake-keys EX/arm_rig Hand --frames 1-10 -o OUT/baked.xml",
      "export EX/arm_rig -o OUT/arm.glb", "curves EX/arm_rig --node Hand -o OUT/curves.svg"};
  for (const char* line : commands)
    for (const char* value : {"0", "-3", "x", "1.5", "", "257", "99999999999"}) {
      if (line != commands[0] && *value != '0')
        continue;
      const QStringList args = words(line);
      SCOPED_TRACE(args.front().toStdString() + " --jobs \"" + value + "\"");
      const Outcome r = run(args, QString::fromLatin1(value).isEmpty() ? QStringLiteral(" ") : QLatin1String(value));
      EXPECT_EQ(r.result.status, 2);
      EXPECT_TRUE(r.result.err.contains(args.front().toUtf8() + ": --jobs must be a whole number"))
          << r.result.err.constData();
      EXPECT_TRUE(r.files.empty()) << "nothing is written";
    }
}

} // namespace
