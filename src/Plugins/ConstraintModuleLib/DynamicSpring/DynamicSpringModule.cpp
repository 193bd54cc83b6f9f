#include "DynamicSpring/DynamicSpringModule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "Core/AncestorClimb.h"
#include "Core/DrawingSpace.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kMatchexposures("MATCHEXPOSURES", "Match Animation on Active Attribute");
const AT_DoubleAttrMeta kTensionx("TENSIONX", "Tension X", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiax("INERTIAX", "Inertia X", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensiony("TENSIONY", "Tension Y", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiay("INERTIAY", "Inertia Y", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionz("TENSIONZ", "Tension Z", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiaz("INERTIAZ", "Inertia Z", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionscale("TENSIONSCALE", "Tension Scale", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiascale("INERTIASCALE", "Inertia Scale", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionskew("TENSIONSKEW", "Tension Skew", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiaskew("INERTIASKEW", "Inertia Skew", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kTensionrotate("TENSIONROTATE", "Tension Rotate", "DBL_STEP_DYN_TENSION");
const AT_DoubleAttrMeta kInertiarotate("INERTIAROTATE", "Inertia Rotate", "DBL_STEP_DYN_INERTIA");
const AT_DoubleAttrMeta kPignore("PIGNORE", "Ignore Parents", "DBL_PIGNORE");
const AT_AttrMeta kParentname("PARENTNAME", "Parent's Name", true);

const SpringHistoryEntry kFreshEntry;

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Dynamic Transform", "Dynamic Transform"},
    {"Static Transform", "Static Transform"},
    {"Switch", "Switch"},
};

// An opacity truncated to a byte; beyond the byte's range (a view before frame 1) it is clamped.
int alpha(double v) { return v >= 255.0 ? 255 : v > 0.0 ? static_cast<int>(v) : 0; }

} // namespace

const QString& DynamicSpringModule::typeName() {
  static const QString name = QStringLiteral("DynamicSpring");
  return name;
}

DynamicSpringModule::DynamicSpringModule()
    : Constraint_Module(3), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_matchexposures(new AT_BoolAttr(this, kMatchexposures, false)),
      m_tensionx(new AT_DoubleAttr(this, kTensionx, 1, 7)), m_inertiax(new AT_DoubleAttr(this, kInertiax, 1, 80)),
      m_tensiony(new AT_DoubleAttr(this, kTensiony, 1, 7)), m_inertiay(new AT_DoubleAttr(this, kInertiay, 1, 80)),
      m_tensionz(new AT_DoubleAttr(this, kTensionz, 1, 7)), m_inertiaz(new AT_DoubleAttr(this, kInertiaz, 1, 80)),
      m_tensionscale(new AT_DoubleAttr(this, kTensionscale, 1, 7)),
      m_inertiascale(new AT_DoubleAttr(this, kInertiascale, 1, 80)),
      m_tensionskew(new AT_DoubleAttr(this, kTensionskew, 1, 7)),
      m_inertiaskew(new AT_DoubleAttr(this, kInertiaskew, 1, 80)),
      m_tensionrotate(new AT_DoubleAttr(this, kTensionrotate, 1, 7)),
      m_inertiarotate(new AT_DoubleAttr(this, kInertiarotate, 1, 80)),
      m_pignore(new AT_DoubleAttr(this, kPignore, 1, 0)),
      m_parentname(new AT_StringAttr(this, kParentname, QString(), false, false)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_matchexposures);
  registerAttr(m_tensionx);
  registerAttr(m_inertiax);
  registerAttr(m_tensiony);
  registerAttr(m_inertiay);
  registerAttr(m_tensionz);
  registerAttr(m_inertiaz);
  registerAttr(m_tensionscale);
  registerAttr(m_inertiascale);
  registerAttr(m_tensionskew);
  registerAttr(m_inertiaskew);
  registerAttr(m_tensionrotate);
  registerAttr(m_inertiarotate);
  registerAttr(m_pignore);
  registerAttr(m_parentname);
  m_steadyAttrs = {m_tensionx,      m_inertiax,      m_tensiony,     m_inertiay,    m_tensionz,
                   m_inertiaz,      m_tensionscale,  m_inertiascale, m_tensionskew, m_inertiaskew,
                   m_tensionrotate, m_inertiarotate, m_pignore};
}

DynamicSpringModule::~DynamicSpringModule() = default;

const MO_SimplePortMetaData* DynamicSpringModule::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}

bool DynamicSpringModule::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  if (port != 2 || isOutput)
    return MO_Node::nvPortColors(port, isOutput, light, dark);
  std::tie(light, dark) = switchPortDefaultColors();
  return true;
}

double DynamicSpringModule::activityAt(const MO_BaseContext& ctx, bool* isKey, bool* isAnimated) const {
  // Without keys and without a switch the activity holds at every frame: read once per revision.
  const std::optional<double>& steady = m_steadyActivity.get([&]() -> std::optional<double> {
    if (inputModule(2) || m_active->hasKeys())
      return std::nullopt;
    return switchModulatedActivity(ctx, m_active->value(ctx.frame()), nullptr);
  });
  if (!steady)
    return switchModulatedActivity(ctx, m_active->value(ctx.frame(), isKey, isAnimated), inputModule(2));
  if (isKey)
    *isKey = false;
  if (isAnimated)
    *isAnimated = false;
  return *steady;
}

DynamicSpringModule::Settings DynamicSpringModule::settingsAt(const MO_BaseContext& ctx) const {
  Settings s;
  bool isKey = false, isAnimated = false;
  s.spring.activity = activityAt(ctx, &isKey, &isAnimated);
  // Under match exposures the spring's output moves only on ACTIVE's keys (every frame when
  // ACTIVE is not animated).
  s.spring.update = !m_matchExposures || isKey || !isAnimated;
  // Gains and climb without keys hold at every frame: they are read again only once something
  // has changed (every edit, and every surrogate standing in, moves the revision on).
  const std::optional<Settings>& steady = m_steady.get([&]() -> std::optional<Settings> {
    if (std::any_of(m_steadyAttrs.begin(), m_steadyAttrs.end(), [](const AT_DoubleAttr* a) { return a->hasKeys(); }))
      return std::nullopt;
    Settings held;
    readGainsAndClimb(ctx.frame(), held);
    return held;
  });
  if (!steady) {
    readGainsAndClimb(ctx.frame(), s);
    return s;
  }
  s.spring.gains = steady->spring.gains;
  s.ignoreParents = steady->ignoreParents;
  s.parentName = steady->parentName;
  return s;
}

void DynamicSpringModule::readGainsAndClimb(double frame, Settings& s) const {
  SpringGains& g = s.spring.gains;
  g.translationTension = Math::Vector3d(m_tensionx->value(frame) / 100.0, m_tensiony->value(frame) / 100.0,
                                        m_tensionz->value(frame) / 100.0);
  g.translationInertia = Math::Vector3d(m_inertiax->value(frame) / 100.0, m_inertiay->value(frame) / 100.0,
                                        m_inertiaz->value(frame) / 100.0);
  g.scaleTension = m_tensionscale->value(frame) / 100.0;
  g.scaleInertia = m_inertiascale->value(frame) / 100.0;
  g.skewTension = m_tensionskew->value(frame) / 100.0;
  g.skewInertia = m_inertiaskew->value(frame) / 100.0;
  g.rotateTension = m_tensionrotate->value(frame) / 100.0;
  g.rotateInertia = m_inertiarotate->value(frame) / 100.0;
  // PIGNORE's range is ±1e10: truncated through 64 bits, then taken modulo 2^32 as a count.
  s.ignoreParents = static_cast<std::uint32_t>(static_cast<std::int64_t>(m_pignore->value(frame)));
  s.parentName = m_parentname->value(frame);
}

Math::Matrix4x4 DynamicSpringModule::staticParent(const MO_BaseContext& ctx, const Settings& s) {
  if (inputModule(1))
    return portMatrix(ctx, 1, true);
  if (s.ignoreParents == 0)
    return Math::Matrix4x4();
  const Ancestor up = climbToAncestor(ctx.frameKey(), inputModule(0), s.ignoreParents, s.parentName);
  return up.node && up.stopped ? readPortMatrix(ctx, up.node, up.outPort, false) : Math::Matrix4x4();
}

MO_PortTransform* DynamicSpringModule::computeTransformation(const MO_BaseContext& ctx) {
  // Without keys the flag holds at every frame: read once per revision.
  const std::optional<bool>& steadyMatch = m_steadyMatch.get([&]() -> std::optional<bool> {
    if (m_matchexposures->hasKeys())
      return std::nullopt;
    return m_matchexposures->value(ctx.frame());
  });
  m_matchExposures = steadyMatch ? *steadyMatch : m_matchexposures->value(ctx.frame());
  MO_PortTransform* result = MO_Module::computeTransformation(ctx);
  if (!result || !enabled())
    return result;
  const int depth = result->depth();
  const std::uint64_t computation = ++m_computations;
  // The input is read where the port keeps it, not copied out the moment it was written: a
  // transformation held during a computation stays as it is even when pushed out.
  const CC_Transformation constrained(computeConstraint(ctx, result->transformation().matrix(true)));
  // Earlier frames computed meanwhile may have moved what the port keeps for this one; when none
  // was, the slot found above is still this frame's, and the most recently used.
  if (m_computations != computation)
    result = outPort(0)->addTransform(ctx.frameKey());
  result->setTransformation(constrained, depth, true);
  return result;
}

Math::Matrix4x4 DynamicSpringModule::computeConstraint(const MO_BaseContext& ctx, const Math::Matrix4x4& input) {
  const double f = ctx.frame();
  if (!enabled() || !sceneMetrics() || !(f >= 1.0 && f < kLastFrame + 1.0) || !inputModule(0))
    return input;
  const Settings s = settingsAt(ctx);
  const double a = s.spring.activity;
  const bool update = s.spring.update;
  const Math::Matrix4x4 parent = staticParent(ctx, s);
  const auto index = static_cast<std::size_t>(f);
  if (m_history.size() < index + 1)
    m_history.resize(index + 1);
  const std::int64_t stamp = validateCache();
  // The spring starts from the input at the first frame and wherever it is switched off.
  const bool restart = f == 1.0 || a <= 0.0;
  // A frame still in the history is answered from it, before anything is decomposed.
  if (const SpringHistory::Mark kept = m_history.mark(index);
      !restart && update && kept.valid && stamp <= kept.stamp && kept.activity == a && kept.update == update)
    return sanitizedCopy(parent * lookup(index).result);

  SpringHistory::Origin origin = SpringHistory::Origin::Restart;
  // Read in place: a step needs only the state's channels, not a copy of the whole entry.
  const SpringHistoryEntry* previous = restart ? nullptr : previousState(ctx, index, origin);
  SpringHistoryEntry entry = springState(ctx, input, s, parent, restart, previous ? *previous : kFreshEntry);
  entry.stamp = stamp;
  // A state made at a fractional frame is not the one its integer frame would make again.
  if (static_cast<double>(index) != f)
    origin = SpringHistory::Origin::Kept;
  keepSuccessor(index, stamp);
  m_history.store(index, entry, origin);
  return restart ? input : sanitizedCopy(parent * entry.result);
}

SpringHistoryEntry DynamicSpringModule::springState(const MO_BaseContext& ctx, const Math::Matrix4x4& input,
                                                    const Settings& s, const Math::Matrix4x4& parent, bool restart,
                                                    const SpringHistoryEntry& previous) {
  // Under the world (no static parent) the input is its own local matrix: the identity's inverse
  // is the identity, and a product with it gives the other side as it is.
  const Math::Matrix4x4 local = parent.isIdentity() ? input : parent.getInverse() * input;
  const Math::Point3d pivot = sceneMetrics()->toOGL(modulePivot(ctx, inputModule(0)));
  const SpringTarget target = springTargetOf(local, pivot);
  SpringHistoryEntry entry =
      restart ? startSpringState(target, pivot) : nextSpringState(previous, target, s.spring, pivot);
  entry.staticMatrix = parent;
  entry.update = s.spring.update;
  entry.activity = s.spring.activity;
  entry.valid = true;
  return entry;
}

// The state of the frame before `index`, made sure of first.
const SpringHistoryEntry* DynamicSpringModule::previousState(const MO_BaseContext& ctx, std::size_t index,
                                                             SpringHistory::Origin& origin) {
  const SpringHistoryEntry* previous = stillGood(ctx, index);
  if (!previous)
    previous = goodEntry(MO_BaseContext(MO_FrameKey(ctx.frame() - 1.0), ctx.contextType()));
  if (previous) {
    // Whatever followed this frame was made from its old state.
    if (m_history.size() != index + 1)
      m_history.resize(index + 1);
    origin = SpringHistory::Origin::Step;
  } else {
    std::printf("LAST HISTORY IS NOT VALID\n");
    if (m_history.size() < index + 1)
      m_history.resize(index + 1);
    origin = SpringHistory::Origin::Fresh;
  }
  return previous;
}

// Stepping forward frame by frame, the frame before is nearly always good already: found so
// without goodEntry's walk, which would stop at once and compute nothing.
const SpringHistoryEntry* DynamicSpringModule::stillGood(const MO_BaseContext& ctx, std::size_t index) {
  if (static_cast<double>(index) != ctx.frame() || index < 2 || index > m_history.size())
    return nullptr;
  const std::size_t before = index - 1;
  const std::int64_t stamp = validateCache();
  const double a = activityAt(MO_BaseContext(MO_FrameKey(static_cast<double>(before)), ctx.contextType()));
  const SpringHistory::Mark m = m_history.mark(before);
  if (a == 0.0 || !m.valid || m.stamp != stamp || m.activity != a)
    return nullptr;
  return &lookup(before);
}

// A frame stored again without dropping what follows (a restart) leaves the next frame made from
// its old state: that state is kept whole, as it could no longer be made again.
void DynamicSpringModule::keepSuccessor(std::size_t index, std::int64_t stamp) {
  const std::size_t next = index + 1;
  if (next >= m_history.size())
    return;
  const SpringHistory::Mark m = m_history.mark(next);
  if (m.valid && m.stamp == stamp && m.origin == SpringHistory::Origin::Step && !m_history.kept(next))
    m_history.store(next, lookup(next), SpringHistory::Origin::Kept);
}

Math::Matrix4x4 DynamicSpringModule::incoming(const MO_BaseContext& ctx) {
  const MO_PortTransform* in = computeTransformationParent(ctx, inPort(mainInPortIdAtFrame(ctx.frameKey())));
  return in ? in->transformation().matrix(true) : CC_Transformation().matrix(true);
}

SpringHistoryEntry DynamicSpringModule::remake(std::size_t frame, const SpringHistoryEntry& previous) {
  const SpringHistory::Mark m = m_history.mark(frame);
  const MO_BaseContext ctx(MO_FrameKey(static_cast<double>(frame)), 0);
  Settings s = settingsAt(ctx);
  // As the frame was made: its activity and update flag are the ones it keeps.
  s.spring.activity = m.activity;
  s.spring.update = m.update;
  const bool fresh = m.origin == SpringHistory::Origin::Fresh;
  SpringHistoryEntry entry =
      springState(ctx, incoming(ctx), s, staticParent(ctx, s), m.origin == SpringHistory::Origin::Restart,
                  fresh ? SpringHistoryEntry() : previous);
  entry.stamp = m.stamp;
  return entry;
}

SpringHistoryEntry DynamicSpringModule::historyEntry(std::size_t frame) { return lookup(frame); }

const SpringHistoryEntry& DynamicSpringModule::lookup(std::size_t frame) {
  if (frame >= m_history.size() || !m_history.mark(frame).valid)
    return kFreshEntry;
  if (const SpringHistoryEntry* kept = m_history.kept(frame))
    return *kept;
  // Back to the nearest state kept, or one that needs none before it.
  const auto stepsOn = [this](std::size_t j) {
    return j > 0 && m_history.mark(j).origin == SpringHistory::Origin::Step && m_history.mark(j - 1).valid;
  };
  std::size_t first = frame;
  while (stepsOn(first) && !m_history.kept(first - 1))
    --first;
  SpringHistoryEntry state = stepsOn(first) ? *m_history.kept(first - 1) : SpringHistoryEntry();
  for (std::size_t j = first; j < frame; ++j) {
    state = remake(j, state);
    m_history.remember(j, state);
  }
  return m_history.remember(frame, remake(frame, state));
}

void DynamicSpringModule::ensureHistory(const MO_BaseContext& ctx, SpringHistoryEntry& out) {
  if (const SpringHistoryEntry* e = goodEntry(ctx))
    out = *e;
}

const SpringHistoryEntry* DynamicSpringModule::goodEntry(const MO_BaseContext& ctx) {
  const double g = ctx.frame();
  const std::int64_t stamp = validateCache();
  double first = std::trunc(g + 1.0);
  double activityOfG = 1.0;
  const auto good = [&](std::size_t i, double activity) {
    return i < m_history.size() && m_history.mark(i).valid && m_history.mark(i).stamp == stamp &&
           m_history.mark(i).activity == activity;
  };
  // Back from g to the last entry still good; a frame switched off restarts the spring anyway.
  for (double h = std::trunc(g); h >= 1.0; h -= 1.0) {
    const double ah = activityAt(MO_BaseContext(MO_FrameKey(h), ctx.contextType()));
    if (h == g)
      activityOfG = ah;
    if (ah == 0.0) {
      first = h;
      break;
    }
    if (good(static_cast<std::size_t>(h), ah))
      break;
    first = h;
  }
  for (double j = first; g >= j; j += 1.0)
    computeTransformation(MO_BaseContext(MO_FrameKey(j), ctx.contextType()));
  if (g < 0.0)
    return nullptr;
  const auto i = static_cast<std::size_t>(g);
  return good(i, activityOfG) ? &lookup(i) : nullptr;
}

bool DynamicSpringModule::isDirtyOnFrameKeyChange(const MO_FrameKey& first, const MO_FrameKey& second) {
  bool isKey = false, isAnimated = false;
  m_active->value(second.frame(), &isKey, &isAnimated);
  const double a1 = activityAt(MO_BaseContext(first, 0));
  const double a2 = activityAt(MO_BaseContext(second, 0));
  if (a1 == 0.0 && a2 == 0.0)
    return false;
  if (a1 != a2)
    return true;
  if (!m_matchexposures->value(second.frame()) || isKey || !isAnimated)
    return true;
  const double lo = std::trunc(std::min(first.frame(), second.frame()));
  const double hi = std::trunc(std::max(first.frame(), second.frame()));
  for (double g = lo + 1.0; g < hi; g += 1.0) {
    m_active->value(g, &isKey, &isAnimated);
    if (isKey || !isAnimated)
      return true;
    if (activityAt(MO_BaseContext(MO_FrameKey(g), 0)) != a2)
      return true;
  }
  return false;
}

void DynamicSpringModule::oglRenderControl(const MO_OGLContext& ctx) {
  MO_Module* dynamicNode = inputModule(0);
  if (!ctx.isALineView(Math::Point3d(0, 0, 0)) || !dynamicNode || !sceneMetrics())
    return;
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  // Nothing to pick through without the input's adaptor.
  const SLB_ModulePickAdaptor* adaptor = picking ? SLB_NodePickAdaptorFactory::pickAdaptorFor(dynamicNode) : nullptr;
  if (picking && !adaptor)
    return;
  // The trail's points are scene positions (drawing units), whatever space the view draws
  // this node's control in.
  const DrawingSpace sceneSpace(ctx);
  VU_Painter painter(ctx.oglMatrixManager());
  if (picking) {
    const VS_RGBA colour(SLB_PickEngine::idToColor(adaptor->pickingId()));
    setColours(painter, colour, colour);
  }
  const MO_BaseContext here(ctx.frameKey(), 0);
  const Math::Point3d pivot = sceneMetrics()->toOGL(modulePivot(here, dynamicNode));
  const double current = ctx.frameKey().frame();
  const double first = std::max(1.0, std::trunc(current - SpringHistory::kTrailBefore));
  const double last = std::trunc(current + SpringHistory::kTrailAfter);
  // Brings the history up to the last frame shown.
  portMatrix(MO_BaseContext(MO_FrameKey(last), 0), 0, false);

  bool drawn = false;
  Math::Point3d previous;
  for (double g = first; g <= last; g += 1.0) {
    const auto i = static_cast<std::size_t>(g);
    if (i >= m_history.size() || !m_history.mark(i).valid)
      continue;
    // Read through the same lookup as every step, so a frame no longer kept is made again.
    const SpringHistoryEntry e = historyEntry(i);
    const float r = static_cast<float>(g - first + 1.0) / static_cast<float>(current - first + 1.0);
    if (!picking) {
      const VS_RGBA colour =
          r <= 1.0f ? VS_RGBA(0, 0, 255, alpha(r * 255.0)) : VS_RGBA(0, 255, 0, alpha((r - 1.0f) * 255.0));
      setColours(painter, colour, colour);
    }
    painter.setPointSize(g == current ? 9.0 : r * 4.5 + 2.0, 1);
    const Math::Point3d p = (e.staticMatrix * e.result) * pivot;
    painter.drawPoint(p);
    if (drawn)
      painter.drawLine(previous, p);
    previous = p;
    drawn = true;
  }
}
