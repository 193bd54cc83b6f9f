#include "SceneCore/Camera.h"

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/PegTransform.h"
#include "SceneCore/SC_SceneCommon.h"

const QString Camera::kTypeName = QStringLiteral("Camera");

namespace {
const AT_AttrMeta kPositionMeta("POSITION", "Position");
const AT_AttrMeta kRotationMeta("ROTATION", "Rotation");
// The field of view must stay strictly between 0 and 180 degrees for the projection to exist.
const AT_DoubleAttrMeta kFovMeta("FOV", "Field of View", "DBL_STEP_ANGLE", 1.0, 179.0, 0.001, 179.999, 1.0);
const AT_DoubleAttrMeta kNearMeta("NEAR", "Near Plane", "DBL_STEP_DISTANCE", 0.001, 100.0, 1e-9, 1e9, 0.1);
const AT_DoubleAttrMeta kFarMeta("FAR", "Far Plane", "DBL_STEP_DISTANCE", 1.0, 10000.0, 1e-9, 1e12, 1.0);

const bool kRegistered = [] {
  MO_ModuleFactorySingleton().registerClass(
      typeid(Camera), QStringLiteral("Camera"), [] { return new Camera; }, [] { return new Camera; });
  return true;
}();
} // namespace

Camera::Camera()
    : m_position(new AT_Position3dAttr(this, kPositionMeta, true)),
      m_rotation(new AT_Rotation3dAttr(this, kRotationMeta, true)),
      m_fov(new AT_DoubleAttr(this, kFovMeta, AT_DoubleAttr::eLinkable, kDefaultFieldOfView)),
      m_near(new AT_DoubleAttr(this, kNearMeta, AT_DoubleAttr::eLinkable, 0.1)),
      m_far(new AT_DoubleAttr(this, kFarMeta, AT_DoubleAttr::eLinkable, 1000.0)) {
  addInMatrixPort();
  addOutMatrixPort();
  registerAttr(m_position);
  registerAttr(m_rotation);
  registerAttr(m_fov);
  registerAttr(m_near);
  registerAttr(m_far);
}

MO_PortTransform* Camera::computeTransformation(const MO_BaseContext& ctx) {
  return computeAppending(ctx, [this](double frame) {
    const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
    PegTransform local;
    local.position = metrics.toOGL(m_position->value(frame));
    local.angles = m_rotation->value(frame);
    return local.matrix();
  });
}

double Camera::fieldOfView(double frame) const { return m_fov->value(frame); }
double Camera::nearPlane(double frame) const { return m_near->value(frame); }
double Camera::farPlane(double frame) const { return m_far->value(frame); }
