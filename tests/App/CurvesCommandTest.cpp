// vantorel curves as a user runs it: the legend names the channels that move, the key rows the
// animated nodes that drive the plotted ones (within the frames shown). The axes' round tick
// values are checked against a table.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "CurvePlot.h"
#include "VantorelProcess.h"

namespace {

const QString kTail = QStringLiteral(VANTOREL_EXAMPLES "/spring_tail.xml");

struct TickCase {
  double lo, hi;
  int count;
  double minStep;
  std::vector<double> ticks;
};

TEST(CurvePlotTicks, RoundStepsCoverTheRange) {
  const TickCase cases[] = {
      {0, 10, 5, 0, {0, 2, 4, 6, 8, 10}},
      {-0.3, 0.7, 5, 0, {-0.4, -0.2, 0, 0.2, 0.4, 0.6, 0.8}},
      {0.98, 1.02, 4, 0, {0.98, 0.99, 1.0, 1.01, 1.02}},
      {1, 48, 10, 1, {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50}},
      {1, 3, 10, 1, {1, 2, 3}}, // frames never get fractional ticks
  };
  for (const TickCase& c : cases) {
    const std::vector<double> t = CurvePlot::ticks(c.lo, c.hi, c.count, c.minStep);
    ASSERT_EQ(t.size(), c.ticks.size()) << c.lo << " to " << c.hi;
    for (std::size_t i = 0; i < t.size(); ++i)
      EXPECT_NEAR(t[i], c.ticks[i], 1e-12) << c.lo << " to " << c.hi << " tick " << i;
  }
}

struct Shown {
  QStringList args;
  QStringList present, absent; // texts of the SVG
};

TEST(CurvesCommand, LegendNamesTheChosenChannelsAndKeyRowsTheNodesKeyedInTheFramesShown) {
  const Shown cases[] = {
      // The tail swings in x, y and z and turns about z only; above Tip only Stage, Body and Mid
      // carry keys.
      {{"--node", "Tip"},
       {"Tip tx", "Tip ty", "Tip tz", "Tip rz", "Stage", "Body", "Mid", "frame", "position (scene units)"},
       {"Tip rx", "Tip ry", "Tip sx", "Tip skew", "scale", "TailBase", "TipEnd", "Camera"}},
      // Frames 10 to 20: Body has keys at 12, 13 and 19, Stage only at 1 and 48.
      {{"--node", "Tip", "--node", "Root", "--channels", "rz,sx", "--frames", "10-20"},
       {"Tip rz", "Root rz", "Tip sx", "Root sx", "scale", "Body", "Mid", "rotation and skew (degrees)"},
       {"Tip tx", "Root ty", "Stage", "position (scene units)"}},
  };
  for (const Shown& c : cases) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("curves.svg"));
    const ProcessResult r = vantorel(QStringList{QStringLiteral("curves"), kTail, "-o", out} + c.args);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList texts;
    for (auto it = QRegularExpression(QStringLiteral(">([^<>]+)</text>")).globalMatch(QString::fromUtf8(f.readAll()));
         it.hasNext();)
      texts << it.next().captured(1);
    for (const QString& t : c.present)
      EXPECT_TRUE(texts.contains(t)) << t.toStdString();
    for (const QString& t : c.absent)
      EXPECT_FALSE(texts.contains(t)) << t.toStdString();
  }
}

} // namespace
