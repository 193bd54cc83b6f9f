#include "PointConstraints/PointConstraint3Module.h"

#include "Core/PortDeclarations.h"
#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kTransformtype("TRANSFORMTYPE", "Transform Type");
const AT_AttrMeta kPrimaryport("PRIMARYPORT", "Primary Port");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Right Peg", "Right Peg"},
    {"Middle Peg", "Middle Peg"},
    {"Left Peg", "Left Peg"},
    {"Switch", "Switch"},
};

} // namespace

const QString& PointConstraint3Module::typeName() {
  static const QString name = QStringLiteral("PointConstraint3");
  return name;
}

void PointConstraint3Module::mainPortVisitor(MO_AbstractModuleVisitor*, MO_Module*) {
  // Until the node draws its control there is nothing near a click to choose: the main input
  // stays the default one.
}

PointConstraint3Module::PointConstraint3Module()
    : Constraint_Module(2),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_flattentype(new PointConstraint3::FlattenType(this, kFlattentype)),
      m_transformtype(new PointConstraint3::TransformType(this, kTransformtype)),
      m_primaryport(new PointConstraint3::PrimaryPortType(this, kPrimaryport)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_flattentype);
  registerAttr(m_transformtype);
  registerAttr(m_primaryport);
}

PointConstraint3Module::~PointConstraint3Module() = default;

const MO_SimplePortMetaData* PointConstraint3Module::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}
