#include "Core/Constraint_Module.h"

#include "Core/ConstraintPipeline.h"

Constraint_Module::Constraint_Module(int typeId) : Constraint_TemplateModule(typeId, 2, this) {}

Constraint_Module::~Constraint_Module() = default;

void Constraint_Module::initSceneValues() {
  MO_Module::initSceneValues();
  setConstraintType(m_typeId);
}

bool Constraint_Module::acceptVisitor(MO_AbstractModuleVisitor* visitor) {
  return constraintAcceptVisitor(*this, visitor);
}

void Constraint_Module::cachePreferences() {
  MO_Module::cachePreferences();
  setConstraintType(m_typeId);
}

MO_PortTransform* Constraint_Module::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::appending(
      *this, ctx, true, [&](const Math::Matrix4x4& current) { return postTransformation(ctx, current); });
}

MO_PortTransform* Constraint_Module::cachedTransformation(const MO_BaseContext& ctx, bool& found,
                                                          unsigned int outPort) {
  return ConstraintPipeline::cachedTransformation(*this, ctx, found, outPort);
}

bool constraintAcceptVisitor(MO_Module& node, MO_AbstractModuleVisitor* visitor) {
  if (visitor->performDynamicOperation(&node, node.moduleTypeName()))
    return true;
  if (visitor->performDynamicOperation(&node, constraintVisitorKey()))
    return true;
  return visitor->visitModule(&node);
}
