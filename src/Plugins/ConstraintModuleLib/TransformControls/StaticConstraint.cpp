#include "TransformControls/StaticConstraint.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostServices.h"
#include "TransformControls/StaticTransformMath.h"

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
    : Constraint_Module(2), m_active(new AT_BoolAttr(this, kActive, false)),
      m_inverted(new AT_BoolAttr(this, kInverted, false)),
      m_translate(new AT_Position3dAttr(this, kTranslate, false, 0, 0, 0, nullptr)),
      m_rotate(new AT_Rotation3dAttr(this, kRotate, false, nullptr, nullptr, 0, 0, 0)),
      m_scale(new AT_Scale3dAttr(this, kScale, false, nullptr, nullptr)),
      m_skewX(new AT_DoubleAttr(this, kSkewX, 0, 0.0, nullptr, QString())),
      m_skewY(new AT_DoubleAttr(this, kSkewY, 0, 0.0, nullptr, QString())),
      m_skewZ(new AT_DoubleAttr(this, kSkewZ, 0, 0.0, nullptr, QString())),
      m_bake(new AT_PushButtonAttr(this, kBakeImmediate)), m_bakeAll(new AT_PushButtonAttr(this, kBakeAll)) {
  m_translate->separateAttr()->setLocalValue(true);
  m_rotate->separateAttr()->setLocalValue(true);
  m_scale->separateAttr()->setLocalValue(true);
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
  updateMatrix();
}

StaticConstraint::~StaticConstraint() = default;

MO_PortTransform* StaticConstraint::computeTransformation(const MO_BaseContext& ctx) {
  MO_PortTransform* result = MO_Module::computeTransformation(ctx);
  if (!result || !enabled())
    return result;
  // Nothing here computes another node, so the static matrix goes on the end in place.
  if (m_active->value(ctx.frame())) {
    updateMatrix();
    result->append(m_staticMatrix);
  }
  return result;
}

void StaticConstraint::updateMatrix() {
  const Math::Vector3d scale(m_scale->x()->localValue(), m_scale->y()->localValue(), m_scale->z()->localValue());
  const Math::Point3d translation(m_translate->x()->localValue(), m_translate->y()->localValue(),
                                  m_translate->z()->localValue());
  const Math::Vector3d angles(m_rotate->angleX()->localValue(), m_rotate->angleY()->localValue(),
                              m_rotate->angleZ()->localValue());
  const Math::Vector3d skews(m_skewX->localValue(), m_skewY->localValue(), m_skewZ->localValue());
  const bool inverted = m_inverted->localValue();
  if (!sceneMetrics()) {
    m_staticMatrix = Math::Matrix4x4();
    return;
  }
  const Math::Point3d t = sceneMetrics()->toOGL(translation);
  composeMatrix(Math::Vector3d(t.x, t.y, t.z), scale, -angles, skews, inverted);
}

Math::Matrix4x4 StaticConstraint::composeMatrix(const Math::Vector3d& translation, const Math::Vector3d& scale,
                                                const Math::Vector3d& angles, const Math::Vector3d& skews,
                                                bool inverted) {
  const double inputs[12] = {translation.x, translation.y, translation.z, scale.x, scale.y, scale.z,
                             angles.x,      angles.y,      angles.z,      skews.x, skews.y, skews.z};
  if (std::equal(std::begin(inputs), std::end(inputs), std::begin(m_cache)) && inverted == m_cacheInverted)
    return m_staticMatrix;
  ++m_compositions;
  Math::Matrix4x4 m = composeStaticTransform(translation, scale, angles, skews);
  std::copy(std::begin(inputs), std::end(inputs), std::begin(m_cache));
  m_cacheInverted = inverted;
  if (inverted) {
    try {
      m.inverse();
    } catch (...) {
      std::printf("Failed to invert 0-scaled matrix\n");
    }
  }
  sanitizeScale(m);
  m_staticMatrix = m;
  return m;
}

void StaticConstraint::attributeChangedByEditor(const QString& keyword) {
  PLUG_SessionContext* session = PLUG_Services::getSessionContext();
  if (!session) {
    std::printf("No Session available - ensure a scene is loaded/active.\n");
    return;
  }
  CO_CommandManager* manager = session->commandManager();
  if (!manager) {
    std::printf("No command-manager available.\n");
    return;
  }
  const bool immediate = keyword == kBakeImmediate.keyword();
  if (immediate || keyword == kBakeAll.keyword()) {
    auto* macro = new CO_OrCommand;
    bakeTransformation(macro, currentSceneFrame(), immediate);
    manager->execute(macro, QStringLiteral("Bake Transformation onto Constraint"));
  }
  updateMatrix();
}

void StaticConstraint::bakeTransformation(CO_OrCommand* macro, double frame, bool immediateOnly) {
  MO_Module* parent = inputModule(0);
  if (!parent)
    return;
  const MO_BaseContext ctx(MO_FrameKey(frame), 0);
  Math::Matrix4x4 incoming = portMatrix(ctx, 0, true);
  if (immediateOnly && parent->inputModule(0)) {
    // What arrives at the parent's own input.
    Math::Matrix4x4 above = readPortMatrix(ctx, parent, 0, true);
    try {
      above.inverse();
      incoming = above * incoming;
    } catch (...) {
      std::printf("Caught a 0-Scaled matrix, failed to inverse.\n");
    }
  }
  const StaticTransformParts parts = decomposeForBake(incoming);
  if (!sceneMetrics())
    return;
  const Math::Point3d t =
      sceneMetrics()->fromOGL(Math::Point3d(parts.translation.x, parts.translation.y, parts.translation.z));
  macro->add(m_active->setTextValue(frame, QStringLiteral("true")));
  macro->add(Attr::Position3d::createSetValueCmd(m_translate, frame, t.x, t.y, t.z));
  macro->add(Attr::Rotation3d::createSetLocalValueCmd(m_rotate, parts.rotation));
  macro->add(Attr::Scale3d::createSetLocalValueCmd(m_scale, parts.scale.x, parts.scale.y, parts.scale.z));
  macro->add(Attr::Double::createSetValueCmd(m_skewX, frame, parts.skew.x));
  macro->add(Attr::Double::createSetValueCmd(m_skewY, frame, parts.skew.y));
  macro->add(Attr::Double::createSetValueCmd(m_skewZ, frame, parts.skew.z));
}
