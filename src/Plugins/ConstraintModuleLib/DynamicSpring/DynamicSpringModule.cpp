#include "DynamicSpring/DynamicSpringModule.h"

#include "Core/PortDeclarations.h"
#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kMatchexposures("MATCHEXPOSURES", "Match Animation on Active Attribute");
const AT_DoubleAttrMeta kTensionx("TENSIONX", "Tension X", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiax("INERTIAX", "Inertia X", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensiony("TENSIONY", "Tension Y", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiay("INERTIAY", "Inertia Y", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionz("TENSIONZ", "Tension Z", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiaz("INERTIAZ", "Inertia Z", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionscale("TENSIONSCALE", "Tension Scale", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiascale("INERTIASCALE", "Inertia Scale", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionskew("TENSIONSKEW", "Tension Skew", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiaskew("INERTIASKEW", "Inertia Skew", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionrotate("TENSIONROTATE", "Tension Rotate", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiarotate("INERTIAROTATE", "Inertia Rotate", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kPignore("PIGNORE", "Ignore Parents", "DBL_PIGNORE");
const AT_AttrMeta kParentname("PARENTNAME", "Parent's Name", true);

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Dynamic Transform", "Dynamic Transform"},
    {"Static Transform", "Static Transform"},
    {"Switch", "Switch"},
};

} // namespace

const QString& DynamicSpringModule::typeName() {
  static const QString name = QStringLiteral("DynamicSpring");
  return name;
}

DynamicSpringModule::DynamicSpringModule()
    : Constraint_Module(3),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_matchexposures(new AT_BoolAttr(this, kMatchexposures, false)),
      m_tensionx(new AT_DoubleAttr(this, kTensionx, 1, 7)),
      m_inertiax(new AT_DoubleAttr(this, kInertiax, 1, 80)),
      m_tensiony(new AT_DoubleAttr(this, kTensiony, 1, 7)),
      m_inertiay(new AT_DoubleAttr(this, kInertiay, 1, 80)),
      m_tensionz(new AT_DoubleAttr(this, kTensionz, 1, 7)),
      m_inertiaz(new AT_DoubleAttr(this, kInertiaz, 1, 80)),
      m_tensionscale(new AT_DoubleAttr(this, kTensionscale, 1, 7)),
      m_inertiascale(new AT_DoubleAttr(this, kInertiascale, 1, 80)),
      m_tensionskew(new AT_DoubleAttr(this, kTensionskew, 1, 7)),
      m_inertiaskew(new AT_DoubleAttr(this, kInertiaskew, 1, 80)),
      m_tensionrotate(new AT_DoubleAttr(this, kTensionrotate, 1, 7)),
      m_inertiarotate(new AT_DoubleAttr(this, kInertiarotate, 1, 80)),
      m_pignore(new AT_DoubleAttr(this, kPignore, 1, 0)),
      m_parentname(new AT_StringAttr(this, kParentname, QString(), false, false)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_matchexposures);
  registerAttr(m_tensionx);
  registerAttr(m_inertiax);
  registerAttr(m_tensiony);
  registerAttr(m_inertiay);
  registerAttr(m_tensionz);
  registerAttr(m_inertiaz);
  registerAttr(m_tensionscale);
  registerAttr(m_inertiascale);
  registerAttr(m_tensionskew);
  registerAttr(m_inertiaskew);
  registerAttr(m_tensionrotate);
  registerAttr(m_inertiarotate);
  registerAttr(m_pignore);
  registerAttr(m_parentname);
}

DynamicSpringModule::~DynamicSpringModule() = default;

const MO_SimplePortMetaData* DynamicSpringModule::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}
