// vantorel eval and check as a user runs them: the real binary, its output parsed back and compared
// with the same scenes evaluated in this process.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <cstring>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PlugInManager/PLUG_PlugInManager.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "VantorelProcess.h"

namespace {

const QString kTwoPegs = QStringLiteral(VANTOREL_TEST_SCENES "/eval_two_pegs.xml");

// Parent: T(4·0.5, 0, 0) · Rz(90·(f−1)); child: T(0, 8·0.25, 0) · S(2, 1, 1). Column order.
std::vector<double> expectedChild(int frame) {
  const double c[] = {1, 0, -1};  // cos of 0, 90, 180 degrees
  const double s[] = {0, 1, 0};
  const double cz = c[frame - 1], sz = s[frame - 1];
  // (R · S) columns: 2·(cz, sz), (−sz, cz); translation 2 + R · (0, 2).
  return {2 * cz, 2 * sz, 0, 0, -sz, cz, 0, 0, 0, 0, 1, 0, 2 - 2 * sz, 2 * cz, 0, 1};
}

TEST(EvalCommand, JsonGivesTheHandComputedMatricesAtEveryFrame) {
  const ProcessResult r = vantorel({QStringLiteral("eval"), kTwoPegs, QStringLiteral("--format"), QStringLiteral("json"),
                          QStringLiteral("--node"), QStringLiteral("Child")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(doc[QStringLiteral("frames")].toArray(), (QJsonArray{1, 2, 3}));
  const QJsonArray child = doc[QStringLiteral("nodes")].toObject()[QStringLiteral("Child")].toArray();
  ASSERT_EQ(child.size(), 3);
  for (int f = 1; f <= 3; ++f) {
    const QJsonArray m = child[f - 1].toArray();
    ASSERT_EQ(m.size(), 16);
    const std::vector<double> e = expectedChild(f);
    for (int i = 0; i < 16; ++i)
      EXPECT_NEAR(m[i].toDouble(), e[static_cast<std::size_t>(i)], 1e-12 * std::max(1.0, std::fabs(e[i])))
          << "frame " << f << " value " << i;
  }
}

TEST(EvalCommand, CsvAndJsonCarryTheSameDoublesBitForBit) {
  const ProcessResult csv = vantorel({QStringLiteral("eval"), kTwoPegs, QStringLiteral("--frames"), QStringLiteral("2")});
  const ProcessResult json = vantorel({QStringLiteral("eval"), kTwoPegs, QStringLiteral("--frames"), QStringLiteral("2"),
                             QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(csv.status, 0);
  ASSERT_EQ(json.status, 0);
  const QList<QByteArray> lines = csv.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 3);  // header, Parent, Child
  EXPECT_TRUE(lines[0].startsWith("node,frame,m0,"));
  const QJsonObject nodes = QJsonDocument::fromJson(json.out).object()[QStringLiteral("nodes")].toObject();
  for (int row = 1; row <= 2; ++row) {
    const QList<QByteArray> fields = lines[row].split(',');
    ASSERT_EQ(fields.size(), 18);
    const QJsonArray m = nodes[QString::fromUtf8(fields[0])].toArray()[0].toArray();
    for (int i = 0; i < 16; ++i)
      EXPECT_EQ(fields[i + 2].toDouble(), m[i].toDouble());
  }
}

struct BadInput {
  const char* name;
  QStringList args;
  const char* message;
};

class EvalBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(EvalBadInput, ExitsWithStatusTwoAndOneLineSayingWhatAndWhere) {
  const ProcessResult r = vantorel(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(GetParam().message)) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvalBadInput,
    ::testing::Values(
        BadInput{"reversedFrames", {QStringLiteral("eval"), kTwoPegs, QStringLiteral("--frames"), QStringLiteral("3-1")}, "ends before it starts"},
        BadInput{"unknownNode", {QStringLiteral("eval"), kTwoPegs, QStringLiteral("--node"), QStringLiteral("Nope")}, "no node named \"Nope\""},
        BadInput{"missingFile", {QStringLiteral("eval"), QStringLiteral("/no/such/scene.xml")}, "/no/such/scene.xml"},
        BadInput{"noScene", {QStringLiteral("eval")}, "expected one scene file"},
        BadInput{"npyWithoutOutput", {QStringLiteral("eval"), kTwoPegs, QStringLiteral("--format"), QStringLiteral("npy")}, "needs -o OUT.npy"},
        BadInput{"unknownFormat", {QStringLiteral("eval"), kTwoPegs, QStringLiteral("--format"), QStringLiteral("xml")}, "csv, json or npy"},
        BadInput{"outputFolderMissing", {QStringLiteral("eval"), kTwoPegs, QStringLiteral("-o"), QStringLiteral("/no/such/dir/out.csv")}, "/no/such/dir/out.csv"},
        BadInput{"unknownCommand", {QStringLiteral("evaluate")}, "unknown command"}),
    [](const ::testing::TestParamInfo<BadInput>& p) { return std::string(p.param.name); });

TEST(CheckCommand, MalformedSceneIsReportedWithFileLineAndColumn) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bad.xml"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("<scene version=\"1\">\n  <node type=\"Peg\" name=\"A\">\n    <attr keyword=\"SKEW\" value=\"nan\"/>\n"
          "  </node>\n</scene>\n");
  f.close();
  const ProcessResult r = vantorel({QStringLiteral("check"), path});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains((path + QStringLiteral(":3:5:")).toUtf8())) << r.err.toStdString();
}

TEST(CheckCommand, GoodSceneReportsItsSize) {
  const ProcessResult r = vantorel({QStringLiteral("check"), kTwoPegs});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.contains("2 nodes, 1 links, frames 1-3")) << r.out.toStdString();
}

} // namespace

// ---- every number written is the double evaluated ----

namespace {

struct Parsed {
  std::vector<QString> names;
  std::vector<std::vector<std::array<double, 16>>> matrices;  // [node][frame]
  std::vector<int> frames;
};

std::array<double, 16> numbers16(const char*& p) {
  std::array<double, 16> m{};
  for (double& v : m) {
    while (*p && *p != '-' && !(*p >= '0' && *p <= '9') && *p != 'n' && *p != 'i')
      ++p;
    char* end = nullptr;
    v = std::strtod(p, &end);
    if (end == p) {  // JSON's null for a value that is not finite
      v = std::nan("");
      end += 4;
    }
    p = end;
  }
  return m;
}

Parsed parseCsv(const QByteArray& out) {
  Parsed r;
  const QList<QByteArray> lines = out.split('\n');
  for (int i = 1; i < lines.size(); ++i) {
    if (lines[i].isEmpty())
      continue;
    const QList<QByteArray> fields = lines[i].split(',');
    EXPECT_EQ(fields.size(), 18) << lines[i].toStdString();
    if (fields.size() != 18)
      return r;
    const QString name = QString::fromUtf8(fields[0]);
    const int frame = fields[1].toInt();
    auto it = std::find(r.names.begin(), r.names.end(), name);
    if (it == r.names.end()) {
      r.names.push_back(name);
      r.matrices.emplace_back();
      it = r.names.end() - 1;
    }
    if (r.frames.empty() || r.frames.back() < frame)
      r.frames.push_back(frame);
    const QByteArray values = lines[i].mid(fields[0].size() + fields[1].size() + 1);
    const char* p = values.constData();
    r.matrices[static_cast<std::size_t>(it - r.names.begin())].push_back(numbers16(p));
  }
  return r;
}

Parsed parseJson(const QByteArray& out) {
  Parsed r;
  const QJsonObject doc = QJsonDocument::fromJson(out).object();  // the structure; numbers below
  for (const QJsonValue& f : doc[QStringLiteral("frames")].toArray())
    r.frames.push_back(f.toInt());
  const QByteArray text = out + '\0';
  int at = text.indexOf("\"nodes\": {");
  for (int k = 0; k < doc[QStringLiteral("nodes")].toObject().size(); ++k) {
    at = text.indexOf("\n  \"", at + 1);
    const int close = text.indexOf("\": [", at);
    r.names.push_back(QJsonDocument::fromJson("[" + text.mid(at + 3, close - at - 2) + "]").array()[0].toString());
    const char* p = text.constData() + close + 4;
    r.matrices.emplace_back();
    for (std::size_t f = 0; f < r.frames.size(); ++f)
      r.matrices.back().push_back(numbers16(p));
    at = static_cast<int>(p - text.constData());
  }
  return r;
}

Parsed parseNpy(const QString& path) {
  Parsed r;
  QFile npy(path), frames(path.left(path.size() - 4) + ".frames.txt"), names(path.left(path.size() - 4) + ".nodes.txt");
  EXPECT_TRUE(npy.open(QIODevice::ReadOnly) && frames.open(QIODevice::ReadOnly) && names.open(QIODevice::ReadOnly));
  for (const QByteArray& f : frames.readAll().split('\n'))
    if (!f.isEmpty())
      r.frames.push_back(f.toInt());
  for (const QByteArray& n : names.readAll().split('\n'))
    if (!n.isEmpty())
      r.names.push_back(QString::fromUtf8(n));
  const QByteArray data = npy.readAll();
  const int headerEnd = 10 + (static_cast<unsigned char>(data[8]) | static_cast<unsigned char>(data[9]) << 8);
  EXPECT_TRUE(data.mid(10, headerEnd - 10).contains(
      QStringLiteral("'shape': (%1, %2, 16)").arg(r.frames.size()).arg(r.names.size()).toLatin1()));
  EXPECT_EQ(static_cast<std::size_t>(data.size() - headerEnd), r.frames.size() * r.names.size() * 16 * 8);
  r.matrices.assign(r.names.size(), {});
  const char* p = data.constData() + headerEnd;
  for (std::size_t f = 0; f < r.frames.size(); ++f)
    for (std::size_t n = 0; n < r.names.size(); ++n, p += 128) {
      std::array<double, 16> m;
      std::memcpy(m.data(), p, 128);  // little-endian float64, as '<f8' says, on this machine
      r.matrices[n].push_back(m);
    }
  return r;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class EvalExactness : public ::testing::TestWithParam<const char*> {};

// Each frame of each node evaluated in process on a freshly loaded scene (nothing kept between
// frames) equals, bit for bit, what each format wrote from one streaming run.
TEST_P(EvalExactness, EveryFormatWritesExactlyTheDoublesEvaluatedFrameByFrameInAFreshScene) {
  const QString scenePath = QString::fromUtf8(GetParam());
  QTemporaryDir dir;
  const QString npyPath = dir.filePath(QStringLiteral("out.npy"));
  const ProcessResult csv = vantorel({QStringLiteral("eval"), scenePath});
  const ProcessResult json = vantorel({QStringLiteral("eval"), scenePath, QStringLiteral("--format"), QStringLiteral("json")});
  const ProcessResult npy = vantorel({QStringLiteral("eval"), scenePath, QStringLiteral("--format"), QStringLiteral("npy"),
                                      QStringLiteral("-o"), npyPath});
  ASSERT_EQ(csv.status, 0) << csv.err.toStdString();
  ASSERT_EQ(json.status, 0) << json.err.toStdString();
  ASSERT_EQ(npy.status, 0) << npy.err.toStdString();
  EXPECT_TRUE(npy.out.isEmpty());
  const Parsed parsed[] = {parseCsv(csv.out), parseJson(json.out), parseNpy(npyPath)};

  // The plug-ins vantorel loads, loaded here the same way.
  static PLUG_PlugInManager plugins;
  static const bool loaded = plugins.loadFolder(QFileInfo(QStringLiteral(VANTOREL_BINARY)).dir().filePath(
                                                    QStringLiteral("plugins"))).failed.empty();
  ASSERT_TRUE(loaded);
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> first = PIO_SceneReader::readFile(scenePath, &error);
  ASSERT_TRUE(first) << error.message.toStdString();
  std::vector<int> frames;
  for (int f = first->firstFrame(); f <= first->lastFrame(); ++f)
    frames.push_back(f);
  for (const Parsed& p : parsed) {
    ASSERT_EQ(p.frames, frames);
    ASSERT_EQ(p.names.size(), first->nodes().size());
    for (std::size_t n = 0; n < p.names.size(); ++n)
      EXPECT_EQ(p.names[n], first->nodes()[n]->instanceName());
  }
  for (std::size_t f = 0; f < frames.size(); ++f) {
    const std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readFile(scenePath, &error);
    SC_SceneEvaluator evaluator(*scene);
    for (std::size_t n = 0; n < scene->nodes().size(); ++n) {
      double expected[16];
      evaluator.evaluate(scene->nodes()[n], frames[f]).getValues(expected);
      for (const Parsed& p : parsed)
        for (int i = 0; i < 16; ++i)
          ASSERT_TRUE(sameBits(p.matrices[n][f][static_cast<std::size_t>(i)], expected[i]))
              << p.names[n].toStdString() << " frame " << frames[f] << " value " << i << ": "
              << p.matrices[n][f][static_cast<std::size_t>(i)] << " vs " << expected[i];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, EvalExactness,
                         ::testing::Values(VANTOREL_EXAMPLES "/arm_rig.xml", VANTOREL_EXAMPLES "/static_bake.xml",
                                           VANTOREL_EXAMPLES "/switch_gate.xml", VANTOREL_TEST_SCENES "/eval_two_pegs.xml",
                                           VANTOREL_TEST_SCENES "/persistent_peg_hierarchy.xml",
                                           VANTOREL_TEST_SCENES "/eval_printing_static.xml"));

TEST(EvalCommand, WhatTheLibraryPrintsGoesToStderrNeverIntoTheData) {
  // This scene makes the static node print a line on standard output as it evaluates; the run
  // above already reads its data back exactly in every format.
  const ProcessResult r = vantorel({QStringLiteral("eval"), QStringLiteral(VANTOREL_TEST_SCENES "/eval_printing_static.xml")});
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.err.contains("Failed to invert 0-scaled matrix\n")) << r.err.toStdString();
  EXPECT_FALSE(r.out.contains("Failed")) << r.out.toStdString();
  EXPECT_TRUE(r.out.startsWith("node,frame,m0,"));
}

} // namespace
