// The node view, in the window and from vantorel graph: boxes in a colour preference once the
// nodes are told (and in the preferences the graph command is given), the gate's ports in the
// blend of its target and default colours that the switch's activity makes, the switch port in
// the switch-port pair, and selection shared with the viewport and the attribute panel. A gate
// port's blend is worked out here in HSV from the two ends of the node colour table.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QImage>
#include <QTemporaryDir>

#include "AttributePanel.h"
#include "NodeGraph.h"
#include "NodeGraphWidget.h"
#include "Preference/PR_Preference.h"
#include "SceneCore/SC_SceneCommon.h"
#include "ViewTestSupport.h"

namespace {

const QColor kSwitchLight(97, 209, 152);
const QColor kGateTarget(144, 243, 17), kGateDefault(91, 138, 29);
const QColor kOutlineTarget(6, 61, 34), kOutlineDefault(64, 39, 15);
const QColor kSwitchPortLight(102, 255, 153), kSwitchPortDark(0, 102, 51);

// The gate's port colour at t: each of hue, saturation and value (target − default) × t +
// default, truncated, back to RGB.
QColor blend(double t) {
  int h1, s1, v1, h0, s0, v0;
  kGateTarget.getHsv(&h1, &s1, &v1);
  kGateDefault.getHsv(&h0, &s0, &v0);
  const auto mix = [t](int a, int b) { return static_cast<int>((a - b) * t + b); };
  return QColor::fromHsv(mix(h1, h0), mix(s1, s0), mix(v1, v0));
}

// A pixel well inside a node's box, away from its name and ports.
QPoint insideBox(const NodeGraph::Node& n) { return QPointF(n.rect.left() + 5, n.rect.center().y()).toPoint(); }

// The defaults are the graph command's; here a preference reaches the boxes once the nodes are
// told and the view redraws at the next frame.
TEST(NodeView, APreferenceChangesTheBoxesOnceTheNodesAreTold) {
  TestWindow w = showExample("three_points_patch.xml");
  NodeGraphWidget* view = w.window->nodeView();
  const QColor red(200, 30, 30);
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), red.rgba());
  w.session().scene().cachePreferences();
  w.window->document().setFrame(2);
  const NodeGraph::Node* patch = view->graph().find(QStringLiteral("Patch"));
  const NodeGraph::Node* fade = view->graph().find(QStringLiteral("Switch"));
  ASSERT_TRUE(patch && fade);
  const QImage shown = view->grab().toImage();
  EXPECT_EQ(shown.pixel(view->toWidget(insideBox(*patch)).toPoint()), red.rgb());
  EXPECT_EQ(shown.pixel(view->toWidget(insideBox(*fade)).toPoint()), kSwitchLight.rgb()) << "another colour id";
  rxPref->remove(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"));
  w.session().scene().cachePreferences();
}

TEST(NodeView, TheGatesPortsFollowTheSwitchAndItsSwitchPortHasTheSwitchColours) {
  TestWindow w = showExample("switch_gate.xml");
  const struct {
    const char* active;
    double r; // the gate's activity: the switch's ACTIVE / 100
  } rows[] = {{"100", 1.0}, {"0", 0.0}, {"30", 0.3}};
  for (const auto& row : rows) {
    w.session().setAttribute(QStringLiteral("Switch"), QStringLiteral("ACTIVE"), QString::fromLatin1(row.active));
    const NodeGraph::Node* gate = w.window->nodeView()->graph().find(QStringLiteral("Gate"));
    ASSERT_TRUE(gate && gate->inputs.size() == 3u);
    const NodeGraph::Port &fallback = gate->inputs[0], &target = gate->inputs[1], &fromSwitch = gate->inputs[2];
    EXPECT_EQ(target.light.rgb(), blend(row.r).rgb()) << row.active;
    EXPECT_EQ(target.dark.rgb(), kOutlineTarget.rgb());
    EXPECT_EQ(fallback.light.rgb(), blend(1.0 - row.r).rgb()) << row.active;
    EXPECT_EQ(fallback.dark.rgb(), kOutlineDefault.rgb());
    EXPECT_EQ(fromSwitch.light.rgb(), kSwitchPortLight.rgb());
    EXPECT_EQ(fromSwitch.dark.rgb(), kSwitchPortDark.rgb());
    // The gate takes its target's transformation whole only at a full activity.
    EXPECT_EQ(target.active, row.r >= 1.0) << row.active;
    EXPECT_EQ(fallback.active, row.r < 1.0) << row.active;
  }
}

TEST(NodeView, SelectionIsSharedWithTheViewportAndTheAttributePanel) {
  TestWindow w = showExample("two_points_arm.xml");
  w.window->document().setFrame(16);
  NodeGraphWidget* view = w.window->nodeView();
  const auto centreOf = [&](const char* name) {
    return view->toWidget(view->graph().find(QString::fromLatin1(name))->rect.center()).toPoint();
  };
  click(view, centreOf("Arm"));
  EXPECT_EQ(w.session().selection(), QStringList{QStringLiteral("Arm")});
  EXPECT_EQ(w.window->attributes()->node(), QStringLiteral("Arm"));
  click(view, centreOf("Sleeve"), Qt::ShiftModifier);
  EXPECT_EQ(w.session().selection(), (QStringList{QStringLiteral("Arm"), QStringLiteral("Sleeve")}));
  EXPECT_EQ(w.window->attributes()->node(), QStringLiteral("Sleeve"));
  click(w.viewport(), {751, 323}); // the hand's pivot
  EXPECT_TRUE(view->graph().find(QStringLiteral("Hand"))->selected);
  EXPECT_FALSE(view->graph().find(QStringLiteral("Arm"))->selected);
  EXPECT_EQ(w.window->attributes()->node(), QStringLiteral("Hand"));
  click(view, {2, 2}); // the background
  EXPECT_TRUE(w.session().selection().isEmpty());
  EXPECT_EQ(w.window->attributes()->node(), QString());
}

TEST(GraphCommand, DrawsTheNodeViewWithThePreferencesColours) {
  QTemporaryDir dir;
  const QString prefs =
      written(dir, "colours.prefs",
              "NV_MODULE_CONSTRAINT_LIGHT_COLOR = #1e50c8\nNV_MODULE_SWITCHPORT_LIGHT_COLOR = 250,200,0\n");
  const QString scene = QStringLiteral(VANTOREL_EXAMPLES "/three_points_patch.xml");
  const QString coloured = dir.filePath(QStringLiteral("c.png"));
  const ProcessResult r = vantorel({"graph", scene, "--prefs", prefs, "-o", coloured});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();

  // Where the boxes stand: the same layout in this process.
  const std::unique_ptr<Session> s = openExample("three_points_patch.xml");
  const NodeGraph graph = NodeGraph::of(s->scene(), 1);
  const QPointF origin = graph.bounds().topLeft();
  const auto at = [&](const QImage& image, const QPointF& p) { return image.pixel((p - origin).toPoint()); };
  const NodeGraph::Node* patch = graph.find(QStringLiteral("Patch"));
  const NodeGraph::Port& switchPort = patch->inputs[3];
  const QImage after(coloured);
  ASSERT_EQ(after.size(), graph.bounds().size().toSize());
  EXPECT_EQ(at(after, insideBox(*patch)), qRgb(30, 80, 200));
  EXPECT_EQ(at(after, switchPort.rect.center()), qRgb(250, 200, 0));
  EXPECT_EQ(at(after, insideBox(*graph.find(QStringLiteral("Switch")))), kSwitchLight.rgb());
}

} // namespace
