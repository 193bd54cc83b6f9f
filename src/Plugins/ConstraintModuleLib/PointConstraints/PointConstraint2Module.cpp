#include "PointConstraints/PointConstraint2Module.h"

#include "Core/PortDeclarations.h"
#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_DoubleAttrMeta kVolumemod("VOLUMEMOD", "Volume Modifier", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kVolumemax("VOLUMEMAX", "Volume Max", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kVolumemin("VOLUMEMIN", "Volume Min", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kStretchmax("STRETCHMAX", "Distance Max", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kStretchmin("STRETCHMIN", "Distance Min", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kSkewcontrol("SKEWCONTROL", "Skew Modifier", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kSmooth("SMOOTH", "Smoothing", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kBalance("BALANCE", "Point Balance", "DBL_STEP_CONSTRAINT_RATIO");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kTransformtype("TRANSFORMTYPE", "Transform Type");
const AT_AttrMeta kPrimaryport("PRIMARYPORT", "Primary Port");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Right Peg", "Right Peg"},
    {"Left Peg", "Left Peg"},
    {"Switch", "Switch"},
};

} // namespace

const QString& PointConstraint2Module::typeName() {
  static const QString name = QStringLiteral("PointConstraint2");
  return name;
}

void PointConstraint2Module::mainPortVisitor(MO_AbstractModuleVisitor*, MO_Module*) {
  // Until the node draws its control there is nothing near a click to choose: the main input
  // stays the default one.
}

PointConstraint2Module::PointConstraint2Module()
    : Constraint_Module(2),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_volumemod(new AT_DoubleAttr(this, kVolumemod, 1, 75)),
      m_volumemax(new AT_DoubleAttr(this, kVolumemax, 1, 200)),
      m_volumemin(new AT_DoubleAttr(this, kVolumemin, 1, 25)),
      m_stretchmax(new AT_DoubleAttr(this, kStretchmax, 1, 0)),
      m_stretchmin(new AT_DoubleAttr(this, kStretchmin, 1, 0)),
      m_skewcontrol(new AT_DoubleAttr(this, kSkewcontrol, 1, 0)),
      m_smooth(new AT_DoubleAttr(this, kSmooth, 1, 0)),
      m_balance(new AT_DoubleAttr(this, kBalance, 1, 0)),
      m_flattentype(new PointConstraint2::FlattenType(this, kFlattentype)),
      m_transformtype(new PointConstraint2::TransformType(this, kTransformtype)),
      m_primaryport(new PointConstraint2::PrimaryPortType(this, kPrimaryport)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_volumemod);
  registerAttr(m_volumemax);
  registerAttr(m_volumemin);
  registerAttr(m_stretchmax);
  registerAttr(m_stretchmin);
  registerAttr(m_skewcontrol);
  registerAttr(m_smooth);
  registerAttr(m_balance);
  registerAttr(m_flattentype);
  registerAttr(m_transformtype);
  registerAttr(m_primaryport);
}

PointConstraint2Module::~PointConstraint2Module() = default;

const MO_SimplePortMetaData* PointConstraint2Module::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}
