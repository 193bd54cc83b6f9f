#include "PointConstraints/PointConstraint2Module.h"

#include <algorithm>

#include "Core/ConstraintPipeline.h"
#include "Core/DrawingSpace.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "Core/SceneCamera.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "PointConstraints/PointConstraintCommon.h"

using namespace PointConstraintCommon;
using PointConstraintMath::SegmentPegs;
using PointConstraintMath::SegmentSettings;

namespace {

using PointConstraint2::Flatten_e;
using PointConstraint2::PrimaryPort_e;

constexpr int kSwitchPort = 2;

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_DoubleAttrMeta kVolumemod("VOLUMEMOD", "Volume Modifier", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kVolumemax("VOLUMEMAX", "Volume Max", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kVolumemin("VOLUMEMIN", "Volume Min", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kStretchmax("STRETCHMAX", "Distance Max", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kStretchmin("STRETCHMIN", "Distance Min", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kSkewcontrol("SKEWCONTROL", "Skew Modifier", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kSmooth("SMOOTH", "Smoothing", "DBL_STEP_CONSTRAINT_RATIO");
const AT_DoubleAttrMeta kBalance("BALANCE", "Point Balance", "DBL_STEP_CONSTRAINT_RATIO");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kTransformtype("TRANSFORMTYPE", "Transform Type");
const AT_AttrMeta kPrimaryport("PRIMARYPORT", "Primary Port");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Right Peg", "Right Peg"},
    {"Left Peg", "Left Peg"},
    {"Switch", "Switch"},
};

} // namespace

const QString& PointConstraint2Module::typeName() {
  static const QString name = QStringLiteral("PointConstraint2");
  return name;
}

// The nearer of the two pivots as the view shows them becomes main; a click as near one as the
// other takes the left peg.
void PointConstraint2Module::mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  const auto* click = dynamic_cast<MO_MainPortModuleVisitor*>(visitor);
  auto* node = dynamic_cast<PointConstraint2Module*>(module);
  if (!click || !node)
    return;
  std::array<double, 2> distance{};
  if (!clickDistances(*click, *node, node->m_pointCache, distance))
    node->m_selectedPort = 0;
  else
    node->m_selectedPort = distance[1] <= distance[0] ? 1 : 0;
}

PointConstraint2Module::PointConstraint2Module()
    : Constraint_Module(2), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_volumemod(new AT_DoubleAttr(this, kVolumemod, 1, 75)), m_volumemax(new AT_DoubleAttr(this, kVolumemax, 1, 200)),
      m_volumemin(new AT_DoubleAttr(this, kVolumemin, 1, 25)), m_stretchmax(new AT_DoubleAttr(this, kStretchmax, 1, 0)),
      m_stretchmin(new AT_DoubleAttr(this, kStretchmin, 1, 0)),
      m_skewcontrol(new AT_DoubleAttr(this, kSkewcontrol, 1, 0)), m_smooth(new AT_DoubleAttr(this, kSmooth, 1, 0)),
      m_balance(new AT_DoubleAttr(this, kBalance, 1, 0)),
      m_flattentype(new PointConstraint2::FlattenType(this, kFlattentype)),
      m_transformtype(new PointConstraint2::TransformType(this, kTransformtype)),
      m_primaryport(new PointConstraint2::PrimaryPortType(this, kPrimaryport)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_volumemod);
  registerAttr(m_volumemax);
  registerAttr(m_volumemin);
  registerAttr(m_stretchmax);
  registerAttr(m_stretchmin);
  registerAttr(m_skewcontrol);
  registerAttr(m_smooth);
  registerAttr(m_balance);
  registerAttr(m_flattentype);
  registerAttr(m_transformtype);
  registerAttr(m_primaryport);
}

PointConstraint2Module::~PointConstraint2Module() = default;

const MO_SimplePortMetaData* PointConstraint2Module::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}

int PointConstraint2Module::mainInPortId() const {
  if ((m_selectedPort == 0 || m_selectedPort == 1) && inputModule(m_selectedPort))
    return m_selectedPort;
  return m_primaryport->enumValue() == PrimaryPort_e::LEFT ? 1 : 0;
}

bool PointConstraint2Module::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return setSwitchPortColors(!isOutput && port == kSwitchPort, light, dark) ||
         Constraint_Module::nvPortColors(port, isOutput, light, dark);
}

std::int64_t PointConstraint2Module::validateCacheInputs(const CacheCheck& check) const {
  return withCameraStamp(Constraint_Module::validateCacheInputs(check), *this,
                         m_flattentype->enumValue() == Flatten_e::PROJECT, check);
}

MO_PortTransform* PointConstraint2Module::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx,
                                       [&](const Math::Matrix4x4& arriving) -> std::optional<Math::Matrix4x4> {
                                         // The right peg's matrix is what arrives at input 0, whichever input the host
                                         // passed down (with nothing there, what the host passed down stands in for
                                         // it).
                                         Math::Matrix4x4 in = arriving;
                                         if (mainInPortIdAtFrame(ctx.frameKey()) != 0 && inputModule(0))
                                           if (const MO_PortTransform* right = computeTransformationParent(ctx, 0))
                                             in = right->transformation().matrix(true);
                                         Math::Matrix4x4 out;
                                         if (!computeConstraint(ctx, out, in))
                                           return std::nullopt;
                                         return out;
                                       });
}

bool PointConstraint2Module::computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, Math::Matrix4x4& in) {
  out = in;
  if (!enabled() || !sceneMetrics())
    return false;
  const std::array<MO_Module*, 3>& inputs = inputModules(m_inputs, *this);
  const SegmentSettings s = settingsAt(ctx, inputs[kSwitchPort]);
  if (s.activity <= 0.0)
    return true;
  if (!inputs[0] || !inputs[1])
    return false;
  if (inputSelected(inputs[0]))
    m_selectedPort = 0;
  else if (inputSelected(inputs[1]))
    m_selectedPort = 1;
  sanitizeScale(in);
  const SegmentPegs pegs = gatherPegs(ctx, s, in, {inputs[0], inputs[1]});
  // The rest segment moves only with an edit, or when the primary changes sides.
  const bool flatten = s.flatten == Flatten_e::FLATTEN;
  const std::optional<PointConstraintMath::RestSegment>& rest =
      m_restSegment.get([&] { return PointConstraintMath::restSegment(pegs.restPrimary, pegs.restSecondary, flatten); },
                        {pegs.rightIsPrimary, flatten});
  if (!rest)
    return false;
  out = PointConstraintMath::segmentMap(pegs, s, *rest);
  return true;
}

SegmentSettings PointConstraint2Module::settingsAt(const MO_BaseContext& ctx) const {
  return settingsAt(ctx, inputModules(m_inputs, *this)[kSwitchPort]);
}

SegmentSettings PointConstraint2Module::settingsAt(const MO_BaseContext& ctx, MO_Node* switchNode) const {
  // Without keys the attributes hold at every frame: they are read again only after an edit
  // (a surrogate standing in counts as one). ACTIVE is kept as a percentage, for the switch.
  const std::optional<SegmentSettings>& steady = m_steady.get([&]() -> std::optional<SegmentSettings> {
    for (const AT_DoubleAttr* a : {m_active, m_volumemod, m_volumemax, m_volumemin, m_stretchmax, m_stretchmin,
                                   m_skewcontrol, m_smooth, m_balance})
      if (a->isAnimated())
        return std::nullopt;
    return readSettings(0.0);
  });
  SegmentSettings s = steady ? *steady : readSettings(attributeFrame(ctx));
  s.activity = switchModulatedActivity(ctx, s.activity, switchNode);
  return s;
}

SegmentSettings PointConstraint2Module::readSettings(double frame) const {
  SegmentSettings s;
  s.activity = m_active->value(frame);
  s.skew = std::clamp(m_skewcontrol->value(frame), 0.0, 100.0) / 100.0;
  s.volume = m_volumemod->value(frame) / 100.0;
  s.smoothing = std::clamp(m_smooth->value(frame), 0.0, 100.0) / 100.0;
  s.balance = std::clamp(m_balance->value(frame), 0.0, 100.0) / 100.0;
  s.stretchMin = m_stretchmin->value(frame) / 100.0;
  s.stretchMax = m_stretchmax->value(frame) / 100.0;
  s.volumeMax = m_volumemax->value(frame) / 100.0;
  s.volumeMin = m_volumemin->value(frame) / 100.0;
  s.flatten = m_flattentype->enumValue();
  s.transform = m_transformtype->enumValue();
  s.primaryPort = m_primaryport->enumValue();
  return s;
}

// Both pegs' matrices, rest pivots and current positions, the primary chosen by PRIMARYPORT (or
// by depth); the pivots are cached for the control, and the secondary is projected along the
// camera ray onto the primary peg's own z = 0 plane under PROJECT.
SegmentPegs PointConstraint2Module::gatherPegs(const MO_BaseContext& ctx, const SegmentSettings& s,
                                               const Math::Matrix4x4& right,
                                               const std::array<MO_Module*, 2>& pegInputs) {
  const Math::Matrix4x4 leftMatrix = portMatrix(ctx, 1, true);
  bool rightIsPrimary = s.primaryPort == PrimaryPort_e::RIGHT;
  if (s.primaryPort == PrimaryPort_e::TOPMOST || s.primaryPort == PrimaryPort_e::BOTTOMMOST) {
    const Math::Point3d origin(0, 0, 0);
    const bool rightIsHigher = (right * origin).z > (leftMatrix * origin).z;
    rightIsPrimary = s.primaryPort == PrimaryPort_e::TOPMOST ? rightIsHigher : !rightIsHigher;
  }
  MO_Module* primary = pegInputs[rightIsPrimary ? 0 : 1];

  SegmentPegs pegs;
  pegs.rightIsPrimary = rightIsPrimary;
  pegs.right = right;
  pegs.primaryMatrix = rightIsPrimary ? right : leftMatrix;
  const Math::Matrix4x4& secondaryMatrix = rightIsPrimary ? leftMatrix : right;
  pegs.parent = readPortMatrix(ctx, primary, 0, true);
  const std::array<Math::Point3d, 2>& rest = restPivots(m_restPivots, ctx, *sceneMetrics(), pegInputs);
  pegs.restPrimary = rest[rightIsPrimary ? 0 : 1];
  pegs.restSecondary = rest[rightIsPrimary ? 1 : 0];
  pegs.primary = pegs.primaryMatrix * pegs.restPrimary;
  pegs.secondaryUnprojected = secondaryMatrix * pegs.restSecondary;
  pegs.secondary = pegs.secondaryUnprojected;
  if (rightIsPrimary)
    m_pointCache.store(attributeFrame(ctx), {pegs.primary, pegs.secondary});
  else
    m_pointCache.store(attributeFrame(ctx), {pegs.secondary, pegs.primary});

  if (s.flatten == Flatten_e::PROJECT)
    if (const std::optional<CameraMatrices> camera = lookUpSceneCamera(*this, ctx, m_evaluatingCamera))
      pegs.secondary = pegs.primaryMatrix * projectToDrawingPlane(pegs.secondary, camera->view, camera->projection,
                                                                  pegs.primaryMatrix, nullptr);
  return pegs;
}

// A line between the pivots, a point on each; picking draws each half thick in the pick colour
// of the peg at its end, so that a click on either half picks that peg.
void PointConstraint2Module::oglRenderControl(const MO_OGLContext& ctx) {
  const DrawingSpace sceneSpace(ctx);
  if (ctx.isALineView(Math::Point3d(0, 0, 0)))
    return;
  VU_Painter painter(ctx.oglMatrixManager());
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  const bool nodeSelected = isSelectedInputRecursive();
  const PivotCache<2>::Points* pivots = m_pointCache.find(ctx.frameKey().frame());
  if (!pivots)
    return;
  const Math::Point3d& right = (*pivots)[0];
  const Math::Point3d& left = (*pivots)[1];
  const Math::Point3d mid = right + (left - right) * 0.5;
  if (!picking) {
    const VS_RGBA green(0, 255, 0, 240);
    setColours(painter, green, green);
    painter.setLineThickness(1, 1);
    painter.setPointSize(4, 1);
    painter.drawLine(right, left);
  }
  for (int port = 0; port < 2; ++port) {
    const Math::Point3d& point = (*pivots)[static_cast<std::size_t>(port)];
    MO_Module* input = inputModule(port);
    const bool highlighted = inputSelected(input);
    if (highlighted)
      m_selectedPort = port;
    double factor = 1.0;
    if (picking) {
      if (input) {
        VS_RGBA colour;
        if (!pickColour(input, ctx.frameKey(), colour))
          continue;
        setColours(painter, colour, colour);
        factor = 1.15;
      }
      painter.setLineThickness(8.5, 1);
      painter.drawLine(point, mid);
    } else if (highlighted || (port == m_selectedPort && !nodeSelected)) {
      setColours(painter, VS_RGBA(0, 0, 255, 160), VS_RGBA(0, 0, 255, 200));
      factor = 1.15;
    } else {
      setColours(painter, VS_RGBA(50, 50, 255, 65), VS_RGBA(50, 50, 255, 150));
    }
    painter.setPointSize(8.5 * factor, 1);
    painter.drawPoint(point);
  }
}
