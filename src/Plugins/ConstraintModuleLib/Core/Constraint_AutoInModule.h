#pragma once
// The base of constraint nodes with any number of input ports (image ports when built with
// port kind 1, matrix ports otherwise). It behaves as Constraint_Module does in every other way.
#include "Core/Constraint_TemplateModule.h"

class Constraint_AutoInModule : public MO_AutoInPortsModule, public Constraint_TemplateModule {
public:
  Constraint_AutoInModule(int typeId, int inputPortKind);
  ~Constraint_AutoInModule() override;

  QString baseClassName() const override { return QStringLiteral("Constraint_AutoInModule"); }
  int nodeTypeId() const override { return m_typeId; }
  void initSceneValues() override;
  bool acceptVisitor(MO_AbstractModuleVisitor* visitor) override;
  void cachePreferences() override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;

  virtual MO_PortTransform* cachedTransformation(const MO_BaseContext& ctx, bool& found, unsigned int outPort);
};
