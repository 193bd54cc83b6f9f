// Dragging in the viewport as a user drags: the switch's knob and the limit's control follow the
// pointer live (the gate and the nodes below change before any step exists), the release adds
// one step named by the manipulator and leaves the scene vantorel drag writes for the same
// pointer positions; a peg's pivot moves the peg ("Move Peg"); undo gives back every node's
// matrix at every frame exactly; Escape cancels a drag.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTemporaryDir>

#include "HistoryPanel.h"
#include "ViewTestSupport.h"

namespace {

struct Drag {
  const char* name;
  const char* scene;
  const char* node;
  int frame;
  QPoint from, to;
  const char* step;
  const char* watched; // a node the drag moves
};

class ViewportDrag : public ::testing::TestWithParam<Drag> {};

TEST_P(ViewportDrag, FollowsThePointerLiveAndEndsAsOneStepThatUndoGivesBack) {
  const Drag& d = GetParam();
  TestWindow w = showExample(d.scene);
  w.window->document().setFrame(d.frame);
  Session& s = w.session();
  const std::vector<double> before = everyMatrix(s);
  const Math::Matrix4x4 watchedBefore = s.matrix(d.watched, d.frame);

  sendMouse(w.viewport(), QEvent::MouseButtonPress, d.from, Qt::LeftButton, Qt::LeftButton);
  for (int k = 1; k <= 8; ++k)
    sendMouse(w.viewport(), QEvent::MouseMove, d.from + (d.to - d.from) * k / 8, Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(s.matrix(d.watched, d.frame) == watchedBefore) << "the drag shows before the release";
  EXPECT_TRUE(s.history().isEmpty());
  EXPECT_TRUE(w.window->statusText().contains(QString::fromLatin1(d.node)));
  sendMouse(w.viewport(), QEvent::MouseButtonRelease, d.to, Qt::LeftButton, Qt::NoButton);

  EXPECT_EQ(s.history(), QStringList{QString::fromLatin1(d.step)});
  EXPECT_EQ(w.window->history()->names(), (QStringList{QStringLiteral("Opened ") + d.scene, d.step}));
  EXPECT_EQ(w.window->statusText(), QString::fromLatin1(d.step));
  EXPECT_EQ(w.window->document().focusNode(), QString::fromLatin1(d.node)) << "what is dragged is what is shown";
  EXPECT_TRUE(w.window->isWindowModified());

  QTemporaryDir dir;
  const QString dragged = dir.filePath(QStringLiteral("dragged.xml"));
  const ProcessResult r =
      vantorel({"drag", QStringLiteral(VANTOREL_EXAMPLES "/") + d.scene, d.node, "--frame", QString::number(d.frame),
                "--from", QStringLiteral("%1,%2").arg(d.from.x()).arg(d.from.y()), "--to",
                QStringLiteral("%1,%2").arg(d.to.x()).arg(d.to.y()), "-o", dragged});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.trimmed(), QByteArray(d.step));
  EXPECT_EQ(everyMatrix(s), evalFile(dragged));

  QTest::keyClick(w.window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(everyMatrix(s), before);
  EXPECT_FALSE(w.window->isWindowModified());
  EXPECT_EQ(s.redoHistory(), QStringList{QString::fromLatin1(d.step)});
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ViewportDrag,
    ::testing::Values(
        Drag{"switchKnob", "switch_gate.xml", "Switch", 1, {226, 342}, {226, 100}, "Change Switch Module", "Gate"},
        Drag{"limitControl",
             "limit_forearm.xml",
             "Limit",
             24,
             {439, 192},
             {391, 108},
             "Change TransformLimit Module",
             "Hand"}),
    [](const ::testing::TestParamInfo<Drag>& row) { return std::string(row.param.name); });

TEST(ViewportDrag, APegsPivotMovesThePegAndTheNodesThatFollowIt) {
  TestWindow w = showExample("two_points_arm.xml");
  w.window->document().setFrame(16);
  Session& s = w.session();
  const Math::Matrix4x4 arm = s.matrix("Arm", 16);
  const double x = s.attribute("Hand", "POSITION.X").number;
  dragMouse(w.viewport(), {751, 323}, {700, 260});
  EXPECT_EQ(s.history(), QStringList{QStringLiteral("Move Peg")});
  EXPECT_LT(s.attribute("Hand", "POSITION.X").number, x) << "moved left";
  EXPECT_FALSE(s.matrix("Arm", 16) == arm) << "the arm follows its hand";
}

TEST(ViewportDrag, EscapeCancelsTheDragAndLeavesNoStep) {
  TestWindow w = showExample("switch_gate.xml");
  Session& s = w.session();
  const std::vector<double> before = everyMatrix(s);
  sendMouse(w.viewport(), QEvent::MouseButtonPress, {226, 342}, Qt::LeftButton, Qt::LeftButton);
  sendMouse(w.viewport(), QEvent::MouseMove, {226, 200}, Qt::NoButton, Qt::LeftButton);
  QTest::keyClick(w.viewport(), Qt::Key_Escape);
  sendMouse(w.viewport(), QEvent::MouseButtonRelease, {226, 200}, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(s.history().isEmpty());
  EXPECT_EQ(everyMatrix(s), before);
  EXPECT_EQ(w.window->statusText(), QStringLiteral("Drag cancelled"));
}

} // namespace
