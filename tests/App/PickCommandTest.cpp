// vantorel pick as a user runs it on the arm example: pixels of the two-points control worked
// out from the camera (z 4 drawing units, 45° vertical field of view, 16:9 in 960 × 540) name
// the peg and the node and make that peg the main input; bad input is refused with status 2
// and nothing on stdout.
#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>

#include "VantorelProcess.h"

namespace {

const QString kArm = QStringLiteral(VANTOREL_EXAMPLES "/two_points_arm.xml");

// The pixel of a drawing-unit point on the z = 0 plane.
QString pixel(double x, double y) {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  return QStringLiteral("%1,%2").arg(480 + 480 * f * 9 / 16 * x / 4).arg(270 - 270 * f * y / 4);
}

QStringList lines(const QByteArray& out) { return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

TEST(PickCommand, ControlPixelsNameThePegAndTheNodeAndMakeThatPegMain) {
  const QString arm = QStringLiteral(", on the control of Arm (PointConstraint2)");
  const struct {
    QStringList args;
    QStringList expected;
  } rows[] = {
      // The hand's pivot (8, 0) scene units, and a point a quarter of the way from the shoulder's.
      {{QStringLiteral("--at"), pixel(8.0 / 12, 0)},
       {QStringLiteral("picked: Hand (Peg), handle 0") + arm,
        QStringLiteral("main input of Arm: 1 \"Left Peg\" (Hand)")}},
      {{QStringLiteral("--at"), pixel(-4.0 / 12, 0), QStringLiteral("--frame"), QStringLiteral("1")},
       {QStringLiteral("picked: Shoulder (Peg), handle 0") + arm,
        QStringLiteral("main input of Arm: 0 \"Right Peg\" (Shoulder)")}},
      {{QStringLiteral("--at"), QStringLiteral("10,10")}, {QStringLiteral("picked: background")}},
      // Off the control, but named: the click still chooses the nearer peg.
      {{QStringLiteral("--at"), pixel(7.0 / 12, 1), QStringLiteral("--node"), QStringLiteral("Arm")},
       {QStringLiteral("picked: background"), QStringLiteral("main input of Arm: 1 \"Left Peg\" (Hand)")}},
  };
  for (const auto& r : rows) {
    const ProcessResult p = vantorel(QStringList{QStringLiteral("pick"), kArm} + r.args);
    EXPECT_EQ(p.status, 0) << p.err.toStdString();
    EXPECT_EQ(lines(p.out), r.expected) << r.args.join(' ').toStdString() << "\n" << p.out.toStdString();
  }
}

TEST(PickCommand, BadInputIsRefusedWithStatusTwoAndNothingOnStdout) {
  const QStringList rows[] = {
      {QStringLiteral("--at"), QStringLiteral("960,10")}, // one past the right edge
      {QStringLiteral("--at"), QStringLiteral("-1,10")},
      {QStringLiteral("--at"), QStringLiteral("10,10"), QStringLiteral("--size"), QStringLiteral("8x8")},
      {QStringLiteral("--at"), QStringLiteral("10,10"), QStringLiteral("--node"), QStringLiteral("Elbow")},
      {QStringLiteral("--at"), QStringLiteral("10,10"), QStringLiteral("--node"), QStringLiteral("Hand")},
      {QStringLiteral("--at"), QStringLiteral("ten,10")},
      {QStringLiteral("--frame"), QStringLiteral("1")},
  };
  for (const QStringList& args : rows) {
    const ProcessResult p = vantorel(QStringList{QStringLiteral("pick"), kArm} + args);
    EXPECT_EQ(p.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(p.out.isEmpty()) << p.out.toStdString();
    EXPECT_TRUE(p.err.startsWith("vantorel: pick: ")) << p.err.toStdString();
  }
}

} // namespace
