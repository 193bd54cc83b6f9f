#include "TransformControls/TransformGateModule.h"

#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kTargetGate("TARGET_GATE", "LOCAL TARGET GATE");
const AT_AttrMeta kDefaultGate("DEFAULT_GATE", "DEFAULT GATE");

} // namespace

const QString& TransformGateModule::typeName() {
  static const QString name = QStringLiteral("TransformGate");
  return name;
}

TransformGateModule::TransformGateModule()
    : Constraint_AutoInModule(0, 0),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_target_gate(new AT_IntAttr(this, kTargetGate, true, 1, 0, 2147483647, 1)),
      m_default_gate(new AT_IntAttr(this, kDefaultGate, true, 0, 0, 2147483647, 1)) {
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_target_gate);
  registerAttr(m_default_gate);
}

TransformGateModule::~TransformGateModule() = default;
