// vantorel eval and check as a user runs them: the real binary, its output parsed back.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

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
