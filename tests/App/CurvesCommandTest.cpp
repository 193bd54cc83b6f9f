// vantorel curves as a user runs it: the legend names the channels that move, the key rows the
// animated nodes that drive the plotted ones (within the frames shown). The axes' round tick
// values are checked against a table.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "CurvePlot.h"
#include "GraphicCore/VS_RGBA.h"
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
       {"Tip rz", "Root rz", "Tip sx = Root sx", "scale", "Body", "Mid", "rotation and skew (degrees)"},
       {"Tip tx", "Root ty", "Stage", "position (scene units)"}},
  };
  for (const Shown& c : cases) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("curves.svg"));
    const ProcessResult r = vantorel(QStringList{QStringLiteral("curves"), kTail, "-o", out} + c.args);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    QStringList texts;
    for (auto it = QRegularExpression(QStringLiteral(">([^<>]+)</text>")).globalMatch(QString::fromUtf8(bytesOf(out)));
         it.hasNext();)
      texts << it.next().captured(1);
    for (const QString& t : c.present)
      EXPECT_TRUE(texts.contains(t)) << t.toStdString();
    for (const QString& t : c.absent)
      EXPECT_FALSE(texts.contains(t)) << t.toStdString();
  }
}

// Lines by node and channel: each node one hue, each channel one dash, equal series one line
// and one legend entry; every legend entry inside its panel's height, beside the plot, inside
// the image, none over another, however many there are.
CurvePlot::Series series(const char* node, const char* channel, CurvePlot::Unit unit, double slope) {
  std::vector<double> v;
  for (int f = 0; f < 48; ++f)
    v.push_back(slope * f);
  return CurvePlot::Series{QLatin1String(node), QLatin1String(channel), unit, v};
}

bool sameColour(const VS_RGBA& a, const VS_RGBA& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

TEST(CurvePlotLayout, EachNodeOneHueEachChannelOneDashEqualLinesOnce) {
  CurvePlot plot(QStringLiteral("t"), 1, 48);
  const char* nodes[] = {"A", "B", "C"};
  const char* channels[] = {"tx", "ty", "tz"};
  for (int n = 0; n < 3; ++n)
    for (int c = 0; c < 3; ++c)
      // C's tz equals A's tz: one line.
      plot.add(series(nodes[n], channels[c], CurvePlot::ePosition, n == 2 && c == 2 ? 3.0 : 10.0 * n + c + 1.0));
  plot.add(series("A", "rz", CurvePlot::eAngle, 2.0));
  const CurvePlot::Layout l = plot.layout(QSize(960, 600));
  ASSERT_EQ(l.panels.size(), 2u);
  const std::vector<CurvePlot::Entry>& e = l.panels[0].entries;
  ASSERT_EQ(e.size(), 8u);
  // Entries in the order added: A tx, A ty, A tz (= C tz), B tx, B ty, B tz, C tx, C ty.
  EXPECT_EQ(e[2].label, QStringLiteral("A tz = C tz"));
  EXPECT_EQ(e[2].series.size(), 2u);
  for (std::size_t i = 0; i < e.size(); ++i)
    for (std::size_t j = 0; j < e.size(); ++j) {
      const bool sameNode = e[i].label.front() == e[j].label.front();
      const bool sameChannel = e[i].label.mid(2, 2) == e[j].label.mid(2, 2);
      EXPECT_EQ(sameColour(e[i].colour, e[j].colour), sameNode) << i << " " << j;
      EXPECT_EQ(e[i].dash == e[j].dash, sameChannel) << i << " " << j;
    }
  // The angle panel's one line keeps A's hue.
  EXPECT_TRUE(sameColour(l.panels[1].entries[0].colour, e[0].colour));
}

class LegendPlacement : public ::testing::TestWithParam<int> {};

TEST_P(LegendPlacement, NeverReachesPastItsPanelOrOverAnotherEntry) {
  const int nodes = GetParam();
  CurvePlot plot(QStringLiteral("t"), 1, 48);
  for (int n = 0; n < nodes; ++n)
    for (const char* c : {"tx", "ty", "tz"}) {
      const QByteArray name = "Node" + QByteArray::number(n);
      plot.add(series(name.constData(), c, CurvePlot::ePosition, n + 0.1 * (c[1] - 'x')));
      plot.add(series(name.constData(), c[1] == 'x' ? "sx" : c[1] == 'y' ? "sy" : "sz", CurvePlot::eScale, 1 + n));
    }
  plot.add(CurvePlot::KeyRow{QStringLiteral("Node0"), {1, 24}});
  const QSize size(960, 600);
  const CurvePlot::Layout l = plot.layout(size);
  std::vector<QRectF> boxes;
  for (const CurvePlot::Panel& p : l.panels)
    for (const CurvePlot::Entry& e : p.entries) {
      EXPECT_GE(e.box.top(), p.plot.top()) << e.label.toStdString();
      EXPECT_LE(e.box.bottom(), p.plot.bottom()) << e.label.toStdString();
      EXPECT_GE(e.box.left(), p.plot.right()) << e.label.toStdString();
      EXPECT_LE(e.box.right(), size.width()) << e.label.toStdString();
      for (const QRectF& other : boxes)
        EXPECT_FALSE(e.box.intersects(other)) << e.label.toStdString();
      boxes.push_back(e.box);
    }
  // Three position lines a node; its three scale lines are equal, so one.
  EXPECT_EQ(boxes.size(), static_cast<std::size_t>(4 * nodes));
}

INSTANTIATE_TEST_SUITE_P(Nodes, LegendPlacement, ::testing::Values(1, 4, 9));

TEST(CurvesCommand, TheBakedPegsLinesAreTheSpringsAndShareItsLegendEntry) {
  QTemporaryDir dir;
  const QString baked = dir.filePath(QStringLiteral("baked.xml")), out = dir.filePath(QStringLiteral("c.svg"));
  ASSERT_EQ(vantorel({"bake-keys", kTail, "Tip", "--frames", "1-48", "-o", baked}).status, 0);
  const ProcessResult r = vantorel(
      {"curves", baked, "--node", "Tip", "--node", "Tip-baked", "--node", "Root", "--channels", "ty,rz", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString svg = QString::fromUtf8(bytesOf(out));
  for (const char* label : {">Tip ty = Tip-baked ty<", ">Tip rz = Tip-baked rz<", ">Root ty<", ">Root rz<"})
    EXPECT_TRUE(svg.contains(QLatin1String(label))) << label;
  EXPECT_FALSE(svg.contains(QLatin1String(">Tip-baked ty<")));
}

} // namespace
