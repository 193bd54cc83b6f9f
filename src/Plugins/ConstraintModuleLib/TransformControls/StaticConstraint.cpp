#include "TransformControls/StaticConstraint.h"

#include "HostInterface/HostAttributes.h"

namespace {

// This node's keywords are lower and mixed case; they are part of the scene file format.
const AT_AttrMeta kBakeImmediate("bakeAttr", "Bake Immediate Parent's Transformation");
const AT_AttrMeta kBakeAll("bakeAttr_all", "Bake All Incoming Transformations");
const AT_AttrMeta kActive("active", "Active");
const AT_AttrMeta kTranslate("translate", "Translate");
const AT_AttrMeta kScale("scale", "Skew");
const AT_AttrMeta kRotate("rotate", "Rotate");
const AT_DoubleAttrMeta kSkewX("skewX", "Skew X", "DBL_STEP_ANGLE_SKEW");
const AT_DoubleAttrMeta kSkewY("skewY", "Skew Y", "DBL_STEP_ANGLE_SKEW");
const AT_DoubleAttrMeta kSkewZ("skewZ", "Skew Z", "DBL_STEP_ANGLE_SKEW");
const AT_AttrMeta kInverted("inverted", "Invert Transformation");

} // namespace

const QString& StaticConstraint::typeName() {
  static const QString name = QStringLiteral("StaticConstraint");
  return name;
}

StaticConstraint::StaticConstraint()
    : Constraint_Module(2),
      m_active(new AT_BoolAttr(this, kActive, false)),
      m_inverted(new AT_BoolAttr(this, kInverted, false)),
      m_translate(new AT_Position3dAttr(this, kTranslate, false, 0, 0, 0, nullptr)),
      m_rotate(new AT_Rotation3dAttr(this, kRotate, false, nullptr, nullptr, 0, 0, 0)),
      m_scale(new AT_Scale3dAttr(this, kScale, false, nullptr, nullptr)),
      m_skewX(new AT_DoubleAttr(this, kSkewX, 0, 0.0, nullptr, QString())),
      m_skewY(new AT_DoubleAttr(this, kSkewY, 0, 0.0, nullptr, QString())),
      m_skewZ(new AT_DoubleAttr(this, kSkewZ, 0, 0.0, nullptr, QString())),
      m_bake(new AT_PushButtonAttr(this, kBakeImmediate)),
      m_bakeAll(new AT_PushButtonAttr(this, kBakeAll)) {
  addInMatrixPort();
  addOutMatrixPort();
  // Editors list the buttons first, so the registration order differs from the creation order.
  registerAttr(m_bake);
  registerAttr(m_bakeAll);
  registerAttr(m_active);
  registerAttr(m_translate);
  registerAttr(m_scale);
  registerAttr(m_rotate);
  registerAttr(m_skewX);
  registerAttr(m_skewY);
  registerAttr(m_skewZ);
  registerAttr(m_inverted);
}

StaticConstraint::~StaticConstraint() = default;
