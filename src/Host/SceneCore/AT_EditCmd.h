#pragma once
// The undoable edit of one attribute (a compound with all its parts). execute() takes a
// snapshot, runs the edit through the attribute's setters and takes a second snapshot; undo()
// and redo() write those snapshots back, so both are exact, keys included. The attribute must
// outlive the command. A null attribute or an empty edit gives a command that does nothing.
#include <functional>

#include "Command/CO_Command.h"
#include "SceneCore/AT_AttrSnapshot.h"

class AT_Attr;

class AT_EditCmd : public CO_Command {
public:
  using Edit = std::function<void()>;

  AT_EditCmd(AT_Attr* attr, Edit edit);

  void execute() override;
  void undo() override;
  void redo() override;

  AT_Attr* attr() const { return m_attr; }
  bool executed() const { return m_executed; }

private:
  AT_Attr* m_attr;
  Edit m_edit;
  AT_AttrSnapshot m_before;
  AT_AttrSnapshot m_after;
  bool m_executed = false;
};
