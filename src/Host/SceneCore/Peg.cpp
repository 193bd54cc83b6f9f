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

const AT_DoubleAttr* Peg::channelAttr(int i) const {
  switch (i) {
  case 0:
  case 1:
  case 2:
    return m_position->part(i);
  case 3:
  case 4:
  case 5:
    return m_pivot->part(i - 3);
  case 6:
  case 7:
  case 8:
    return m_rotation->part(i - 6);
  case 9:
    return m_skew;
  default:
    return m_scale->part(i - 10);
  }
}

Peg::Channels Peg::gatherChannels() const {
  Channels channels;
  for (int i = 0; i < kChannels; ++i) {
    Channel& c = channels.at[i];
    const AT_DoubleAttr* attr = channelAttr(i);
    const AT_Keys* keys = static_cast<const AT_Attr*>(attr)->keys();
    c.keys = keys && !keys->empty() ? keys : nullptr;
    if (c.keys)
      c.range = &attr->doubleMeta();
    else
      c.value = attr->localValue();
    if (attr->scalarSurrogate())
      channels.live |= std::uint16_t(1u << i);
  }
  // Angles x, y, z and the skew are channels 6 to 9; one that holds turns the same way at every
  // frame.
  for (int which = 0; which < 4; ++which) {
    const Channel& c = channels.at[6 + which];
    if (!(channels.live & (1u << (6 + which))) && !c.keys) {
      channels.turns.turn[which] = PegTransform::Turn::of(c.value);
      channels.turns.known |= 1u << which;
    }
  }
  return channels;
}

// What AT_DoubleAttr::value gives: the keys' value held to the hard range, else the value.
double Peg::channel(const Channels& cs, int i, double frame) const {
  if (cs.live & (1u << i))
    return channelAttr(i)->value(frame);
  const Channel& c = cs.at[i];
  if (!c.keys)
    return c.value;
  return std::min(std::max(*c.keys->value(frame), c.range->min()), c.range->max());
}

Math::Matrix4x4 Peg::localMatrix(double frame) const {
  const Channels& gathered = m_channels.get([this] { return gatherChannels(); });
  const auto c = [&](int i) { return channel(gathered, i, frame); };
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  PegTransform t;
  t.position = metrics.toOGL(Math::Point3d(c(0), c(1), c(2)));
  t.pivot = metrics.toOGL(Math::Point3d(c(3), c(4), c(5)));
  t.angles = Math::Vector3d(c(6), c(7), c(8));
  t.skew = c(9);
  t.scale = Math::Vector3d(c(10), c(11), c(12));
  return t.matrix(&gathered.turns);
}

MO_PortTransform* Peg::computeTransformation(const MO_BaseContext& ctx) {
  return appending(ctx, [this](double frame) { return localMatrix(frame); });
}

bool Peg::pivot(const MO_FrameKey& key, Math::Point3d& pivot) const {
  pivot = m_pivot->value(key.frame());
  return true;
}
