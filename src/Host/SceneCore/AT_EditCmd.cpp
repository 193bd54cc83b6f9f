#include "SceneCore/AT_EditCmd.h"

#include <utility>

AT_EditCmd::AT_EditCmd(AT_Attr* attr, Edit edit) : m_attr(attr), m_edit(std::move(edit)) {}

void AT_EditCmd::execute() {
  if (!m_attr)
    return;
  // Taken now rather than at construction: earlier commands of the same macro may have edited
  // the attribute since.
  m_before = AT_AttrSnapshot(m_attr);
  if (m_edit)
    m_edit();
  m_after = AT_AttrSnapshot(m_attr);
  m_executed = true;
}

void AT_EditCmd::undo() {
  if (m_executed)
    m_before.restore();
}

void AT_EditCmd::redo() {
  if (m_executed)
    m_after.restore();
  else
    execute();
}
