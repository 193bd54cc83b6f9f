#include "TransformControls/Switch.h"

#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kGatenum("GATENUM", "TARGET GATE");
const AT_AttrMeta kUioffsetpos("UIOFFSETPOS", "GUI OFFSET");
const AT_DoubleAttrMeta kUiscale("UISCALE", "GUI SCALE", "DBL_STEP_CONSTRAINT_RATIOFLOAT");

} // namespace

const QString& Switch::typeName() {
  static const QString name = QStringLiteral("Switch");
  return name;
}

Switch::Switch()
    : Constraint_Module(5),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_gatenum(new AT_IntAttr(this, kGatenum, true, 0, 0, 2147483647, 1)),
      m_uioffsetpos(new AT_Position2dAttr(this, kUioffsetpos, false, 0, 0)),
      m_uiscale(new AT_DoubleAttr(this, kUiscale, 0, 1)) {
  addInMatrixPort();
  addOutImagePort();
  registerAttr(m_active);
  registerAttr(m_gatenum);
  registerAttr(m_uioffsetpos);
  registerAttr(m_uiscale);
}

Switch::~Switch() = default;

double Switch::switchActiveValue(const MO_BaseContext& ctx, bool& found) {
  found = true;
  return m_active->value(ctx.frame());
}

int Switch::switchTargetGate(const MO_BaseContext& ctx, bool& found) {
  found = true;
  return m_gatenum->value(ctx.frame());
}
