// vantorel curves as a user runs it: the legend names the channels that move, the key rows the
// animated nodes that drive the plotted ones (within the frames shown), and bad input is
// refused with nothing written. The axes' round tick values are checked against a table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

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
      {-7, 3, 4, 0, {-10, -5, 0, 5}},
      {0.98, 1.02, 4, 0, {0.98, 0.99, 1.0, 1.01, 1.02}},
      {1, 48, 10, 1, {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50}},
      {1, 3, 10, 1, {1, 2, 3}}, // frames never get fractional ticks
      {5, 5, 3, 0, {5}},
  };
  for (const TickCase& c : cases) {
    const std::vector<double> t = CurvePlot::ticks(c.lo, c.hi, c.count, c.minStep);
    ASSERT_EQ(t.size(), c.ticks.size()) << c.lo << " to " << c.hi;
    for (std::size_t i = 0; i < t.size(); ++i)
      EXPECT_NEAR(t[i], c.ticks[i], 1e-12) << c.lo << " to " << c.hi << " tick " << i;
  }
}

TEST(CurvePlotLine, ALongCurveKeepsEveryPixelColumnsExtremesInOrder) {
  std::mt19937 rng(3);
  std::normal_distribution<double> step(0.0, 1.0);
  std::vector<double> walk(100000);
  for (std::size_t k = 1; k < walk.size(); ++k)
    walk[k] = walk[k - 1] + step(rng);
  const std::vector<std::size_t> line = CurvePlot::drawnFrames(walk, 700.0);
  EXPECT_LE(line.size(), 4u * 700u);
  EXPECT_TRUE(std::is_sorted(line.begin(), line.end()) && line.front() == 0 && line.back() == walk.size() - 1);
  // Every stretch of frames that shares a column keeps its lowest and highest value.
  for (std::size_t c = 0; c < 700; ++c) {
    const auto begin = walk.begin() + static_cast<std::ptrdiff_t>(c * walk.size() / 700);
    const auto end = walk.begin() + static_cast<std::ptrdiff_t>((c + 1) * walk.size() / 700);
    for (auto extreme : {std::min_element(begin, end), std::max_element(begin, end)})
      EXPECT_TRUE(std::binary_search(line.begin(), line.end(), static_cast<std::size_t>(extreme - walk.begin()))) << c;
  }
  EXPECT_EQ(CurvePlot::drawnFrames({1, 2, 3}, 700.0), (std::vector<std::size_t>{0, 1, 2}));
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

struct BadCurves {
  const char* name;
  QStringList args;
  const char* says;
};

class CurvesRejects : public ::testing::TestWithParam<BadCurves> {};

TEST_P(CurvesRejects, BadInputExitsWithStatusTwoAndWritesNothing) {
  QTemporaryDir dir;
  QStringList args = GetParam().args;
  args.replaceInStrings(QStringLiteral("OUT"), dir.path());
  const ProcessResult r = vantorel(QStringList{QStringLiteral("curves"), kTail} + args);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains(GetParam().says)) << r.err.toStdString();
  EXPECT_EQ(r.err.count('\n'), 1);
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Curves, CurvesRejects,
    ::testing::Values(
        BadCurves{"noNode", {"-o", "OUT/c.svg"}, "--node NAME is required"},
        BadCurves{"unknownNode", {"--node", "Tail", "-o", "OUT/c.svg"}, "no node named \"Tail\""},
        BadCurves{"unknownChannel", {"--node", "Tip", "--channels", "tx,rq", "-o", "OUT/c.svg"}, "no channel \"rq\""},
        BadCurves{"extension", {"--node", "Tip", "-o", "OUT/c.jpg"}, "must end in .png or .svg"},
        BadCurves{"reversed", {"--node", "Tip", "--frames", "9-3", "-o", "OUT/c.svg"}, "ends before"},
        BadCurves{"noFolder", {"--node", "Tip", "-o", "OUT/no/such/c.svg"}, "c.svg"}),
    [](const ::testing::TestParamInfo<BadCurves>& row) { return std::string(row.param.name); });

} // namespace
