#include "SceneCore/AT_AttrVisitor.h"

#include "SceneCore/AT_EnumAttrBase.h"

bool AT_AttrVisitor::performDynamicOperation(AT_Attr* attr, const UT_DynKey& key) {
  auto it = m_operations.find(key);
  if (it == m_operations.end())
    return false;
  it->second(*this, attr);
  return true;
}

void AT_AttrVisitor::visitEnumAttr(AT_EnumAttrBase* attr) { visitAttr(attr); }
