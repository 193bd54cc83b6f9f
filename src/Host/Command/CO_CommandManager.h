#pragma once
// Runs commands and keeps them, with the names the user sees, in an undo history and a redo
// stack. Executing a new command drops whatever could have been redone. A null command is
// refused (nothing is recorded). The history may be bounded: beyond its limit the oldest steps
// are forgotten (destroyed, not undone). Listeners hear of every step, in the order they were
// added.
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class CO_Command;

class CO_CommandManager {
public:
  enum class Event { Executed, Undone, Redone, Cleared, Dropped };
  using Listener = std::function<void(Event event, const QString& name)>;

  CO_CommandManager();
  ~CO_CommandManager();
  CO_CommandManager(const CO_CommandManager&) = delete;
  CO_CommandManager& operator=(const CO_CommandManager&) = delete;

  // Takes ownership, runs the command and records it under the name. False for a null command.
  bool execute(CO_Command* cmd, const QString& name);
  // False when there is nothing to undo (or redo).
  bool undo();
  bool redo();
  bool canUndo() const { return !m_undo.empty(); }
  bool canRedo() const { return !m_redo.empty(); }
  // The name of the step undo (redo) would take back; empty when there is none.
  QString undoName() const;
  QString redoName() const;
  // The names of the steps that can be undone, oldest first.
  QStringList history() const;
  // The names of the steps that can be redone, the next one first.
  QStringList redoHistory() const;
  // Forgets every step (the commands are destroyed, nothing is undone).
  void clear();
  // Keeps at most `steps` steps to undo (0: no limit, the default). A new step beyond it, or a
  // lower limit, forgets the oldest ones, each with a Dropped event naming it.
  void setLimit(int steps);
  int limit() const { return m_limit; }

  // Returns an id for removeListener.
  int addListener(Listener listener);
  void removeListener(int id);

private:
  struct Step {
    std::unique_ptr<CO_Command> cmd;
    QString name;
  };
  void notify(Event event, const QString& name);
  void dropBeyondLimit();

  std::deque<Step> m_undo; // oldest first, so a bounded history forgets from the front
  std::vector<Step> m_redo;
  std::vector<std::pair<int, Listener>> m_listeners;
  int m_nextListenerId = 1;
  int m_limit = 0;
};
