// vantorel pick as a user runs it on the arm example at frame 16, where both pegs have moved:
// pixels of the two-points control worked out from the camera (z 4 drawing units, 45° vertical
// field of view, 16:9 in 960 × 540) name the peg and the node and make that peg the main input.
#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>

#include "VantorelProcess.h"

namespace {

const QString kArm = QStringLiteral(VANTOREL_EXAMPLES "/two_points_arm.xml");

// The pixel of a point on the z = 0 plane, in scene units (metrics 1/12).
QString pixel(double x, double y) {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0) / 4 / 12;
  return QStringLiteral("%1,%2").arg(480 + 480 * f * 9 / 16 * x).arg(270 - 270 * f * y);
}

QStringList pick(const QStringList& args) {
  const ProcessResult p = vantorel(QStringList{QStringLiteral("pick"), kArm, QStringLiteral("--frame"), "16"} + args);
  EXPECT_EQ(p.status, 0) << args.join(' ').toStdString() << ": " << p.err.toStdString();
  return QString::fromUtf8(p.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(PickCommand, ControlPixelsNameThePegAndTheNodeAndMakeThatPegMain) {
  // The shoulder's pivot at (−8, 3 e), the hand's at (20, −6 e) scene units, where e is how far
  // the smooth stretch from frame 1 to 24 (flat at both ends) has eased at frame 16:
  // 3 t^2 − 2 t^3 at t = 15/23.
  const double t = 15.0 / 23, e = 3 * t * t - 2 * t * t * t;
  const double sx = -8, sy = 3 * e, hx = 20, hy = -6 * e;
  const QString arm = QStringLiteral(", on the control of Arm (PointConstraint2)");
  const QString hand = QStringLiteral("main input of Arm: 1 \"Left Peg\" (Hand)");
  EXPECT_EQ(pick({"--at", pixel(hx, hy)}), QStringList({"picked: Hand (Peg), handle 0" + arm, hand}));
  EXPECT_EQ(pick({"--at", pixel(sx + (hx - sx) / 4, sy + (hy - sy) / 4)}),
            QStringList({"picked: Shoulder (Peg), handle 0" + arm, "main input of Arm: 0 \"Right Peg\" (Shoulder)"}));
  EXPECT_EQ(pick({"--at", "10,10"}), QStringList({"picked: background"}));
  // Off the control but named: the click still chooses the nearer peg.
  EXPECT_EQ(pick({"--at", pixel(hx - 1, hy + 12), "--node", "Arm"}), QStringList({"picked: background", hand}));
}

} // namespace
