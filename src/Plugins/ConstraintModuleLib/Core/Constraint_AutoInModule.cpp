#include "Core/Constraint_AutoInModule.h"

#include "Core/ConstraintPipeline.h"
#include "Core/Constraint_Module.h"

namespace {
MO_PortManipulator* makeManipulator(MO_AutoInPortsModule* self, int inputPortKind) {
  if (inputPortKind == 1)
    return new MO_ImagePortManipulator(self);
  return new MO_MatrixPortManipulator(self);
}
} // namespace

Constraint_AutoInModule::Constraint_AutoInModule(int typeId, int inputPortKind)
    : MO_AutoInPortsModule(makeManipulator(this, inputPortKind)),
      Constraint_TemplateModule(typeId, inputPortKind, this) {}

Constraint_AutoInModule::~Constraint_AutoInModule() = default;

void Constraint_AutoInModule::initSceneValues() {
  MO_AutoInPortsModule::initSceneValues();
  setConstraintType(m_typeId);
}

bool Constraint_AutoInModule::acceptVisitor(MO_AbstractModuleVisitor* visitor) {
  return constraintAcceptVisitor(*this, visitor);
}

void Constraint_AutoInModule::cachePreferences() {
  MO_AutoInPortsModule::cachePreferences();
  setConstraintType(m_typeId);
}

MO_PortTransform* Constraint_AutoInModule::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::appending(
      *this, ctx, true, [&](const Math::Matrix4x4& current) { return postTransformation(ctx, current); });
}

MO_PortTransform* Constraint_AutoInModule::cachedTransformation(const MO_BaseContext& ctx, bool& found,
                                                                unsigned int outPort) {
  return ConstraintPipeline::cachedTransformation(*this, ctx, found, outPort);
}
