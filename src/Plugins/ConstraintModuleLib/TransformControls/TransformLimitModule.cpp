#include "TransformControls/TransformLimitModule.h"

#include "Core/PortDeclarations.h"
#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", 0.0, 100.0);
const AT_AttrMeta kSwitchtype("SWITCHTYPE", "Switch Effects");
const AT_DoubleAttrMeta kTx("TX", "Translate X", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kTy("TY", "Translate Y", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kTz("TZ", "Translate Z", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kRot("ROT", "Rotate", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSkew("SKEW", "Skew", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSx("SX", "Scale X", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSy("SY", "Scale Y", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_AttrMeta kAllowflip("ALLOWFLIP", "Allow Flipping");
const AT_AttrMeta kUniformscale("UNIFORMSCALE", "Uniform Scale");
const AT_DoubleAttrMeta kPignore("PIGNORE", "Ignore Parents", "DBL_PIGNORE");
const AT_AttrMeta kParentname("PARENTNAME", "Parent's Name", true);
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kSkewtype("SKEWTYPE", "Skew Type");
const AT_AttrMeta kFlipaxis("FLIPAXIS", "Flip Axis");
const AT_AttrMeta kPos("POS", "Control Position");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Limited Transform", "Limited Transform"},
    {"Forced-Transform", "Forced-Transform"},
    {"Switch", "Switch"},
};

} // namespace

const QString& TransformLimitModule::typeName() {
  static const QString name = QStringLiteral("TransformLimit");
  return name;
}

TransformLimitModule::TransformLimitModule()
    : Constraint_Module(2),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_switchtype(new TransformLimit::SwitchType(this, kSwitchtype)),
      m_tx(new AT_DoubleAttr(this, kTx, 1, 100)),
      m_ty(new AT_DoubleAttr(this, kTy, 1, 100)),
      m_tz(new AT_DoubleAttr(this, kTz, 1, 100)),
      m_rot(new AT_DoubleAttr(this, kRot, 1, 100)),
      m_skew(new AT_DoubleAttr(this, kSkew, 1, 100)),
      m_sx(new AT_DoubleAttr(this, kSx, 1, 100)),
      m_sy(new AT_DoubleAttr(this, kSy, 1, 100)),
      m_allowflip(new AT_BoolAttr(this, kAllowflip, true)),
      m_uniformscale(new AT_BoolAttr(this, kUniformscale, false)),
      m_pignore(new AT_DoubleAttr(this, kPignore, 1, 0)),
      m_parentname(new AT_StringAttr(this, kParentname, QString(), false, false)),
      m_flattentype(new TransformLimit::FlattenType(this, kFlattentype)),
      m_skewtype(new TransformLimit::SkewType(this, kSkewtype)),
      m_flipaxis(new TransformLimit::FlipAxisType(this, kFlipaxis)),
      m_pos(new AT_Position2dAttr(this, kPos, true, 0, 0)) {
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_switchtype);
  registerAttr(m_tx);
  registerAttr(m_ty);
  registerAttr(m_tz);
  registerAttr(m_rot);
  registerAttr(m_skew);
  registerAttr(m_sx);
  registerAttr(m_sy);
  registerAttr(m_allowflip);
  registerAttr(m_uniformscale);
  registerAttr(m_pignore);
  registerAttr(m_parentname);
  registerAttr(m_flattentype);
  registerAttr(m_skewtype);
  registerAttr(m_flipaxis);
  registerAttr(m_pos);
}

TransformLimitModule::~TransformLimitModule() = default;

const MO_SimplePortMetaData* TransformLimitModule::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}
