// vantorel bake and drag as a user runs them: the real binary, the scene it writes evaluated
// again by the binary, and the numbers worked out by hand (a bake appends a copy of what
// arrives; a drag's pointer carried through the example's camera onto the switch's slider).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "VantorelProcess.h"

namespace {

using Matrix = Matrix16;

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k)
        m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
  return m;
}

// One node's matrix at one frame, through `vantorel eval`.
Matrix evalNode(const QString& scene, const QString& node, int frame) {
  const std::vector<Matrix> m = evalJson({scene, "--frames", QString::number(frame), "--node", node})[node];
  return m.empty() ? Matrix{} : m[0];
}

void expectNear(const Matrix& actual, const Matrix& expected, double tol) {
  for (std::size_t i = 0; i < 16; ++i)
    EXPECT_NEAR(actual[i], expected[i], tol) << "value " << i;
}

const QString kStaticBake = QStringLiteral(VANTOREL_EXAMPLES "/static_bake.xml");
const QString kSwitchGate = QStringLiteral(VANTOREL_EXAMPLES "/switch_gate.xml");

TEST(BakeCommand, AllIncomingBakeMakesTheNodeAppendACopyOfWhatArrives) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("baked.xml"));
  const ProcessResult r = vantorel({"bake", kStaticBake, "Hold", "--all", "--frame", "10", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QByteArray("Bake Transformation onto Constraint\n"));
  const Matrix arm = evalNode(kStaticBake, "Arm", 10);
  // Before the bake Hold passes the arm through; after it appends the arm's matrix once more.
  expectNear(evalNode(kStaticBake, "Hold", 10), arm, 1e-12);
  expectNear(evalNode(out, "Arm", 10), arm, 1e-12);
  expectNear(evalNode(out, "Hold", 10), multiply(arm, arm), 1e-9);
}

TEST(DragCommand, KnobDraggedUpSetsActiveFromThePointerHeightAndTheGateFollows) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("dragged.xml"));
  const ProcessResult r = vantorel({"drag", kSwitchGate, "Switch", "--from", "226,342", "--to", "226,100", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QByteArray("Change Switch Module\n"));

  // Camera at z = 36 / 12 = 3 drawing units looking down −z, 45° vertical, 960×540: pixel row
  // 100 lies on z = 0 at y = 3 · tan 22.5° · (1 − 2 · 100 / 540) drawing units, ×12 in scene
  // units; the slider runs from −10 to 10.
  const double y = 12 * 3 * std::tan(22.5 * M_PI / 180.0) * (1 - 200.0 / 540);
  const double active = (y + 10) / 20 * 100;
  ASSERT_NEAR(active, 96.94, 0.01);

  // Gate: from Left (T(−0.5, 0) · Rz(−20)) towards Right (T(2/3, 1/3) · Rz(60) · S(2, 1)).
  const double t = active / 100;
  const double tx = -0.5 + t * (2.0 / 3 + 0.5), ty = t / 3, a = (-20 + 80 * t) * M_PI / 180, sx = 1 + t;
  const Matrix expected{
      sx * std::cos(a), sx * std::sin(a), 0, 0, -std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, tx, ty, 0, 1};
  expectNear(evalNode(out, "Gate", 1), expected, 1e-7);
}

// A press and release on the knob without motion is a click: nothing moves, nothing is named,
// and the scene written is the one read, byte for byte.
TEST(DragCommand, AReleaseWhereThePressWasChangesNothing) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("clicked.xml"));
  const ProcessResult r = vantorel({"drag", kSwitchGate, "Switch", "--from", "226,342", "--to", "226,342", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  EXPECT_TRUE(r.err.contains("nothing moved")) << r.err.toStdString();
  EXPECT_EQ(bytesOf(out), bytesOf(kSwitchGate));
}

} // namespace
