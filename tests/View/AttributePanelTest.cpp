// The attribute panel as a user edits with it: every kind of editor (a number typed or stepped,
// a whole number, an option, a flag, a text, a key on an animated value, a bake button) makes one
// step and lands as the scene then reads it (what Save writes is the window's Saving tests); a
// value the session refuses shows the scene reader's words for it and changes nothing; an
// animated value shows its value at the frame shown with its key mark.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <cmath>

#include "AttributePanel.h"
#include "NumberField.h"
#include "SceneCore/SC_SceneCommon.h"
#include "ViewTestSupport.h"

namespace {

enum class How { Type, StepUp, NextOption, Toggle, Press };

struct PanelEdit {
  const char* name;
  const char* scene;
  const char* node;
  const char* keyword;
  How how;
  const char* typed; // for Type
  int frame;
  const char* reads; // the value as the scene then spells it at the frame; null: not a value
  const char* step;  // null: "Set KEYWORD of NODE"
};

class PanelEdits : public ::testing::TestWithParam<PanelEdit> {};

TEST_P(PanelEdits, MakeOneStepThatLandsAsTheSceneReadsIt) {
  const PanelEdit& e = GetParam();
  TestWindow w = showExample(e.scene);
  ViewDocument& doc = w.window->document();
  Session& s = w.session();
  doc.setFrame(e.frame);
  doc.chooseNode(e.node);
  AttributePanel* panel = w.window->attributes();
  ASSERT_EQ(panel->node(), QString::fromLatin1(e.node));
  QWidget* editor = panel->editor(e.keyword);
  ASSERT_NE(editor, nullptr) << e.keyword;
  const AttributeInfo before = s.attribute(e.node, e.keyword);
  QString expected = e.reads ? QString::fromLatin1(e.reads) : QString();
  double expectedNumber = std::nan("");
  switch (e.how) {
  case How::Type:
    editor->setFocus();
    static_cast<QLineEdit*>(editor)->selectAll();
    QTest::keyClicks(editor, QString::fromLatin1(e.typed));
    QTest::keyClick(editor, Qt::Key_Return);
    break;
  case How::StepUp:
    expectedNumber = before.number + before.step;
    QTest::keyClick(editor, Qt::Key_Up);
    break;
  case How::NextOption:
    expected = before.options[static_cast<std::size_t>(static_cast<QComboBox*>(editor)->currentIndex()) + 1].keyword;
    QTest::keyClick(editor, Qt::Key_Down);
    break;
  case How::Toggle:
    QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(4, editor->height() / 2));
    break;
  case How::Press:
    QTest::mouseClick(editor, Qt::LeftButton);
    break;
  }
  const QString step = e.step ? QString::fromLatin1(e.step) : QStringLiteral("Set %1 of %2").arg(e.keyword, e.node);
  EXPECT_EQ(s.history(), QStringList{step});
  EXPECT_EQ(w.window->statusText(), step);
  EXPECT_TRUE(panel->message().isEmpty()) << panel->message().toStdString();
  if (!expected.isEmpty()) {
    EXPECT_EQ(s.attribute(e.node, e.keyword).text, expected);
  }
  if (!std::isnan(expectedNumber)) {
    EXPECT_NEAR(s.attribute(e.node, e.keyword).number, expectedNumber, 1e-12);
  }
  if (auto* field = qobject_cast<NumberField*>(editor)) {
    EXPECT_EQ(field->text().toDouble(), s.attribute(e.node, e.keyword).number) << "the field shows the value now";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PanelEdits,
    ::testing::Values(
        PanelEdit{"number", "two_points_arm.xml", "Arm", "STRETCHMAX", How::Type, "120", 1, "120", nullptr},
        PanelEdit{"numberStepped", "two_points_arm.xml", "Arm", "SMOOTH", How::StepUp, nullptr, 1, nullptr, nullptr},
        PanelEdit{"keyOnAnAnimatedValue", "two_points_arm.xml", "Hand", "POSITION.X", How::Type, "5", 10, "5", nullptr},
        PanelEdit{"option", "two_points_arm.xml", "Arm", "FLATTENTYPE", How::NextOption, nullptr, 1, nullptr, nullptr},
        PanelEdit{"wholeNumber", "switch_gate.xml", "Switch", "GATENUM", How::Type, "0", 1, "0", nullptr},
        PanelEdit{"flag", "limit_forearm.xml", "Limit", "UNIFORMSCALE", How::Toggle, nullptr, 24, "false", nullptr},
        PanelEdit{"text", "limit_forearm.xml", "Limit", "PARENTNAME", How::Type, "Shoulder", 24, "Shoulder", nullptr},
        PanelEdit{"bakeButton", "static_bake.xml", "Hold", "bakeAttr_all", How::Press, nullptr, 10, nullptr,
                  "Bake Transformation onto Constraint"}),
    [](const ::testing::TestParamInfo<PanelEdit>& row) { return std::string(row.param.name); });

struct Refused {
  const char* name;
  const char* scene;
  const char* node;
  const char* keyword;
  const char* typed;
};

class PanelRefusals : public ::testing::TestWithParam<Refused> {};

TEST_P(PanelRefusals, ShowTheReadersWordsAndChangeNothing) {
  const Refused& r = GetParam();
  TestWindow w = showExample(r.scene);
  Session& s = w.session();
  const std::vector<double> before = everyMatrix(s);
  w.window->document().chooseNode(r.node);
  auto* field = qobject_cast<QLineEdit*>(w.window->attributes()->editor(r.keyword));
  ASSERT_NE(field, nullptr);
  const QString shown = field->text();
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, QString::fromLatin1(r.typed));
  QTest::keyClick(field, Qt::Key_Return);
  const QString says = readerSays(s.nodeInfo(r.node).type, r.node, r.keyword, r.typed);
  EXPECT_EQ(w.window->attributes()->message(), says);
  EXPECT_EQ(w.window->statusText(), says);
  EXPECT_EQ(field->text(), shown) << "the attribute's own value is back";
  EXPECT_TRUE(s.history().isEmpty());
  EXPECT_FALSE(w.window->isWindowModified());
  EXPECT_EQ(everyMatrix(s), before);
}

// A number field and a whole-number field (the reader's words for each value are the session's
// RefusedEdit table).
INSTANTIATE_TEST_SUITE_P(Values, PanelRefusals,
                         ::testing::Values(Refused{"outOfRange", "two_points_arm.xml", "Arm", "STRETCHMAX", "2e10"},
                                           Refused{"notWhole", "switch_gate.xml", "Gate", "TARGET_GATE", "1.5"}),
                         [](const ::testing::TestParamInfo<Refused>& row) { return std::string(row.param.name); });

TEST(PanelAnimation, AnAnimatedValueShowsItsValueAtTheFrameShownAndWhetherAKeyStandsThere) {
  // "Right" is keyed at x = 8 on frame 1 and 12 on frame 24, smoothly: with both ends flat the
  // stretch is 8 + 4 (3 t^2 - 2 t^3), t = (f - 1) / 23.
  TestWindow w = showExample("switch_gate.xml");
  ViewDocument& doc = w.window->document();
  doc.chooseNode(QStringLiteral("Right"));
  AttributePanel* panel = w.window->attributes();
  auto* x = qobject_cast<QLineEdit*>(panel->editor(QStringLiteral("POSITION.X")));
  ASSERT_NE(x, nullptr);
  const struct {
    int frame;
    double value;
    const char* mark;
  } rows[] = {{1, 8, "\u25c6"},
              {12, 8 + 4 * (3 * std::pow(11.0 / 23, 2) - 2 * std::pow(11.0 / 23, 3)), "\u25c7"},
              {24, 12, "\u25c6"},
              {30, 12, "\u25c7"}};
  for (const auto& row : rows) {
    doc.setFrame(row.frame);
    EXPECT_NEAR(x->text().toDouble(), row.value, 1e-12) << "frame " << row.frame;
    EXPECT_EQ(panel->keyMark(QStringLiteral("POSITION.X")), QString::fromUtf8(row.mark)) << "frame " << row.frame;
  }
  EXPECT_EQ(panel->keyMark(QStringLiteral("POSITION.Y")), QString()) << "not animated";
}

} // namespace
