#include "PointConstraints/PointConstraint3Module.h"

#include "Core/ConstraintPipeline.h"
#include "Core/DrawingSpace.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "Core/SceneCamera.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "PointConstraints/PointConstraintCommon.h"

using namespace PointConstraintCommon;
using PointConstraintMath::TrianglePegs;
using PointConstraintMath::TriangleSettings;

namespace {

using PointConstraint3::Flatten_e;
using PointConstraint3::PrimaryPort_e;
using PointConstraint3::Transform_e;

constexpr int kSwitchPort = 3;

// The primary peg's index (right 0, middle 1, left 2) from PRIMARYPORT and, for TOPMOST and
// BOTTOMMOST, the depths of the current pivots; ties go to the left peg, then the middle one.
int primaryIndex(PrimaryPort_e primaryPort, double zR, double zM, double zL) {
  switch (primaryPort) {
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
  switch (m_primaryport->enumValue()) {
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
                         m_flattentype->enumValue() == Flatten_e::PROJECT, check);
}

MO_PortTransform* PointConstraint3Module::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(
      *this, ctx, [&](const Math::Matrix4x4& arriving, int depth) -> std::optional<Math::Matrix4x4> {
        Math::Matrix4x4 in = arriving;
        Math::Matrix4x4 out;
        // What the host passed down is the right peg's matrix when the right peg is main: the
        // computation need not read that port again.
        m_inIsRight = mainInPortIdAtFrame(ctx.frameKey()) == 0;
        const bool computed = computeConstraint(ctx, out, in, depth);
        m_inIsRight = false;
        if (!computed)
          return std::nullopt;
        return out;
      });
}

bool PointConstraint3Module::computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, Math::Matrix4x4& in,
                                               int& /*depth: part of the declared form, not used here*/) {
  out = in;
  if (!enabled() || !sceneMetrics())
    return false;
  const std::array<MO_Module*, 4>& inputs = inputModules(m_inputs, *this);
  const TriangleSettings s = settingsAt(ctx, inputs[kSwitchPort]);
  if (s.activity <= 0.0)
    return true;
  if (!inputs[0] || !inputs[1] || !inputs[2])
    return false;
  // The declared form hands the caller's copy back sanitised; the triangle reads the pegs' own matrices.
  sanitizeScale(in);
  TrianglePegs pegs;
  int primary = 0;
  if (!gatherPegs(ctx, s, {inputs[0], inputs[1], inputs[2]}, m_inIsRight ? &in : nullptr, pegs, primary))
    return false;
  // The rest triangle moves only with an edit, or when another input becomes primary.
  const std::optional<MatrixValues>& restInverse =
      m_restInverse.get([&] { return triangleRestInverse(pegs.rest); }, primary);
  out = PointConstraintMath::triangleResult(pegs, s, restInverse);
  return true;
}

TriangleSettings PointConstraint3Module::settingsAt(const MO_BaseContext& ctx) const {
  return settingsAt(ctx, inputModules(m_inputs, *this)[kSwitchPort]);
}

TriangleSettings PointConstraint3Module::settingsAt(const MO_BaseContext& ctx, MO_Node* switchNode) const {
  TriangleSettings s;
  // ACTIVE without keys holds at every frame: read again only after an edit.
  const std::optional<double>& steady = m_steadyActive.get([&]() -> std::optional<double> {
    return m_active->isAnimated() ? std::nullopt : std::optional(m_active->value(0.0));
  });
  s.activity = switchModulatedActivity(ctx, steady ? *steady : m_active->value(attributeFrame(ctx)), switchNode);
  s.flatten = m_flattentype->enumValue();
  s.transform = m_transformtype->enumValue();
  s.primaryPort = m_primaryport->enumValue();
  return s;
}

// The three pegs' rest pivots and where their matrices take them now, in the primary's corner
// order; the pivots are cached for the control. Nothing when two rest pivots coincide.
bool PointConstraint3Module::gatherPegs(const MO_BaseContext& ctx, const TriangleSettings& s,
                                        const std::array<MO_Module*, 3>& pegs, const Math::Matrix4x4* right,
                                        TrianglePegs& triangle, int& primary) {
  const std::array<Math::Point3d, 3>& rest = restPivots(m_restPivots, ctx, *sceneMetrics(), pegs);
  if (rest[0] == rest[1] || rest[0] == rest[2] || rest[1] == rest[2])
    return false;
  for (int i = 0; i < 3; ++i)
    if (inputSelected(pegs[static_cast<std::size_t>(i)])) {
      m_selectedPort = i;
      break;
    }

  const std::array<Math::Matrix4x4, 3> matrices = {right ? *right : portMatrix(ctx, 0, true), portMatrix(ctx, 1, true),
                                                   portMatrix(ctx, 2, true)};
  std::array<Math::Point3d, 3> now;
  for (std::size_t i = 0; i < 3; ++i)
    now[i] = matrices[i] * rest[i];
  primary = primaryIndex(s.primaryPort, now[0].z, now[1].z, now[2].z);
  m_pointCache.store(attributeFrame(ctx), now);

  const std::array<std::size_t, 3>& order = kCornerOrder[static_cast<std::size_t>(primary)];
  for (std::size_t k = 0; k < 3; ++k) {
    triangle.rest[k] = rest[order[k]];
    triangle.current[k] = now[order[k]];
  }
  triangle.primaryMatrix = matrices[order[0]];
  triangle.right = matrices[0];
  projectCorners(ctx, s, triangle);
  if (s.transform == Transform_e::ALLOW || s.transform == Transform_e::LOCAL) {
    MO_Module* primaryPeg = pegs[order[0]];
    triangle.parent = readPortMatrix(ctx, primaryPeg, primaryPeg->mainInPortIdAtFrame(ctx.frameKey()), true);
  }
  return true;
}

// Under PROJECT the two other corners go along the camera ray onto the primary peg's plane.
void PointConstraint3Module::projectCorners(const MO_BaseContext& ctx, const TriangleSettings& s,
                                            TrianglePegs& triangle) {
  if (s.flatten != Flatten_e::PROJECT)
    return;
  const std::optional<CameraMatrices> camera = lookUpSceneCamera(*this, ctx, m_evaluatingCamera);
  if (!camera)
    return;
  for (std::size_t k = 1; k < 3; ++k)
    triangle.current[k] =
        triangle.primaryMatrix *
        projectToDrawingPlane(triangle.current[k], camera->view, camera->projection, triangle.primaryMatrix, nullptr);
}

namespace {

// Picking walks the ports that have a peg: each draws the half of the edge from the previous
// one that is its own, and the previous one's half when that one had a pick colour; close()
// then draws the closing edge, from the last port handled back to the first.
class PickEdges {
public:
  explicit PickEdges(VU_Painter& painter) : m_painter(painter) {}

  // The halves that end at `point`; false when its peg has no pick colour (it draws no more).
  bool visit(const Math::Point3d& point, bool picked, const VS_RGBA& colour) {
    const Math::Point3d mid = midpoint(m_previous, point);
    const bool isFirst = !m_handledAny;
    m_painter.setLineThickness(15, 1);
    if (isFirst)
      m_first = point;
    else if (m_previousPicked)
      m_painter.drawLine(m_previous, mid);
    m_previous = point;
    m_handledAny = true;
    m_previousPicked = picked;
    if (!picked)
      return false;
    setColours(m_painter, colour, colour);
    m_previousColour = colour;
    if (isFirst) {
      m_firstPicked = true;
      m_firstColour = colour;
    } else {
      m_painter.drawLine(point, mid);
    }
    return true;
  }

  void close() {
    if (!m_handledAny)
      return;
    const Math::Point3d mid = midpoint(m_previous, m_first);
    m_painter.setLineThickness(15, 1);
    if (m_firstPicked) {
      setColours(m_painter, m_firstColour, m_firstColour);
      m_painter.drawLine(m_first, mid);
    }
    if (m_previousPicked) {
      setColours(m_painter, m_previousColour, m_previousColour);
      m_painter.drawLine(m_previous, mid);
    }
  }

private:
  static Math::Point3d midpoint(const Math::Point3d& a, const Math::Point3d& b) { return a + (b - a) * 0.5; }

  VU_Painter& m_painter;
  Math::Point3d m_first, m_previous{0, 0, 0};
  VS_RGBA m_firstColour, m_previousColour;
  bool m_handledAny = false, m_firstPicked = false, m_previousPicked = false;
};

} // namespace

// The triangle, a point at each pivot; picking draws each edge thick, each half in the pick
// colour of the peg at its end, so that a click near a corner picks that peg.
void PointConstraint3Module::oglRenderControl(const MO_OGLContext& ctx) {
  const DrawingSpace sceneSpace(ctx);
  if (ctx.isALineView(Math::Point3d(0, 0, 0)))
    return;
  VU_Painter painter(ctx.oglMatrixManager());
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  const bool nodeSelected = isSelectedInputRecursive();
  const PivotCache<3>::Points* pivots = m_pointCache.find(ctx.frameKey().frame());
  if (!pivots)
    return;
  if (!picking) {
    painter.setLineThickness(1, 1);
    painter.setPointSize(4, 1);
    setColours(painter, VS_RGBA(0, 255, 0, 240), VS_RGBA(0, 0, 150, 10));
    painter.drawQuad((*pivots)[0], (*pivots)[0], (*pivots)[1], (*pivots)[2]);
  }
  PickEdges edges(painter);
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
      VS_RGBA colour;
      const bool picked = pickColour(input, ctx.frameKey(), colour);
      if (!edges.visit(point, picked, colour))
        continue;
    }
    painter.setLineThickness(1, 1);
    painter.setPointSize(10, 1);
    painter.drawPoint(point);
  }
  if (picking)
    edges.close();
}
