// vantorel bake-keys as a user runs it: every example's nodes baked, the baked scene evaluated
// again by the binary and compared with the original at every frame; the printed residual against
// the largest difference measured here (the examples hold 3-D shears and a perspective, which a
// peg cannot express); and the edit undone and redone exactly in this process.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>

#include "BakeKeys.h"
#include "Command/CO_Command.h"
#include "Command/CO_CommandManager.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "SceneCore/SC_SceneCommon.h"
#include "VantorelProcess.h"

namespace {

using Matrix = std::array<double, 16>;
using Evaluated = std::map<QString, std::vector<Matrix>>; // node → matrix at each frame

const QString kExamples = QStringLiteral(VANTOREL_EXAMPLES);
const QString kArm = kExamples + QStringLiteral("/arm_rig.xml");

Evaluated evalJson(const QStringList& args) {
  const ProcessResult r = vantorel(QStringList{QStringLiteral("eval")} + args + QStringList{"--format", "json"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  Evaluated run;
  const QJsonObject nodes = QJsonDocument::fromJson(r.out).object()[QStringLiteral("nodes")].toObject();
  for (auto it = nodes.begin(); it != nodes.end(); ++it)
    for (const QJsonValue& row : it.value().toArray()) {
      Matrix m{};
      for (int i = 0; i < 16; ++i)
        m[static_cast<std::size_t>(i)] = row.toArray()[i].toDouble();
      run[it.key()].push_back(m);
    }
  return run;
}

// What a peg's composition can express: no perspective row, and a z axis square to the x and y
// axes (the peg's rotation, skew and scale keep it so).
bool pegExpressible(const Matrix& m) {
  auto dot = [&](int a, int b) { return m[a] * m[b] + m[a + 1] * m[b + 1] + m[a + 2] * m[b + 2]; };
  const double size = std::max({1.0, std::fabs(m[0]), std::fabs(m[5]), std::fabs(m[10])});
  return m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1 && std::fabs(dot(0, 8)) <= 1e-12 * size * size &&
         std::fabs(dot(4, 8)) <= 1e-12 * size * size;
}

struct Baked {
  double residual;
  bool saysNearest;
};

// Bakes `node` over frames first-last into `out` and reads back what the command printed.
Baked bake(const QString& scene, const QString& node, int first, int last, const QString& out,
           const QStringList& extra = {}) {
  const ProcessResult r = vantorel(
      QStringList{"bake-keys", scene, node, "--frames", QStringLiteral("%1-%2").arg(first).arg(last), "-o", out} +
      extra);
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith("Bake Keys\n")) << r.out.toStdString();
  static const QRegularExpression re(QStringLiteral("largest residual (\\S+) at frame (-?\\d+) \\(m(\\d+)\\)"));
  const QRegularExpressionMatch m = re.match(QString::fromUtf8(r.out));
  EXPECT_TRUE(m.hasMatch()) << r.out.toStdString();
  return {m.captured(1).toDouble(), r.out.contains("nearest")};
}

// Bakes `node` and checks it against the original at every frame: the printed residual is the
// largest difference, which is within 1e-9 of each value when every frame is expressible.
void expectBakesBack(const QString& scene, const QString& node, int first, int last,
                     const std::vector<Matrix>& original) {
  SCOPED_TRACE(node.toStdString());
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("baked.xml"));
  const QString peg = node + QStringLiteral("-baked");
  const Baked b = bake(scene, node, first, last, out);
  const std::vector<Matrix> baked =
      evalJson({out, "--node", peg, "--frames", QStringLiteral("%1-%2").arg(first).arg(last)})[peg];
  ASSERT_EQ(baked.size(), original.size());
  double largest = 0.0;
  bool expressible = true, within = true;
  for (std::size_t f = 0; f < baked.size(); ++f) {
    expressible = expressible && pegExpressible(original[f]);
    for (std::size_t i = 0; i < 16; ++i) {
      const double d = std::fabs(baked[f][i] - original[f][i]);
      largest = std::max(largest, d);
      within = within && d <= 1e-9 * std::max(1.0, std::fabs(original[f][i]));
    }
  }
  EXPECT_EQ(b.residual, largest);
  EXPECT_EQ(b.saysNearest, !within);
  if (expressible) {
    EXPECT_TRUE(within) << "largest difference " << largest;
  }
}

class BakeEveryExampleNode : public ::testing::TestWithParam<const char*> {};

TEST_P(BakeEveryExampleNode, BakedPegEvaluatesToTheNodeAndTheResidualIsTheTrueLargestDifference) {
  const QString scene = kExamples + QLatin1Char('/') + QString::fromLatin1(GetParam());
  QFile f(scene);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  const QRegularExpressionMatch range = QRegularExpression(QStringLiteral("frames=\"(\\d+)-(\\d+)\"")).match(text);
  const int first = range.captured(1).toInt(), last = range.captured(2).toInt();
  const Evaluated original = evalJson({scene});
  QRegularExpressionMatchIterator nodes =
      QRegularExpression(QStringLiteral("<node type=\"(\\w+)\" name=\"([^\"]+)\"")).globalMatch(text);
  while (nodes.hasNext()) {
    const QRegularExpressionMatch n = nodes.next();
    if (n.captured(1) != QLatin1String("Switch")) // a switch gives no transformation
      expectBakesBack(scene, n.captured(2), first, last, original.at(n.captured(2)));
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, BakeEveryExampleNode,
                         ::testing::Values("arm_rig.xml", "static_bake.xml", "switch_gate.xml", "two_points_arm.xml",
                                           "three_points_patch.xml", "multi_points_card.xml",
                                           "multi_points_perspective.xml", "spring_tail.xml", "limit_forearm.xml"));

TEST(BakeKeysCommand, ReplaceMovesTheLinksSoWhatHungBelowTheNodeMovesAsBefore) {
  QTemporaryDir dir;
  const QString scene = kExamples + QStringLiteral("/spring_tail.xml");
  const QString out = dir.filePath(QStringLiteral("tail.xml"));
  bake(scene, QStringLiteral("Tip"), 1, 48, out, {"--replace"});
  const std::vector<Matrix> before = evalJson({scene, "--node", "TipEnd"})[QStringLiteral("TipEnd")];
  const std::vector<Matrix> after = evalJson({out, "--node", "TipEnd"})[QStringLiteral("TipEnd")];
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t f = 0; f < before.size(); ++f)
    for (std::size_t i = 0; i < 16; ++i)
      EXPECT_NEAR(after[f][i], before[f][i], 1e-9 * std::max(1.0, std::fabs(before[f][i])));
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_FALSE(text.contains("<link from=\"Tip\""));
  EXPECT_TRUE(text.contains("<link from=\"Tip-baked\" to=\"TipEnd\" toPort=\"0\"/>"));
}

TEST(BakeKeysEdit, UndoGivesBackTheSceneAsItWasAndRedoTheBakedOne) {
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readFile(kArm, nullptr);
  ASSERT_TRUE(scene);
  const QByteArray before = PIO_SceneWriter::writeData(*scene);
  CO_CommandManager manager;
  manager.execute(BakeKeys::createCommand(*scene, scene->findNode(QStringLiteral("Elbow")), {1, 48},
                                          QStringLiteral("Elbow-baked"), true)
                      .release(),
                  QStringLiteral("Bake Keys"));
  const QByteArray after = PIO_SceneWriter::writeData(*scene);
  EXPECT_TRUE(after.contains("<link from=\"Elbow-baked\" to=\"Hand\""));
  ASSERT_TRUE(manager.undo());
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene), before);
  EXPECT_EQ(scene->findNode(QStringLiteral("Elbow-baked")), nullptr);
  ASSERT_TRUE(manager.redo());
  EXPECT_EQ(PIO_SceneWriter::writeData(*scene), after);
}

} // namespace
