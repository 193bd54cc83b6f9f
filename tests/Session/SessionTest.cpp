// The session over real example scenes: every kind of edit undone and redone gives back every
// matrix and every byte of the saved scene exactly; the modified flag and the listener follow the
// history. (The buffer against the binary's output in both layouts is the Python module's
// test_eval; failed saves and files changed on disk are the window's Saving tests.)
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include "PersistentObj/PIO_SceneWriter.h"
#include "SessionError.h"
#include "SessionTestSupport.h"

namespace {

struct Edit {
  const char* name;
  const char* scene;
  std::function<QString(Session&)> run;
  const char* step; // the name the history shows
};

class EveryEdit : public ::testing::TestWithParam<Edit> {};

TEST_P(EveryEdit, UndoGivesBackEveryMatrixAndByteAndRedoTheEditedOnes) {
  const std::unique_ptr<Session> s = openExample(GetParam().scene);
  const std::vector<double> before = everyMatrix(*s);
  const QByteArray fileBefore = PIO_SceneWriter::writeData(s->scene());
  EXPECT_EQ(GetParam().run(*s), QString::fromLatin1(GetParam().step));
  EXPECT_EQ(s->history(), QStringList{QString::fromLatin1(GetParam().step)});
  const std::vector<double> after = everyMatrix(*s);
  const QByteArray fileAfter = PIO_SceneWriter::writeData(s->scene());
  ASSERT_NE(fileAfter, fileBefore) << "the edit changed nothing";
  ASSERT_TRUE(s->undo());
  EXPECT_EQ(everyMatrix(*s), before);
  EXPECT_EQ(PIO_SceneWriter::writeData(s->scene()), fileBefore);
  EXPECT_FALSE(s->isModified());
  ASSERT_TRUE(s->redo());
  EXPECT_EQ(everyMatrix(*s), after);
  EXPECT_EQ(PIO_SceneWriter::writeData(s->scene()), fileAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, EveryEdit,
    ::testing::Values(
        Edit{"number", "two_points_arm.xml", [](Session& s) { return s.setAttribute("Arm", "STRETCHMAX", 110.0); },
             "Set STRETCHMAX of Arm"},
        Edit{"keyOnAnimated", "two_points_arm.xml",
             [](Session& s) { return s.setAttribute("Hand", "POSITION.X", QStringLiteral("5"), 10.0); },
             "Set POSITION.X of Hand"},
        Edit{"firstKey", "two_points_arm.xml",
             [](Session& s) { return s.setAttribute("Sleeve", "ROTATION.ANGLEZ", 30.0, 20.0); },
             "Set ROTATION.ANGLEZ of Sleeve"},
        Edit{"option", "two_points_arm.xml",
             [](Session& s) { return s.setAttribute("Arm", "TRANSFORMTYPE", QStringLiteral("TRANSFORM")); },
             "Set TRANSFORMTYPE of Arm"},
        Edit{"flag", "limit_forearm.xml", [](Session& s) { return s.setAttribute("Limit", "UNIFORMSCALE", false); },
             "Set UNIFORMSCALE of Limit"},
        Edit{"springTension", "spring_tail.xml", [](Session& s) { return s.setAttribute("Mid", "TENSIONX", 20.0); },
             "Set TENSIONX of Mid"},
        Edit{"relink", "two_points_arm.xml", [](Session& s) { return s.link("Shoulder", 0, "Sleeve", 0); },
             "Link Shoulder to Sleeve"},
        Edit{"linkGrowsInputs", "switch_gate.xml", [](Session& s) { return s.link("Camera", 0, "Gate", 4); },
             "Link Camera to Gate"},
        Edit{"unlink", "two_points_arm.xml", [](Session& s) { return s.unlink("Arm", 1); }, "Unlink Arm input 1"},
        Edit{"disable", "two_points_arm.xml", [](Session& s) { return s.setEnabled("Arm", false); }, "Disable Arm"},
        Edit{"bakeButton", "static_bake.xml", [](Session& s) { return s.bake("Hold", Session::BakeMode::All, 10.0); },
             "Bake Transformation onto Constraint"},
        Edit{"immediateButton", "static_bake.xml", [](Session& s) { return s.pressButton("Hold", "bakeAttr", 10.0); },
             "Bake Transformation onto Constraint"},
        Edit{"bakeKeys", "arm_rig.xml",
             [](Session& s) {
               return s.bakeKeys("Elbow", {1, 48}, {}, true).commandName;
             },
             "Bake Keys"},
        Edit{"dragSwitch", "switch_gate.xml",
             [](Session& s) {
               return s.drag("Switch", {226, 342}, {226, 100});
             },
             "Change Switch Module"},
        Edit{"dragPegPivot", "two_points_arm.xml",
             [](Session& s) {
               return s.dragPegPivot("Hand", {751, 323}, {700, 200}, ViewSpec{16.0, {}, {}});
             },
             "Move Peg"}),
    [](const ::testing::TestParamInfo<Edit>& row) { return std::string(row.param.name); });

TEST(SessionHistory, ModifiedFollowsTheStepsSinceTheLastSaveAndTheListenerHearsEachStep) {
  QTemporaryDir dir;
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  QStringList heard;
  s->addListener([&](Session::Change change, const QString& name) {
    heard << QStringLiteral("%1 %2").arg(static_cast<int>(change)).arg(name);
  });
  EXPECT_FALSE(s->isModified());
  s->setAttribute("Arm", "SMOOTH", 10.0);
  EXPECT_TRUE(s->isModified());
  s->save(dir.filePath("a.xml"));
  EXPECT_FALSE(s->isModified());
  s->undo();
  EXPECT_TRUE(s->isModified()) << "the saved file holds the edit";
  s->redo();
  EXPECT_FALSE(s->isModified());
  s->undo();
  s->setAttribute("Arm", "SMOOTH", 20.0); // the saved state can no longer be reached
  s->undo();
  EXPECT_TRUE(s->isModified());
  EXPECT_EQ(heard, (QStringList{"0 Set SMOOTH of Arm", "4 ", "1 Set SMOOTH of Arm", "2 Set SMOOTH of Arm",
                                "1 Set SMOOTH of Arm", "0 Set SMOOTH of Arm", "1 Set SMOOTH of Arm"}));
}

TEST(SessionHistory, ALimitForgetsTheOldestStepsAndWithThemASavedStateBeforeThem) {
  QTemporaryDir dir;
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  s->setHistoryLimit(2);
  s->setAttribute("Arm", "STRETCHMAX", 110.0);
  const std::vector<double> afterFirst = everyMatrix(*s);
  s->save(dir.filePath("a.xml"));
  s->setAttribute("Arm", "STRETCHMAX", 120.0);
  s->setAttribute("Arm", "STRETCHMAX", 130.0); // the first step is forgotten
  EXPECT_EQ(s->history().size(), 2);
  EXPECT_TRUE(s->undo());
  EXPECT_TRUE(s->undo());
  EXPECT_FALSE(s->undo());
  EXPECT_EQ(everyMatrix(*s), afterFirst);
  EXPECT_FALSE(s->isModified()) << "the saved state came after the forgotten step";
  s->redo();
  s->redo();
  s->setAttribute("Arm", "STRETCHMAX", 140.0); // now the step the saved state followed goes
  s->undo();
  s->undo();
  EXPECT_TRUE(s->isModified()) << "the saved state can no longer be reached";
  EXPECT_THROW(s->setHistoryLimit(-1), BadArgumentError);
  EXPECT_EQ(s->historyLimit(), 2);
}

// Sizes given outside 1 to 16384 pixels a side, onion skins outside 0 to 1000 frames, and labels
// with no fonts to write them are refused before anything is drawn.
TEST(SessionView, ViewsThatCannotBeDrawnAreRefused) {
  const std::unique_ptr<Session> s = openExample("arm_rig.xml");
  EXPECT_EQ(s->viewSize(ViewSpec{}), QSize(960, 540)); // the default, 16:9
  EXPECT_EQ(s->viewSize(ViewSpec{{}, {}, QSize(16384, 1)}), QSize(16384, 1));
  for (const QSize size : {QSize(0, 10), QSize(10, 0), QSize(-3, 10), QSize(16385, 10), QSize(10, 16385)}) {
    EXPECT_THROW(s->viewSize(ViewSpec{{}, {}, size}), BadArgumentError) << size.width() << "x" << size.height();
    EXPECT_THROW(s->pick({1, 1}, ViewSpec{{}, {}, size}), BadArgumentError);
  }
  for (const int onion : {-1, 1001}) {
    RenderOptions o;
    o.onion = onion;
    EXPECT_THROW(s->renderImage(o), BadArgumentError) << onion;
  }
  RenderOptions labels;
  labels.labels = true;
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_THROW(s->renderImage(labels), BadArgumentError);
}

TEST(SessionButtons, OnlyAPushButtonIsPressed) {
  const std::unique_ptr<Session> s = openExample("static_bake.xml");
  EXPECT_THROW(s->pressButton("Hold", "active"), BadArgumentError);
  EXPECT_THROW(s->pressButton("Hold", "bakeAttr_none"), UnknownNameError);
  EXPECT_TRUE(s->history().isEmpty());
}

TEST(SessionOpen, WithoutAnApplicationThePlugInsAreTheOnesTheBuildPutsBesideVantorel) {
  EXPECT_EQ(QDir(HostSetup::defaultPluginFolder()).canonicalPath(), QDir(VANTOREL_PLUGIN_DIR).canonicalPath());
}

TEST(SessionOpen, ABadFileIsASceneErrorWithItsPlace) {
  try {
    Session::openData("<scene version=\"1\">\n  <node type=\"Peg\" name=\"A\"><attr keyword=\"SKEW\" value=\"x\"/>"
                      "</node>\n</scene>\n",
                      QStringLiteral("bad.xml"));
    FAIL() << "no error";
  } catch (const SceneFileError& e) {
    EXPECT_EQ(e.file(), "bad.xml");
    EXPECT_EQ(e.line(), 2);
    EXPECT_EQ(e.column(), 29);
    EXPECT_TRUE(e.message().startsWith("bad.xml:2:29: node \"A\": ")) << e.what();
  }
}

} // namespace

namespace {

TEST(SessionSelection, AClickSelectsWhatPickReportsAndSelectionStaysOutOfTheHistory) {
  const std::unique_ptr<Session> s = openExample("two_points_arm.xml");
  const PickResult hit = s->pick({751, 323}, ViewSpec{16.0, {}, {}}, {}, true);
  EXPECT_EQ(hit.node, "Hand");
  EXPECT_EQ(hit.mainInputOf, "Arm");
  EXPECT_EQ(s->selection(), QStringList{"Hand"});
  s->select({"Sleeve", "Shoulder"}, true);
  EXPECT_EQ(s->selection(), (QStringList{"Shoulder", "Hand", "Sleeve"})); // scene order
  s->select({"Arm"});
  EXPECT_EQ(s->selection(), QStringList{"Arm"});
  s->clearSelection();
  EXPECT_TRUE(s->selection().isEmpty());
  EXPECT_TRUE(s->history().isEmpty());
  EXPECT_FALSE(s->isModified());
}

} // namespace
