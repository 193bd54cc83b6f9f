#pragma once
// A macro: commands run as one step. execute() and redo() run the children in the order they
// were added, undo() in reverse, so each child undoes onto the state it saw. It owns its
// children; null children are ignored and an empty macro is a valid step that does nothing.
#include <memory>
#include <vector>

#include "Command/CO_Command.h"

class CO_OrCommand : public CO_Command {
public:
  CO_OrCommand() = default;

  // Takes ownership.
  void add(CO_Command* cmd);
  int size() const { return static_cast<int>(m_children.size()); }
  bool isEmpty() const { return m_children.empty(); }
  CO_Command* child(int i) const { return m_children[static_cast<std::size_t>(i)].get(); }

  void execute() override;
  void undo() override;
  void redo() override;

private:
  std::vector<std::unique_ptr<CO_Command>> m_children;
};
