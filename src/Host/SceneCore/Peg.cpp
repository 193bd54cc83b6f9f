#include "SceneCore/Peg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

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
#include "SceneCore/UT_Prefetch.h"

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
  reserveAttrs(5);
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

namespace {
bool sameBits(double a, double b) {
  std::uint64_t x, y;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

// What AT_DoubleAttr::value does to the keys' value: hold it to the hard range.
double inRange(double v, const AT_DoubleAttrMeta& range) { return std::min(std::max(v, range.min()), range.max()); }

// Whether every value a frame within the stretch gives, v0 + dv * t for t in [0, 1] with its
// rounding, lies strictly inside the hard range, so that holding it there leaves it as it is.
// A held stretch's value is held at its lookup; a smooth one is not known without its keys.
bool staysInRange(const AT_Keys::Stretch& s, const AT_DoubleAttrMeta& range) {
  if (s.kind == AT_Keys::Stretch::Held)
    return true;
  if (s.kind != AT_Keys::Stretch::Linear)
    return false;
  const double v1 = s.v0 + s.dv;
  // Far more than the few units in the last place the interpolation can stray by.
  const double margin = 1e-12 * (std::fabs(s.v0) + std::fabs(s.dv));
  // False for a NaN or an infinity anywhere, which then goes through the range as before.
  return range.min() < std::min(s.v0, v1) - margin && std::max(s.v0, v1) + margin < range.max();
}

// A stretch no frame falls in, so that the first frame looks its own up.
constexpr AT_Keys::Stretch kNoStretch{std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      0.0,
                                      0.0,
                                      0.0,
                                      AT_Keys::Stretch::Held};
constexpr unsigned kAllChannels = (1u << 13) - 1;
} // namespace

Peg::Channels Peg::gatherChannels() const {
  Channels channels;
  for (int i = 0; i < kChannels; ++i) {
    const AT_DoubleAttr* attr = channelAttr(i);
    const AT_Keys* keys = static_cast<const AT_Attr*>(attr)->keys();
    if (attr->scalarSurrogate())
      channels.live |= std::uint16_t(1u << i);
    else if (keys && !keys->empty())
      channels.keyed.push_back({attr, kNoStretch, i});
    else
      channels.value[static_cast<std::size_t>(i)] = attr->localValue();
  }
  // Kept by every peg until the next edit: no room beyond what it holds.
  channels.keyed.shrink_to_fit();
  return channels;
}

unsigned Peg::readChannels(const Channels& c, double frame) const {
  unsigned moved = 0;
  const auto set = [&](int i, double v) {
    double& kept = c.value[static_cast<std::size_t>(i)];
    if (!sameBits(kept, v)) {
      kept = v;
      moved |= 1u << i;
    }
  };
  for (const Keyed& k : c.keyed) {
    AT_Keys::Stretch& s = k.stretch;
    if (!(s.from <= frame && frame < s.to)) {
      const AT_DoubleAttrMeta& range = k.attr->doubleMeta();
      s = k.attr->storedKeys().stretch(frame);
      if (s.kind == AT_Keys::Stretch::Held)
        s.v0 = inRange(s.v0, range);
      k.mayLeaveRange = !staysInRange(s, range);
    }
    // Within the stretch only the keyed block is read; the attribute (its range, its keys) is
    // visited only where the value may leave the range or only the keys know it.
    if (s.kind == AT_Keys::Stretch::Held)
      set(k.index, s.v0);
    else if (s.kind == AT_Keys::Stretch::Linear) {
      const double v = frame == s.from ? s.v0 : s.v0 + s.dv * ((frame - s.from) / s.span);
      set(k.index, k.mayLeaveRange ? inRange(v, k.attr->doubleMeta()) : v);
    } else
      set(k.index, inRange(*k.attr->storedKeys().value(frame), k.attr->doubleMeta()));
  }
  for (unsigned live = c.live; live; live &= live - 1) {
    const int i = __builtin_ctz(live);
    set(i, channelAttr(i)->value(frame));
  }
  return moved;
}

Math::Matrix4x4 Peg::localMatrix(double frame) const {
  const Channels& c = m_channels.get([this] { return gatherChannels(); });
  unsigned moved = readChannels(c, frame);
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  const double factors[3] = {metrics.fx(), metrics.fy(), metrics.fz()};
  if (!c.made || !sameBits(factors[0], c.metrics[0]) || !sameBits(factors[1], c.metrics[1]) ||
      !sameBits(factors[2], c.metrics[2])) {
    std::copy(factors, factors + 3, c.metrics);
    moved = kAllChannels;
  }
  if (!moved)
    return c.matrix;
  // Angles x, y, z and the skew are channels 6 to 9: only one that moved turns anew.
  for (int which = 0; which < 4; ++which)
    if (moved >> (6 + which) & 1u)
      c.turns.turn[which] = PegTransform::Turn::of(c.value[static_cast<std::size_t>(6 + which)]);
  c.turns.known = 0xfu;
  const auto& v = c.value;
  PegTransform t;
  t.position = metrics.toOGL(Math::Point3d(v[0], v[1], v[2]));
  t.pivot = metrics.toOGL(Math::Point3d(v[3], v[4], v[5]));
  t.angles = Math::Vector3d(v[6], v[7], v[8]);
  t.skew = v[9];
  t.scale = Math::Vector3d(v[10], v[11], v[12]);
  c.matrix = t.matrix(&c.turns);
  c.made = true;
  return c.matrix;
}

void Peg::prefetch() const {
  MO_Module::prefetch();
  prefetchLines(reinterpret_cast<const char*>(this) + sizeof(MO_Module), sizeof(Peg) - sizeof(MO_Module));
  const std::vector<Keyed>& keyed = m_channels.kept().keyed;
  prefetchLines(keyed.data(), keyed.size() * sizeof(Keyed));
}

MO_PortTransform* Peg::computeTransformation(const MO_BaseContext& ctx) {
  return appending(ctx, [this](double frame) { return localMatrix(frame); });
}

bool Peg::pivot(const MO_FrameKey& key, Math::Point3d& pivot) const {
  pivot = m_pivot->value(key.frame());
  return true;
}
