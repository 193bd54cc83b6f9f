#pragma once
// Asks a module for its pivot at a frame, in scene units. A module without one leaves the
// pivot as it was (the origin unless set).
#include "BaseCore/Point3d.h"
#include "SceneCore/MO_AbstractModuleVisitor.h"
#include "SceneCore/MO_BaseContext.h"

class MO_PivotVisitor : public MO_AbstractModuleVisitor {
public:
  explicit MO_PivotVisitor(const MO_BaseContext& ctx) : m_ctx(ctx) {}
  static void registerVisitor(const QString& key, MO_VisitorCallback fn);
  static void unregisterVisitor(const QString& key);

  const MO_BaseContext& context() const { return m_ctx; }
  const Math::Point3d& getPivot() const { return m_pivot; }
  void setPivot(const Math::Point3d& p) { m_pivot = p; }
  bool visitModule(MO_Module* module) override;

protected:
  const MO_VisitorRegistry& registry() const override;

private:
  MO_BaseContext m_ctx;
  Math::Point3d m_pivot;
};
