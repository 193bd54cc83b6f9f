// vantorel bake-keys as a user runs it: every kind of node in the examples and random peg rigs
// baked, the baked scene evaluated again by the binary and compared with the original at every
// frame; the printed residual against the largest difference measured here (the examples hold
// 3-D shears and a perspective, which a peg cannot express); rotation keys that never jump by a
// half turn. (The edit undone and redone exactly is the session's EveryEdit.bakeKeys.)
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>
#include <random>

#include "VantorelProcess.h"

namespace {

using Matrix = Matrix16;
using Evaluated = std::map<QString, std::vector<Matrix>>; // node → matrix at each frame

const QString kExamples = QStringLiteral(VANTOREL_EXAMPLES);

// What a peg's composition can express: no perspective row, and a z axis square to the x and y
// axes (the peg's rotation, skew and scale keep it so).
bool pegExpressible(const Matrix& m) {
  auto dot = [&](int a, int b) { return m[a] * m[b] + m[a + 1] * m[b + 1] + m[a + 2] * m[b + 2]; };
  const double size = std::max({1.0, std::fabs(m[0]), std::fabs(m[5]), std::fabs(m[10])});
  return m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1 && std::fabs(dot(0, 8)) <= 1e-12 * size * size &&
         std::fabs(dot(4, 8)) <= 1e-12 * size * size;
}

// The keys of one attribute of one node in a scene file, in file order.
std::vector<double> keysOf(const QString& path, const QString& node, const QString& keyword) {
  const QString text = QString::fromUtf8(bytesOf(path));
  const QString attr = text.section(QStringLiteral("name=\"%1\"").arg(node), 1)
                           .section(QStringLiteral("</node>"), 0, 0)
                           .section(QStringLiteral("keyword=\"%1\"").arg(keyword), 1)
                           .section(QStringLiteral("</attr>"), 0, 0);
  std::vector<double> keys;
  for (QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("value=\"([^\"]+)\"")).globalMatch(attr);
       it.hasNext();)
    keys.push_back(it.next().captured(1).toDouble());
  return keys;
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
// largest difference, which is within 1e-9 of each value when every frame is expressible;
// rotation keys never jump by more than half a turn.
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
  for (const char* axis : {"ROTATION.ANGLEX", "ROTATION.ANGLEY", "ROTATION.ANGLEZ"}) {
    const std::vector<double> keys = keysOf(out, peg, QString::fromLatin1(axis));
    for (std::size_t k = 1; k < keys.size(); ++k)
      EXPECT_LE(std::fabs(keys[k] - keys[k - 1]), 180.0) << axis << " key " << k;
  }
}

class BakeEveryExampleNode : public ::testing::TestWithParam<const char*> {};

TEST_P(BakeEveryExampleNode, BakedPegEvaluatesToTheNodeAndTheResidualIsTheTrueLargestDifference) {
  const QString scene = kExamples + QLatin1Char('/') + QString::fromLatin1(GetParam());
  const QString text = QString::fromUtf8(bytesOf(scene));
  const QRegularExpressionMatch range = QRegularExpression(QStringLiteral("frames=\"(\\d+)-(\\d+)\"")).match(text);
  const int first = range.captured(1).toInt(), last = range.captured(2).toInt();
  const Evaluated original = evalJson({scene});
  QRegularExpressionMatchIterator nodes =
      QRegularExpression(QStringLiteral("<node type=\"(\\w+)\" name=\"([^\"]+)\"")).globalMatch(text);
  while (nodes.hasNext()) {
    const QRegularExpressionMatch n = nodes.next();
    // A switch gives no transformation; a peg's bake is the random rigs'.
    if (n.captured(1) != QLatin1String("Switch") && n.captured(1) != QLatin1String("Peg"))
      expectBakesBack(scene, n.captured(2), first, last, original.at(n.captured(2)));
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, BakeEveryExampleNode,
                         ::testing::Values("static_bake.xml", "switch_gate.xml", "two_points_arm.xml",
                                           "three_points_patch.xml", "multi_points_card.xml",
                                           "multi_points_perspective.xml", "spring_tail.xml", "limit_forearm.xml"));

// A chain of three animated pegs: 2-D ones (translation, turns past a whole one, skew, scales of
// either sign) or 3-D ones (rotations about every axis, uniform scale), which a peg expresses.
QString randomRig(unsigned seed, bool threeD) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  using Parts = std::vector<std::pair<const char*, double>>; // keyword, reach of its random keys
  const Parts parts = threeD ? Parts{{"POSITION.X", 8},        {"POSITION.Y", 8},        {"POSITION.Z", 8},
                                     {"ROTATION.ANGLEX", 200}, {"ROTATION.ANGLEY", 200}, {"ROTATION.ANGLEZ", 200}}
                             : Parts{{"POSITION.X", 8}, {"POSITION.Y", 8}, {"ROTATION.ANGLEZ", 400},
                                     {"SKEW", 40},      {"SCALE.X", 2},    {"SCALE.Y", 2}};
  const QString key =
      QStringLiteral("<attr keyword=\"%1\"><key frame=\"1\" value=\"%2\"/><key frame=\"12\" value=\"%3\"/></attr>");
  QString xml = QStringLiteral("<scene version=\"1\" frames=\"1-12\"><metrics x=\"0.0625\" y=\"0.05\" z=\"0.08\"/>");
  for (int p = 0; p < 3; ++p) {
    xml += QStringLiteral("<node type=\"Peg\" name=\"P%1\"><attr keyword=\"PIVOT.X\" value=\"%2\"/>")
               .arg(p)
               .arg(3 * u(rng));
    for (const auto& [keyword, reach] : parts)
      xml += key.arg(QLatin1String(keyword)).arg(reach * u(rng), 0, 'g', 17).arg(reach * u(rng), 0, 'g', 17);
    const double s0 = 0.5 + std::fabs(u(rng)), s1 = 0.5 + std::fabs(u(rng));
    for (const char* axis : {"SCALE.X", "SCALE.Y", "SCALE.Z"})
      xml += threeD ? key.arg(QLatin1String(axis)).arg(s0, 0, 'g', 17).arg(s1, 0, 'g', 17) : QString();
    xml += QStringLiteral("</node>");
  }
  return xml +
         QStringLiteral("<link from=\"P0\" to=\"P1\" toPort=\"0\"/><link from=\"P1\" to=\"P2\" toPort=\"0\"/></scene>");
}

TEST(BakeKeysCommand, RandomPegRigsBakeBackWithinOnePartInABillion) {
  QTemporaryDir dir;
  for (unsigned seed = 1; seed <= 4; ++seed)
    for (bool threeD : {false, true}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << (threeD ? " 3-D" : " 2-D"));
      const QString scene =
          written(dir, QStringLiteral("rig%1%2.xml").arg(seed).arg(threeD), randomRig(seed, threeD).toUtf8());
      expectBakesBack(scene, QStringLiteral("P2"), 1, 12, evalJson({scene, "--node", "P2"})[QStringLiteral("P2")]);
    }
}

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
  const QByteArray text = bytesOf(out);
  EXPECT_FALSE(text.contains("<link from=\"Tip\""));
  EXPECT_TRUE(text.contains("<link from=\"Tip-baked\" to=\"TipEnd\" toPort=\"0\"/>"));
}

} // namespace
