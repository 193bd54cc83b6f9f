#include "Command/CO_OrCommand.h"

void CO_OrCommand::add(CO_Command* cmd) {
  if (cmd)
    m_children.emplace_back(cmd);
}

void CO_OrCommand::execute() {
  for (auto& c : m_children)
    c->execute();
}

void CO_OrCommand::undo() {
  for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
    (*it)->undo();
}

void CO_OrCommand::redo() {
  for (auto& c : m_children)
    c->redo();
}
