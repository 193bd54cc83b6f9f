// Nothing is lost, as a user would test it: a save that fails leaves the old file byte for byte
// and the window still marked unsaved; a file changed on disk since it was opened is overwritten
// only when the user says so; closing with unsaved changes asks, and Cancel keeps the window.
// Undo and redo go through the keys and the history list, which names every step.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTemporaryDir>

#include "HistoryPanel.h"
#include "ViewTestSupport.h"

namespace {

// The window over a copy of an example in a folder of the test's own.
struct SavedWindow {
  QTemporaryDir dir;
  QString path;
  TestWindow w;
};

std::unique_ptr<SavedWindow> showCopy(const char* example) {
  auto saved = std::make_unique<SavedWindow>();
  saved->path = saved->dir.filePath(QString::fromLatin1(example));
  EXPECT_TRUE(QFile::copy(QStringLiteral(VANTOREL_EXAMPLES "/") + example, saved->path));
  saved->w = showWindow(Session::open(saved->path));
  return saved;
}

TEST(Saving, AFailedSaveLeavesTheOldFileAndTheWindowUnsaved) {
  const auto c = showCopy("limit_forearm.xml");
  const QByteArray before = bytesOf(c->path);
  Session& s = c->w.session();
  // Text a scene file cannot carry.
  s.setAttribute(QStringLiteral("Limit"), QStringLiteral("PARENTNAME"), QStringLiteral("Shoulder\x01"));
  EXPECT_TRUE(c->w.window->isWindowModified());
  QTest::keyClick(c->w.window.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(c->w.prompts->asked.size(), 1);
  EXPECT_TRUE(c->w.prompts->asked[0].startsWith(QStringLiteral("failed cannot write ") + c->path))
      << c->w.prompts->asked[0].toStdString();
  EXPECT_EQ(bytesOf(c->path), before);
  EXPECT_EQ(QDir(c->dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("limit_forearm.xml")});
  EXPECT_TRUE(c->w.window->isWindowModified());
}

TEST(Saving, AFileChangedOnDiskIsOverwrittenOnlyWhenTheUserSaysSo) {
  const auto c = showCopy("switch_gate.xml");
  Session& s = c->w.session();
  s.setAttribute(QStringLiteral("Gate"), QStringLiteral("ACTIVE"), 50.0);
  // Another program writes the file meanwhile.
  QFile other(c->path);
  ASSERT_TRUE(other.open(QIODevice::Append));
  other.write("<!-- edited elsewhere -->\n");
  other.close();
  const QByteArray theirs = bytesOf(c->path);

  c->w.prompts->changedOnDisk = WindowPrompts::Answer::Cancel;
  EXPECT_FALSE(c->w.window->save());
  EXPECT_EQ(c->w.prompts->asked, QStringList{QStringLiteral("changed switch_gate.xml")});
  EXPECT_EQ(bytesOf(c->path), theirs);
  EXPECT_TRUE(c->w.window->isWindowModified());

  c->w.prompts->changedOnDisk = WindowPrompts::Answer::Overwrite;
  EXPECT_TRUE(c->w.window->save());
  EXPECT_FALSE(c->w.window->isWindowModified());
  EXPECT_EQ(evalFile(c->path), everyMatrix(s));
  // Saved, the file is the window's own again: no question the next time.
  s.setAttribute(QStringLiteral("Gate"), QStringLiteral("ACTIVE"), 60.0);
  c->w.prompts->asked.clear();
  EXPECT_TRUE(c->w.window->save());
  EXPECT_TRUE(c->w.prompts->asked.isEmpty());
}

struct Closing {
  const char* name;
  bool edited;
  WindowPrompts::Answer answer;
  bool closes;
  bool saved;
};

class ClosingTheWindow : public ::testing::TestWithParam<Closing> {};

TEST_P(ClosingTheWindow, AsksOnlyWithUnsavedChangesAndDoesWhatTheUserSays) {
  const Closing& row = GetParam();
  const auto c = showCopy("switch_gate.xml");
  const QByteArray before = bytesOf(c->path);
  if (row.edited)
    c->w.session().setAttribute(QStringLiteral("Gate"), QStringLiteral("ACTIVE"), 50.0);
  c->w.prompts->unsaved = row.answer;
  EXPECT_EQ(c->w.window->close(), row.closes);
  EXPECT_EQ(c->w.prompts->asked, row.edited ? QStringList{QStringLiteral("unsaved switch_gate.xml")} : QStringList());
  EXPECT_EQ(c->w.window->isVisible(), !row.closes);
  EXPECT_EQ(bytesOf(c->path) != before, row.saved);
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingTheWindow,
                         ::testing::Values(Closing{"nothingToLose", false, WindowPrompts::Answer::Cancel, true, false},
                                           Closing{"cancel", true, WindowPrompts::Answer::Cancel, false, false},
                                           Closing{"discard", true, WindowPrompts::Answer::Discard, true, false},
                                           Closing{"save", true, WindowPrompts::Answer::Save, true, true}),
                         [](const ::testing::TestParamInfo<Closing>& row) { return std::string(row.param.name); });

TEST(History, TheKeysAndTheListUndoAndRedoEachStepByName) {
  TestWindow w = showExample("switch_gate.xml");
  Session& s = w.session();
  const std::vector<double> opened = everyMatrix(s);
  s.setAttribute(QStringLiteral("Gate"), QStringLiteral("ACTIVE"), 50.0);
  const std::vector<double> one = everyMatrix(s);
  dragMouse(w.viewport(), {226, 342}, {226, 100});
  const std::vector<double> two = everyMatrix(s);
  HistoryPanel* list = w.window->history();
  const QStringList names{"Opened switch_gate.xml", "Set ACTIVE of Gate", "Change Switch Module"};
  EXPECT_EQ(list->names(), names);
  EXPECT_EQ(list->currentRow(), 2);

  QTest::keyClick(w.window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(everyMatrix(s), one);
  EXPECT_EQ(list->names(), names) << "an undone step stays listed, to be redone";
  EXPECT_EQ(list->currentRow(), 1);
  QTest::keyClick(w.window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(everyMatrix(s), two);
  EXPECT_EQ(list->currentRow(), 2);

  list->setCurrentRow(0); // the scene as opened
  EXPECT_EQ(everyMatrix(s), opened);
  EXPECT_EQ(s.redoHistory(), (QStringList{"Set ACTIVE of Gate", "Change Switch Module"}));
  EXPECT_FALSE(w.window->isWindowModified());
  list->setCurrentRow(2);
  EXPECT_EQ(everyMatrix(s), two);
}

} // namespace
