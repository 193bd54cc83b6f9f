#pragma once
// The base of constraint nodes with a fixed set of input ports. It applies the type's colours
// when the node enters a scene and when preferences change, forwards visitors to callbacks
// registered under the node's type name or the shared constraint key, and runs the base
// pipeline: a stored result for the frame is served as it is; otherwise postTransformation is
// appended to what arrives at the main input (a disabled node passes it through).
#include "Core/Constraint_TemplateModule.h"

class Constraint_Module : public MO_Module, public Constraint_TemplateModule {
public:
  explicit Constraint_Module(int typeId);
  ~Constraint_Module() override;

  QString baseClassName() const override { return QStringLiteral("Constraint_Module"); }
  int nodeTypeId() const override { return m_typeId; }
  void initSceneValues() override;
  bool acceptVisitor(MO_AbstractModuleVisitor* visitor) override;
  void cachePreferences() override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;

  virtual MO_PortTransform* cachedTransformation(const MO_BaseContext& ctx, bool& found, unsigned int outPort);
};

// The visitor dispatch both constraint bases share: the callback under the node's type name,
// then the one under the shared key, then the visitor's generic visit.
bool constraintAcceptVisitor(MO_Module& node, MO_AbstractModuleVisitor* visitor);
