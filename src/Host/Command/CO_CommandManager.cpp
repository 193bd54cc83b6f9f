#include "Command/CO_CommandManager.h"

#include <algorithm>

#include "Command/CO_Command.h"

CO_CommandManager::CO_CommandManager() = default;
CO_CommandManager::~CO_CommandManager() = default;

bool CO_CommandManager::execute(CO_Command* cmd, const QString& name) {
  if (!cmd)
    return false;
  Step step{std::unique_ptr<CO_Command>(cmd), name};
  step.cmd->execute();
  m_redo.clear();
  m_undo.push_back(std::move(step));
  notify(Event::Executed, name);
  dropBeyondLimit();
  return true;
}

bool CO_CommandManager::undo() {
  if (m_undo.empty())
    return false;
  Step step = std::move(m_undo.back());
  m_undo.pop_back();
  step.cmd->undo();
  const QString name = step.name;
  m_redo.push_back(std::move(step));
  notify(Event::Undone, name);
  return true;
}

bool CO_CommandManager::redo() {
  if (m_redo.empty())
    return false;
  Step step = std::move(m_redo.back());
  m_redo.pop_back();
  step.cmd->redo();
  const QString name = step.name;
  m_undo.push_back(std::move(step));
  notify(Event::Redone, name);
  return true;
}

QString CO_CommandManager::undoName() const { return m_undo.empty() ? QString() : m_undo.back().name; }

QString CO_CommandManager::redoName() const { return m_redo.empty() ? QString() : m_redo.back().name; }

QStringList CO_CommandManager::history() const {
  QStringList names;
  for (const Step& s : m_undo)
    names << s.name;
  return names;
}

QStringList CO_CommandManager::redoHistory() const {
  QStringList names;
  for (auto it = m_redo.rbegin(); it != m_redo.rend(); ++it)
    names << it->name;
  return names;
}

void CO_CommandManager::clear() {
  m_undo.clear();
  m_redo.clear();
  notify(Event::Cleared, QString());
}

void CO_CommandManager::setLimit(int steps) {
  m_limit = steps > 0 ? steps : 0;
  dropBeyondLimit();
}

void CO_CommandManager::dropBeyondLimit() {
  while (m_limit > 0 && m_undo.size() > static_cast<std::size_t>(m_limit)) {
    const QString name = m_undo.front().name;
    m_undo.pop_front();
    notify(Event::Dropped, name);
  }
}

int CO_CommandManager::addListener(Listener listener) {
  m_listeners.emplace_back(m_nextListenerId, std::move(listener));
  return m_nextListenerId++;
}

void CO_CommandManager::removeListener(int id) {
  m_listeners.erase(
      std::remove_if(m_listeners.begin(), m_listeners.end(), [id](const auto& l) { return l.first == id; }),
      m_listeners.end());
}

void CO_CommandManager::notify(Event event, const QString& name) {
  // A copy, so that a listener may remove itself while being told.
  const auto listeners = m_listeners;
  for (const auto& l : listeners)
    if (l.second)
      l.second(event, name);
}
