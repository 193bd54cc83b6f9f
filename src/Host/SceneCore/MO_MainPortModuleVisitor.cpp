#include "SceneCore/MO_MainPortModuleVisitor.h"

#include "SceneCore/MO_Module.h"

namespace {
MO_VisitorRegistry& mainPortRegistry() {
  static MO_VisitorRegistry r;
  return r;
}
} // namespace

void MO_MainPortModuleVisitor::registerVisitor(const QString& key, MO_VisitorCallback fn) {
  mainPortRegistry().add(key, fn);
}
void MO_MainPortModuleVisitor::unregisterVisitor(const QString& key) { mainPortRegistry().remove(key); }
const MO_VisitorRegistry& MO_MainPortModuleVisitor::registry() const { return mainPortRegistry(); }

bool MO_MainPortModuleVisitor::visitModule(MO_Module* module) {
  return module && performDynamicOperation(module, module->moduleTypeName());
}
