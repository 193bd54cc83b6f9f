#include "PointConstraints/PointConstraint3Module.h"

#include "Core/ConstraintPipeline.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "PointConstraints/PointConstraintCommon.h"
#include "PointConstraints/PointConstraintMath.h"

using namespace PointConstraintCommon;

namespace {

using PointConstraint3::Flatten_e;
using PointConstraint3::PrimaryPort_e;
using PointConstraint3::Transform_e;

constexpr int kSwitchPort = 3;

// The primary peg's index (right 0, middle 1, left 2) from PRIMARYPORT and, for TOPMOST and
// BOTTOMMOST, the depths of the current pivots; ties go to the left peg, then the middle one.
int primaryIndex(int primaryPort, double zR, double zM, double zL) {
  switch (static_cast<PrimaryPort_e>(primaryPort)) {
  case PrimaryPort_e::MIDDLE:
    return 1;
  case PrimaryPort_e::LEFT:
    return 2;
  case PrimaryPort_e::TOPMOST:
    return zL >= zM && zL >= zR ? 2 : zM >= zR && zM >= zL ? 1 : 0;
  case PrimaryPort_e::BOTTOMMOST:
    return zL <= zM && zL <= zR ? 2 : zM <= zR && zM <= zL ? 1 : 0;
  default:
    return 0;
  }
}

// The corners in the primary's order: the primary first, the other two in the order that
// keeps the triangle's orientation for the middle and left pegs.
constexpr std::array<std::array<std::size_t, 3>, 3> kCornerOrder = {{{0, 1, 2}, {1, 0, 2}, {2, 1, 0}}};

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kTransformtype("TRANSFORMTYPE", "Transform Type");
const AT_AttrMeta kPrimaryport("PRIMARYPORT", "Primary Port");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Right Peg", "Right Peg"},
    {"Middle Peg", "Middle Peg"},
    {"Left Peg", "Left Peg"},
    {"Switch", "Switch"},
};

} // namespace

const QString& PointConstraint3Module::typeName() {
  static const QString name = QStringLiteral("PointConstraint3");
  return name;
}

// The pivot strictly nearest the click as the view shows it becomes main; any tie for the
// nearest takes the right peg.
void PointConstraint3Module::mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  const auto* click = dynamic_cast<MO_MainPortModuleVisitor*>(visitor);
  auto* node = dynamic_cast<PointConstraint3Module*>(module);
  if (!click || !node)
    return;
  std::array<double, 3> d{};
  node->m_selectedPort = 0;
  if (!clickDistances(*click, *node, node->m_pointCache, d))
    return;
  if (d[1] < d[0] && d[1] < d[2])
    node->m_selectedPort = 1;
  else if (d[2] < d[0] && d[2] < d[1])
    node->m_selectedPort = 2;
}

PointConstraint3Module::PointConstraint3Module()
    : Constraint_Module(2), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_flattentype(new PointConstraint3::FlattenType(this, kFlattentype)),
      m_transformtype(new PointConstraint3::TransformType(this, kTransformtype)),
      m_primaryport(new PointConstraint3::PrimaryPortType(this, kPrimaryport)) {
  addOutMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  registerAttr(m_active);
  registerAttr(m_flattentype);
  registerAttr(m_transformtype);
  registerAttr(m_primaryport);
}

PointConstraint3Module::~PointConstraint3Module() = default;

const MO_SimplePortMetaData* PointConstraint3Module::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}

int PointConstraint3Module::mainInPortId() const {
  if (m_selectedPort >= 0 && inputModule(m_selectedPort))
    return m_selectedPort;
  switch (static_cast<PrimaryPort_e>(m_primaryport->value(0))) {
  case PrimaryPort_e::LEFT:
    return 2;
  case PrimaryPort_e::MIDDLE:
    return 1;
  default:
    return 0;
  }
}

bool PointConstraint3Module::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return setSwitchPortColors(!isOutput && port == kSwitchPort, light, dark) ||
         Constraint_Module::nvPortColors(port, isOutput, light, dark);
}

std::int64_t PointConstraint3Module::validateCacheInputs(const CacheCheck& check) const {
  return withCameraStamp(Constraint_Module::validateCacheInputs(check), *this,
                         m_flattentype->value(0) == static_cast<int>(Flatten_e::PROJECT), check);
}

MO_PortTransform* PointConstraint3Module::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx, [&](const Math::Matrix4x4& arriving, Math::Matrix4x4& out) {
    Math::Matrix4x4 in = arriving;
    // The host has stored what it passed down on the output port already.
    const MO_PortTransform* stored = outPort(0) ? outPort(0)->transform(ctx.frameKey()) : nullptr;
    int depth = stored ? stored->depth() : 0;
    return computeConstraint(ctx, out, in, depth);
  });
}

bool PointConstraint3Module::computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, Math::Matrix4x4& in,
                                               int&) {
  if (!enabled() || !sceneMetrics()) {
    out = in;
    return false;
  }
  const int flatten = m_flattentype->value(0);
  const int transform = m_transformtype->value(0);
  const int primaryPort = m_primaryport->value(0);
  const std::array<MO_Module*, 3> pegs = {inputModule(0), inputModule(1), inputModule(2)};
  // ACTIVE is read at the frame in single precision, and the pivots are cached under it.
  const double frame = static_cast<float>(ctx.frame());
  const double activity = switchModulatedActivity(ctx, m_active->value(frame), inputModule(kSwitchPort));
  if (activity <= 0.0) {
    out = in;
    return true;
  }
  if (!pegs[0] || !pegs[1] || !pegs[2])
    return false;
  sanitizeScale(in);
  std::array<Math::Point3d, 3> rest;
  for (std::size_t i = 0; i < 3; ++i)
    rest[i] = sceneMetrics()->toOGL(modulePivot(ctx, pegs[i]));
  if (rest[0] == rest[1] || rest[0] == rest[2] || rest[1] == rest[2]) {
    out = in;
    return false;
  }
  for (int i = 0; i < 3; ++i)
    if (inputSelected(pegs[static_cast<std::size_t>(i)])) {
      m_selectedPort = i;
      break;
    }

  std::array<Math::Matrix4x4, 3> matrices;
  std::array<Math::Point3d, 3> now;
  for (std::size_t i = 0; i < 3; ++i) {
    matrices[i] = portMatrix(ctx, static_cast<int>(i), true);
    now[i] = matrices[i] * rest[i];
  }
  const int primary = primaryIndex(primaryPort, now[0].z, now[1].z, now[2].z);
  m_pointCache.store(frame, now);

  PointConstraintMath::TrianglePegs triangle;
  const std::array<std::size_t, 3>& order = kCornerOrder[static_cast<std::size_t>(primary)];
  for (std::size_t k = 0; k < 3; ++k) {
    triangle.rest[k] = rest[order[k]];
    triangle.current[k] = now[order[k]];
  }
  triangle.primaryMatrix = matrices[order[0]];
  triangle.right = matrices[0];
  // The two other corners are projected along the camera ray onto the primary peg's plane.
  Math::Matrix4x4 view, perspective;
  if (flatten == static_cast<int>(Flatten_e::PROJECT) && sceneCamera(*this, ctx, m_evaluatingCamera, view, perspective))
    for (std::size_t k = 1; k < 3; ++k)
      triangle.current[k] = triangle.primaryMatrix * projectToDrawingPlane(triangle.current[k], view, perspective,
                                                                           triangle.primaryMatrix, nullptr);
  if (transform == static_cast<int>(Transform_e::ALLOW) || transform == static_cast<int>(Transform_e::LOCAL)) {
    MO_Module* primaryPeg = pegs[order[0]];
    triangle.parent = inputMatrixOf(ctx, primaryPeg, primaryPeg->mainInPortIdAtFrame(ctx.frameKey()));
  }
  out = out * PointConstraintMath::triangleResult(triangle, transform, activity);
  return true;
}

// The triangle, a point at each pivot; picking draws each edge thick, each half in the pick
// colour of the peg at its end, so that a click near a corner picks that peg.
void PointConstraint3Module::oglRenderControl(const MO_OGLContext& ctx) {
  const SceneSpaceDrawing sceneSpace(ctx);
  if (ctx.isALineView(Math::Point3d(0, 0, 0)))
    return;
  VU_Painter painter(ctx.oglMatrixManager());
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  const bool nodeSelected = isSelectedInputRecursive();
  const PivotCache<3>::Points* pivots = m_pointCache.find(ctx.frameKey().frame());
  if (!pivots)
    return;
  const auto midpoint = [](const Math::Point3d& a, const Math::Point3d& b) { return a + (b - a) * 0.5; };
  if (!picking) {
    painter.setLineThickness(1, 1);
    painter.setPointSize(4, 1);
    setColours(painter, VS_RGBA(0, 255, 0, 240), VS_RGBA(0, 0, 150, 10));
    painter.drawQuad((*pivots)[0], (*pivots)[0], (*pivots)[1], (*pivots)[2]);
  }
  // Picking walks the ports that have a peg: each draws the half of the edge from the previous
  // one that is its own, and the previous one's half when that one had a pick colour.
  Math::Point3d first, previous(0, 0, 0);
  VS_RGBA firstColour, previousColour;
  bool handledAny = false, firstPicked = false, previousPicked = false;
  for (int port = 0; port < 3; ++port) {
    const Math::Point3d& point = (*pivots)[static_cast<std::size_t>(port)];
    MO_Module* input = inputModule(port);
    const bool highlighted = inputSelected(input);
    if (highlighted)
      m_selectedPort = port;
    if (!picking) {
      if (highlighted || (port == m_selectedPort && !nodeSelected))
        setColours(painter, VS_RGBA(0, 0, 255, 20), VS_RGBA(0, 0, 255, 200));
      else
        setColours(painter, VS_RGBA(50, 50, 255, 15), VS_RGBA(50, 50, 255, 150));
    } else if (input) {
      const Math::Point3d mid = midpoint(previous, point);
      const bool isFirst = !handledAny;
      painter.setLineThickness(15, 1);
      if (isFirst)
        first = point;
      else if (previousPicked)
        painter.drawLine(previous, mid);
      previous = point;
      handledAny = true;
      VS_RGBA colour;
      previousPicked = pickColour(input, ctx.frameKey(), colour);
      if (!previousPicked)
        continue;
      setColours(painter, colour, colour);
      previousColour = colour;
      if (isFirst) {
        firstPicked = true;
        firstColour = colour;
      } else {
        painter.drawLine(point, mid);
      }
    }
    painter.setLineThickness(1, 1);
    painter.setPointSize(10, 1);
    painter.drawPoint(point);
  }
  if (!picking || !handledAny)
    return;
  // The closing edge, from the last port handled back to the first.
  const Math::Point3d mid = midpoint(previous, first);
  painter.setLineThickness(15, 1);
  if (firstPicked) {
    setColours(painter, firstColour, firstColour);
    painter.drawLine(first, mid);
  }
  if (previousPicked) {
    setColours(painter, previousColour, previousColour);
    painter.drawLine(previous, mid);
  }
}
