#include "SceneCore/Peg.h"

#include <algorithm>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Revision.h"
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

Peg::Channels Peg::gatherChannels() const {
  const AT_DoubleAttr* attrs[kChannels] = {
      m_position->x(), m_position->y(),      m_position->z(),      m_pivot->x(),         m_pivot->y(),
      m_pivot->z(),    m_rotation->angleX(), m_rotation->angleY(), m_rotation->angleZ(), m_skew,
      m_scale->x(),    m_scale->y(),         m_scale->z()};
  Channels channels;
  for (int i = 0; i < kChannels; ++i) {
    Channel& c = channels.at[i];
    c.attr = attrs[i];
    const AT_Keys* keys = static_cast<const AT_Attr*>(c.attr)->keys();
    c.keys = keys && !keys->empty() ? keys : nullptr;
    c.value = c.attr->localValue();
    c.lo = c.attr->doubleMeta().min();
    c.hi = c.attr->doubleMeta().max();
    c.live = c.attr->scalarSurrogate() != nullptr;
  }
  // Angles x, y, z and the skew are channels 6 to 9; one that holds turns the same way at every
  // frame.
  for (int which = 0; which < 4; ++which) {
    const Channel& c = channels.at[6 + which];
    if (!c.live && !c.keys) {
      channels.turns.turn[which] = PegTransform::Turn::of(c.value);
      channels.turns.known |= 1u << which;
    }
  }
  return channels;
}

// What AT_DoubleAttr::value gives: the keys' value held to the hard range, else the value.
double Peg::channel(const Channel& c, double frame) {
  if (c.live)
    return c.attr->value(frame);
  if (!c.keys)
    return c.value;
  return std::min(std::max(*c.keys->value(frame), c.lo), c.hi);
}

Math::Matrix4x4 Peg::localMatrix(double frame) const {
  const Channels& gathered = m_channels.get([this] { return gatherChannels(); });
  const auto& c = gathered.at;
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  PegTransform t;
  t.position = metrics.toOGL(Math::Point3d(channel(c[0], frame), channel(c[1], frame), channel(c[2], frame)));
  t.pivot = metrics.toOGL(Math::Point3d(channel(c[3], frame), channel(c[4], frame), channel(c[5], frame)));
  t.angles = Math::Vector3d(channel(c[6], frame), channel(c[7], frame), channel(c[8], frame));
  t.skew = channel(c[9], frame);
  t.scale = Math::Vector3d(channel(c[10], frame), channel(c[11], frame), channel(c[12], frame));
  return t.matrix(&gathered.turns);
}

MO_PortTransform* Peg::computeTransformation(const MO_BaseContext& ctx) {
  return appending(ctx, [this](double frame) { return localMatrix(frame); });
}

bool Peg::pivot(const MO_FrameKey& key, Math::Point3d& pivot) const {
  pivot = m_pivot->value(key.frame());
  return true;
}
