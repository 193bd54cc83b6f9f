#include "SceneCore/AT_StringAttr.h"

#include "SceneCore/AT_EditCmd.h"

AT_StringAttr::AT_StringAttr(MO_Node* owner, const AT_AttrMeta& meta, const QString& defaultValue, bool, bool)
    : AT_SimpleAttr(owner, meta), m_default(defaultValue), m_local(defaultValue) {}

void AT_StringAttr::setLocalValue(const QString& v) {
  if (v == m_local)
    return;
  m_local = v;
  changed();
}

CO_Command* AT_StringAttr::setTextValue(double, const QString& text) {
  return new AT_EditCmd(this, [this, text] { setLocalValue(text); });
}
