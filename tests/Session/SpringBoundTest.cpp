// The bound a spring's tension and inertia must keep for its step not to grow without end, found
// by reasoning on the step's linear recurrence (SpringBound.h), checked against the real node:
// a spring just inside the bound settles after a jump of its target, one just outside swings
// ever wider. The session warns of the runaway ones once per node and leaves the numbers be.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SessionTestSupport.h"
#include "SpringBound.h"

namespace {

// A peg that jumps from 0 to 12 scene units (1 drawing unit) at frame 2 and a spring on it.
QByteArray springScene(double tension, double inertia) {
  return QStringLiteral(R"(<scene version="1" frames="1-3000">
  <node type="Peg" name="Target"><attr keyword="POSITION.X">
    <key frame="1" value="0" interpolation="constant"/><key frame="2" value="12"/></attr></node>
  <node type="DynamicSpring" name="S">
    <attr keyword="TENSIONX" value="%1"/><attr keyword="INERTIAX" value="%2"/></node>
  <link from="Target" to="S" toPort="0"/></scene>)")
      .arg(tension)
      .arg(inertia)
      .toUtf8();
}

struct Gains {
  const char* name;
  double tension, inertia; // percent
  bool runsAway;           // by the closed-form bound
};

class SpringNearTheBound : public ::testing::TestWithParam<Gains> {};

TEST_P(SpringNearTheBound, SettlesInsideAndSwingsEverWiderOutside) {
  const Gains& g = GetParam();
  EXPECT_EQ(SpringBound::runsAway(g.tension, g.inertia), g.runsAway);
  const std::unique_ptr<Session> s = Session::openData(springScene(g.tension, g.inertia), QStringLiteral("s.xml"),
                                                       HostOptions{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()});
  QStringList warnings;
  s->setWarningSink([&](const QString& w) { warnings << w; });
  const std::vector<int> frames = s->frameRange().frames();
  std::vector<double> m(frames.size() * 16);
  s->evaluate(frames, {QStringLiteral("S")}, m.data(), MatrixLayout::ColumnOrder);
  // The distance left to the target (x = 1 drawing unit), its largest swing early and late.
  auto swing = [&](int from, int to) {
    double largest = 0.0;
    for (int f = from; f <= to; ++f)
      largest = std::max(largest, std::fabs(m[static_cast<std::size_t>(f - 1) * 16 + 12] - 1.0));
    return largest;
  };
  const double early = swing(50, 150), late = swing(2900, 3000);
  if (g.runsAway) {
    EXPECT_GT(late, 10 * early) << early << " -> " << late;
  } else {
    EXPECT_LT(late, early) << early << " -> " << late;
  }
  // One warning, naming the bound, when it runs away; the numbers are the node's as it computes them.
  EXPECT_EQ(warnings.size(), g.runsAway ? 1 : 0) << warnings.join('\n').toStdString();
  if (g.runsAway && !warnings.isEmpty()) {
    EXPECT_TRUE(warnings.front().contains(QStringLiteral("200 % plus twice the inertia")));
  }
}

// Bound: |inertia| <= 100 and 0 <= tension <= 200 + 2 inertia. Rows a little each side, where the
// recurrence's largest root is 0.93 to 1.04 in size, so 3000 frames tell them apart.
INSTANTIATE_TEST_SUITE_P(Rows, SpringNearTheBound,
                         ::testing::Values(Gains{"TensionJustBelow", 359, 80, false},
                                           Gains{"TensionJustAbove", 361, 80, true},
                                           Gains{"InertiaJustBelow", 7, 99, false},
                                           Gains{"InertiaJustAbove", 7, 101, true},
                                           Gains{"NegativeInertiaJustInside", 1, -99, false},
                                           Gains{"NegativeInertiaJustOutside", 1, -101, true},
                                           Gains{"SmallTension", 1, 80, false}, Gains{"NegativeTension", -1, 80, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(SpringBound, AnAnimatedTensionIsFoundAtTheFrameItCrossesAndWarnedOncePerNode) {
  const std::unique_ptr<Session> s = Session::openData(
      R"(<scene version="1" frames="1-48"><node type="Peg" name="P"/>
      <node type="DynamicSpring" name="S"><attr keyword="TENSIONROTATE">
        <key frame="1" value="100"/><key frame="11" value="300"/></attr></node>
      <link from="P" to="S" toPort="0"/></scene>)",
      QStringLiteral("a.xml"), HostOptions{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()});
  QStringList warnings;
  s->setWarningSink([&](const QString& w) { warnings << w; });
  // The default inertia 80 allows tensions up to 360, which 100 + 20 (f - 1), held at 300 from
  // frame 11 on, never reaches.
  EXPECT_TRUE(s->check().isEmpty());
  s->setAttribute(QStringLiteral("S"), QStringLiteral("INERTIAROTATE"), 40.0);
  // Bound 280: 100 + 20 (f - 1) > 280 first at frame 11.
  const QStringList found = s->check();
  ASSERT_EQ(found.size(), 1);
  EXPECT_TRUE(found.front().contains(QStringLiteral("TENSIONROTATE 300 % with INERTIAROTATE 40 % at frame 11")))
      << found.front().toStdString();
  EXPECT_TRUE(found.front().contains(QStringLiteral("from 0 to 280 %"))) << found.front().toStdString();
  s->check();
  std::vector<double> out(16);
  s->evaluate({5}, {QStringLiteral("S")}, out.data(), MatrixLayout::ColumnOrder);
  EXPECT_EQ(warnings.size(), 1) << "once per node";
}

} // namespace
