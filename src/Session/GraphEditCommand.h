#pragma once
// An undoable edit of the node graph or a node's flags made of two functions: one that applies
// it (run again for redo) and one that puts back what it changed. Both must leave the scene as
// it was found by the other, so that undo and redo give the same matrices bit for bit.
#include <functional>

#include "Command/CO_Command.h"

class GraphEditCommand : public CO_Command {
public:
  GraphEditCommand(std::function<void()> apply, std::function<void()> revert)
      : m_apply(std::move(apply)), m_revert(std::move(revert)) {}

  void execute() override { m_apply(); }
  void undo() override { m_revert(); }

private:
  std::function<void()> m_apply;
  std::function<void()> m_revert;
};
