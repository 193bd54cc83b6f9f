#include "SceneCore/MO_AbstractModuleVisitor.h"

MO_VisitorCallback MO_VisitorRegistry::find(const QString& key) const {
  auto it = m_callbacks.find(key);
  return it == m_callbacks.end() ? nullptr : it->second;
}

bool MO_AbstractModuleVisitor::performDynamicOperation(MO_Module* module, const QString& key) {
  MO_VisitorCallback fn = registry().find(key);
  if (!fn)
    return false;
  fn(this, module);
  return true;
}
