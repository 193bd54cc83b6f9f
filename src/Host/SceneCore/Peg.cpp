#include "SceneCore/Peg.h"

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/PegTransform.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"

const QString Peg::kTypeName = QStringLiteral("Peg");

namespace {
const AT_AttrMeta kPositionMeta("POSITION", "Position");
const AT_AttrMeta kRotationMeta("ROTATION", "Rotation");
const AT_AttrMeta kScaleMeta("SCALE", "Scale");
const AT_DoubleAttrMeta kSkewMeta("SKEW", "Skew", "DBL_STEP_ANGLE_SKEW");
const AT_AttrMeta kPivotMeta("PIVOT", "Pivot");

const bool kRegistered = [] {
  MO_ModuleFactorySingleton().registerClass(
      typeid(Peg), QStringLiteral("Peg"), [] { return new Peg; }, [] { return new Peg; });
  return true;
}();
} // namespace

Peg::Peg()
    : m_position(new AT_Position3dAttr(this, kPositionMeta, true)),
      m_rotation(new AT_Rotation3dAttr(this, kRotationMeta, true)), m_scale(new AT_Scale3dAttr(this, kScaleMeta, true)),
      m_skew(new AT_DoubleAttr(this, kSkewMeta, AT_DoubleAttr::eLinkable, 0.0)),
      m_pivot(new AT_Position3dAttr(this, kPivotMeta, false)),
      m_pickAdaptor(std::make_unique<SLB_ModulePickAdaptor>(this, 1)) {
  addInMatrixPort();
  addOutMatrixPort();
  registerAttr(m_position);
  registerAttr(m_rotation);
  registerAttr(m_scale);
  registerAttr(m_skew);
  registerAttr(m_pivot);
}

Peg::~Peg() = default;

SLB_ModulePickAdaptor* Peg::pickAdaptor() { return m_pickAdaptor.get(); }

Math::Matrix4x4 Peg::localMatrix(double frame) const {
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  PegTransform t;
  t.position = metrics.toOGL(m_position->value(frame));
  t.pivot = metrics.toOGL(m_pivot->value(frame));
  t.angles = m_rotation->value(frame);
  t.skew = m_skew->value(frame);
  t.scale = m_scale->value(frame);
  return t.matrix();
}

MO_PortTransform* Peg::computeTransformation(const MO_BaseContext& ctx) {
  return computeAppending(ctx, [this](double frame) { return localMatrix(frame); });
}

bool Peg::pivot(const MO_FrameKey& key, Math::Point3d& pivot) const {
  pivot = m_pivot->value(key.frame());
  return true;
}
