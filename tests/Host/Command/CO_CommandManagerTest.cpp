// The command manager's undo history and the macro's ordering, seen through commands that
// write what happens to them into a log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Command/CO_CommandManager.h"
#include "Command/CO_OrCommand.h"

namespace {

using Log = std::vector<std::string>;

class Recorded : public CO_Command {
public:
  Recorded(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}
  ~Recorded() override { m_log.push_back("~" + m_name); }
  void execute() override { m_log.push_back("exec " + m_name); }
  void undo() override { m_log.push_back("undo " + m_name); }
  void redo() override { m_log.push_back("redo " + m_name); }

private:
  Log& m_log;
  std::string m_name;
};

CO_OrCommand* macro(Log& log, std::initializer_list<const char*> names) {
  auto* m = new CO_OrCommand;
  for (const char* n : names)
    m->add(new Recorded(log, n));
  return m;
}

TEST(OrCommand, RunsChildrenInOrderUndoesThemInReverse) {
  Log log;
  {
    CO_CommandManager mgr;
    mgr.execute(macro(log, {"a", "b", "c"}), QStringLiteral("Step"));
    mgr.undo();
    mgr.redo();
  }
  const Log expected{"exec a", "exec b", "exec c", "undo c", "undo b", "undo a",
                     "redo a", "redo b", "redo c", "~a",     "~b",     "~c"};
  EXPECT_EQ(log, expected);
}

QStringList names(const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// Each row: a sequence of operations ("x:NAME" executes a command named NAME, "u" undo, "r" redo,
// "l:N" sets the limit to N steps), then the history, the names undo and redo would show, the
// log of what ran ("|" between entries) and the steps that can be redone, the next first.
struct HistoryCase {
  const char* name;
  const char *ops, *history, *undoName, *redoName, *log, *redoHistory;
};

class History : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(History, FollowsTheSequence) {
  Log log;
  CO_CommandManager mgr;
  for (const QString& op : names(GetParam().ops)) {
    if (op[0] == QLatin1Char('x'))
      mgr.execute(new Recorded(log, op.mid(2).toStdString()), op.mid(2));
    else if (op[0] == QLatin1Char('l'))
      mgr.setLimit(op.mid(2).toInt());
    else if (op == QLatin1String("u"))
      mgr.undo();
    else
      mgr.redo();
  }
  EXPECT_EQ(mgr.history(), names(GetParam().history));
  EXPECT_EQ(mgr.undoName(), QLatin1String(GetParam().undoName));
  EXPECT_EQ(mgr.redoName(), QLatin1String(GetParam().redoName));
  QStringList ran;
  for (const std::string& entry : log)
    ran << QString::fromStdString(entry);
  EXPECT_EQ(ran.join(QLatin1Char('|')), QLatin1String(GetParam().log));
  EXPECT_EQ(mgr.redoHistory(), names(GetParam().redoHistory));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, History,
    ::testing::Values(
        HistoryCase{"UndoBoth", "x:A x:B u u u", "", "", "A", "exec A|exec B|undo B|undo A", "A B"},
        HistoryCase{"RedoNextFirst", "x:A x:B x:C u u u r", "A", "A", "B",
                    "exec A|exec B|exec C|undo C|undo B|undo A|redo A", "B C"},
        HistoryCase{"NewStepDropsRedo", "x:A x:B u x:C r", "A C", "C", "", "exec A|exec B|undo B|exec C|~B", ""},
        HistoryCase{"LimitForgetsTheOldest", "l:2 x:A x:B x:C u u u", "", "", "B",
                    "exec A|exec B|exec C|~A|undo C|undo B", "B C"},
        HistoryCase{"LowerLimitForgetsAtOnce", "x:A x:B x:C l:1", "C", "C", "", "exec A|exec B|exec C|~A|~B", ""},
        HistoryCase{"LimitKeepsTheRedoStack", "l:2 x:A x:B u u x:C", "C", "C", "",
                    "exec A|exec B|undo B|undo A|exec C|~B|~A", ""},
        HistoryCase{"ZeroLiftsTheLimit", "l:1 x:A l:0 x:B x:C", "A B C", "C", "", "exec A|exec B|exec C", ""}),
    [](const ::testing::TestParamInfo<HistoryCase>& p) { return p.param.name; });

} // namespace
