#include "SceneCore/MO_PivotVisitor.h"

#include "SceneCore/MO_Module.h"

namespace {
MO_VisitorRegistry& pivotRegistry() {
  static MO_VisitorRegistry r;
  return r;
}
} // namespace

void MO_PivotVisitor::registerVisitor(const QString& key, MO_VisitorCallback fn) { pivotRegistry().add(key, fn); }
void MO_PivotVisitor::unregisterVisitor(const QString& key) { pivotRegistry().remove(key); }
const MO_VisitorRegistry& MO_PivotVisitor::registry() const { return pivotRegistry(); }

bool MO_PivotVisitor::visitModule(MO_Module* module) {
  Math::Point3d p;
  if (!module || !module->pivot(m_ctx.frameKey(), p))
    return false;
  m_pivot = p;
  return true;
}
