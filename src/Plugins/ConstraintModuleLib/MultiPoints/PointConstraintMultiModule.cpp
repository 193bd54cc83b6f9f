#include "MultiPoints/PointConstraintMultiModule.h"

#include <algorithm>
#include <cmath>

#include "Core/ConstraintPipeline.h"
#include "Core/DrawingSpace.h"
#include "Core/NodeColors.h"
#include "Core/SceneCamera.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"

using PointConstraintMulti::ControlPoint;
using PointConstraintMulti::MultiPointSettings;

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kConvexhull("CONVEXHULL", "Ignore Internal Points");
const AT_AttrMeta kAllowpersp("ALLOWPERSP", "Allow Perspective Transform");
const MO_SimplePortMetaData kSwitchPort("Switch", "Switch");

// Overlay colours and sizes (sizes in view pixels).
const VS_RGBA kOutlineColour(0, 255, 0, 240);
const VS_RGBA kFillStroke(0, 0, 0, 0);
const VS_RGBA kFillColour(0, 0, 150, 10);
const VS_RGBA kHighlightStroke(0, 0, 255, 160);
const VS_RGBA kHighlightFill(0, 0, 255, 200);
const VS_RGBA kPointStroke(50, 50, 255, 65);
const VS_RGBA kPointFill(50, 50, 255, 150);
constexpr double kPointSize = 8.5;
constexpr double kHighlightFactor = 1.15;
constexpr double kHalfEdgeWidth = 8.5;

// A fraction clamped to [0, 1]; not a number counts as 0.
double clampUnit(double v) {
  if (!(v > 0.0))
    return 0.0;
  return std::min(v, 1.0);
}

bool answersAsSwitch(MO_Module* input) {
  if (!input)
    return false;
  bool found = false;
  queryActiveValue(MO_BaseContext(MO_FrameKey(1.0), 0), input, found);
  return found;
}

} // namespace

const QString& PointConstraintMultiModule::typeName() {
  static const QString name = QStringLiteral("PointConstraintMulti");
  return name;
}

PointConstraintMultiModule::PointConstraintMultiModule()
    : Constraint_AutoInModule(2, 0), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_flattentype(new PointConstraintMulti::FlattenType(this, kFlattentype)),
      m_convexhull(new AT_BoolAttr(this, kConvexhull, false)), m_allowpersp(new AT_BoolAttr(this, kAllowpersp, false)) {
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_flattentype);
  registerAttr(m_convexhull);
  registerAttr(m_allowpersp);
}

PointConstraintMultiModule::~PointConstraintMultiModule() = default;

int PointConstraintMultiModule::mainInPortId() const {
  if (m_selectedPort >= 0 && inputModule(m_selectedPort))
    return m_selectedPort;
  return 0;
}

const MO_SimplePortMetaData* PointConstraintMultiModule::inPortMetadata(int port) const {
  if (answersAsSwitch(inputModule(port)))
    return &kSwitchPort;
  return Constraint_AutoInModule::inPortMetadata(port);
}

bool PointConstraintMultiModule::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return setSwitchPortColors(!isOutput && answersAsSwitch(inputModule(port)), light, dark) ||
         Constraint_AutoInModule::nvPortColors(port, isOutput, light, dark);
}

std::int64_t PointConstraintMultiModule::validateCacheInputs(const CacheCheck& check) const {
  const bool project = m_flattentype->enumValue() == PointConstraintMulti::Flatten_e::PROJECT;
  return withCameraStamp(Constraint_AutoInModule::validateCacheInputs(check), *this, project || m_projectedPoints,
                         check);
}

MO_PortTransform* PointConstraintMultiModule::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx, [&](const Math::Matrix4x4& in) -> std::optional<Math::Matrix4x4> {
    MO_PortTransform* stored = outPort(0) ? outPort(0)->transform(ctx.frameKey()) : nullptr;
    Math::Matrix4x4 out;
    if (!computeConstraint(ctx, out, in, stored ? stored->depth() : 0))
      return std::nullopt;
    return out;
  });
}

const PointConstraintMultiModule::FrameEntry* PointConstraintMultiModule::cachedPoints(int frame) const {
  const auto it = m_pointCache.find(frame);
  return it != m_pointCache.end() && it->second.valid ? &it->second : nullptr;
}

bool PointConstraintMultiModule::computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out,
                                                   const Math::Matrix4x4& in, int /*depth: declared, not used*/) {
  out = in;
  if (!enabled() || !sceneMetrics() || nInPorts() == 0)
    return false;
  const MultiPointSettings s = settingsAt(ctx);
  std::vector<ControlPoint> points = gatherPoints(ctx);
  if (points.empty())
    return false;
  if (s.activity == 0.0)
    return true;
  storePoints(ctx.frame(), points);
  const ControlPoint first = points.front();
  points = PointConstraintMulti::participatingPoints(std::move(points), s);
  m_projectedPoints = PointConstraintMulti::projectsThroughCamera(points.size(), s);
  std::optional<CameraMatrices> camera;
  if (m_projectedPoints && points.size() > 1)
    camera = lookUpSceneCamera(*this, ctx, m_evaluatingCamera);
  const std::optional<Math::Matrix4x4> fit =
      PointConstraintMulti::fitMultiPoints(std::move(points), first, s, camera ? &*camera : nullptr);
  if (fit)
    out = *fit;
  return fit.has_value();
}

MultiPointSettings PointConstraintMultiModule::settingsAt(const MO_BaseContext& ctx) const {
  MultiPointSettings s;
  s.flatten = m_flattentype->enumValue();
  s.convexHull = m_convexhull->localValue();
  s.perspective = m_allowpersp->localValue();
  s.activity = clampUnit(m_active->value(ctx.frame()) / 100.0);
  // The first input that answers as a switch scales the activity; later ones do nothing.
  for (int i = 0; i < nInPorts(); ++i) {
    bool found = false;
    const double v = queryActiveValue(ctx, inputModule(i), found);
    if (found) {
      s.activity *= clampUnit(v / 100.0);
      break;
    }
  }
  return s;
}

// One control point per input peg in port order (inputs fed by a switch are no points); a point
// whose rest position is already taken counts once.
std::vector<ControlPoint> PointConstraintMultiModule::gatherPoints(const MO_BaseContext& ctx) {
  std::vector<ControlPoint> points;
  for (int i = 0; i < nInPorts(); ++i) {
    MO_Module* input = inputModule(i);
    if (!input || answersAsSwitch(input))
      continue;
    if (inputSelected(input))
      m_selectedPort = i;
    const Math::Matrix4x4 m = portMatrix(ctx, i, true);
    const Math::Point3d rest = sceneMetrics()->toOGL(modulePivot(ctx, input));
    const bool taken =
        std::any_of(points.begin(), points.end(), [&](const ControlPoint& p) { return p.restPosition == rest; });
    if (!taken)
      points.push_back(ControlPoint{m, rest, m * rest, static_cast<unsigned int>(i)});
  }
  return points;
}

// The overlay and the pick read every contributing point as gathered, before the hull and the
// re-expression change the list.
void PointConstraintMultiModule::storePoints(double frame, const std::vector<ControlPoint>& points) {
  const float cacheFrame = static_cast<float>(frame);
  if (cacheFrame >= 0.0f && cacheFrame < 2147483520.0f)
    m_pointCache[static_cast<int>(cacheFrame)] = FrameEntry{points, true};
}

void PointConstraintMultiModule::mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  auto* mainPort = dynamic_cast<MO_MainPortModuleVisitor*>(visitor);
  auto* node = dynamic_cast<PointConstraintMultiModule*>(module);
  if (!mainPort || !node)
    return;
  Math::CameraTransformChain chain = mainPort->cameraTransformChain();
  chain.setModelMatrix(Math::Matrix4x4());
  const double current = node->currentSceneFrame();
  const FrameEntry* entry = current >= 0.0 ? node->cachedPoints(static_cast<int>(current)) : nullptr;
  int best = 0;
  if (entry) {
    double bestDistance = 0.0;
    for (std::size_t i = 0; i < entry->points.size(); ++i) {
      const Math::Point3d v = transformToViewFrame(entry->points[i].position, chain);
      const double d = Math::Point2d::GetDistance(Math::Point2d(v.x, v.y), mainPort->viewPoint());
      if (i == 0 || d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(entry->points[i].portIndex);
      }
    }
  }
  // Choosing another main input changes what the node passes down: results stored for the old
  // one must not be served again.
  if (best != node->m_selectedPort) {
    node->m_selectedPort = best;
    node->touch();
  }
}

void PointConstraintMultiModule::oglRenderControl(const MO_OGLContext& ctx) {
  if (ctx.isALineView(Math::Point3d(0, 0, 0)))
    return;
  VU_Painter painter(ctx.oglMatrixManager());
  // Without a binder nothing is drawn in any space, and the output need not be computed.
  const DrawingSpace underOutput(ctx, ctx.oglMatrixManager() ? portMatrix(MO_BaseContext(ctx.frameKey(), 0), 0, false)
                                                             : Math::Matrix4x4());
  const double frame = ctx.frameKey().frame();
  const FrameEntry* entry = frame >= 1.0 && frame < 2147483648.0 ? cachedPoints(static_cast<int>(frame)) : nullptr;
  if (!entry)
    return;
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  const PortColours colours = picking ? pickColours(entry->points, ctx.frameKey()) : PortColours(nInPorts());
  drawHull(painter, entry->points, picking, colours);
  drawPoints(painter, entry->points, picking, colours);
}

PointConstraintMultiModule::PortColours::PortColours(int ports)
    : colour(static_cast<std::size_t>(std::max(ports, 0))), known(colour.size(), false) {}

// Pick colours by input port; a port whose peg has no pick adaptor up its chain draws nothing.
PointConstraintMultiModule::PortColours PointConstraintMultiModule::pickColours(const std::vector<ControlPoint>& points,
                                                                                const MO_FrameKey& key) const {
  PortColours colours(nInPorts());
  for (const ControlPoint& p : points) {
    MO_Module* m = inputModule(static_cast<int>(p.portIndex));
    if (m && p.portIndex < colours.known.size())
      colours.known[p.portIndex] = pickColour(m, key, colours.colour[p.portIndex]);
  }
  return colours;
}

// The outline of the rest points' hull with a faint fill; when picking, each half of an edge in
// the pick colour of the peg at its end.
void PointConstraintMultiModule::drawHull(VU_Painter& painter, const std::vector<ControlPoint>& points, bool picking,
                                          const PortColours& colours) const {
  const std::vector<ControlPoint> outline = points.size() < 3 ? points : PointConstraintMulti::convexHull(points);
  const bool filled = points.size() >= 3 && !picking;
  Math::Point3d centroid(0, 0, 0);
  if (filled && !outline.empty()) {
    for (const ControlPoint& p : outline)
      centroid += p.restPosition;
    centroid = centroid / static_cast<double>(outline.size());
  }
  const std::size_t k = outline.size();
  for (std::size_t i = 0; k >= 2 && i < k; ++i) {
    const ControlPoint& first = outline[i];
    const ControlPoint& second = outline[(i + 1) % k];
    if (!picking) {
      setColours(painter, kOutlineColour, kOutlineColour);
      painter.setLineThickness(1, 1);
      painter.setPointSize(4, 1);
      painter.drawLine(first.restPosition, second.restPosition);
    } else {
      const Math::Point3d mid = second.restPosition + (first.restPosition - second.restPosition) * 0.5;
      painter.setLineThickness(kHalfEdgeWidth, 1);
      painter.setPointSize(kHalfEdgeWidth, 1);
      for (const ControlPoint* end : {&first, &second})
        if (colours.isKnown(end->portIndex)) {
          setColours(painter, colours.colour[end->portIndex], colours.colour[end->portIndex]);
          painter.drawLine(end->restPosition, mid);
        }
    }
    if (filled) {
      setColours(painter, kFillStroke, kFillColour);
      painter.drawQuad(centroid, centroid, first.restPosition, second.restPosition);
    }
  }
}

// Every point at rest, the main input's larger; when picking, in its peg's pick colour.
void PointConstraintMultiModule::drawPoints(VU_Painter& painter, const std::vector<ControlPoint>& points, bool picking,
                                            const PortColours& colours) {
  const bool upstream = isSelectedInputRecursive();
  for (const ControlPoint& p : points) {
    MO_Module* m = inputModule(static_cast<int>(p.portIndex));
    const bool selected = inputSelected(m);
    if (selected)
      m_selectedPort = static_cast<int>(p.portIndex);
    if (!picking) {
      const bool highlighted = selected || (m_selectedPort == static_cast<int>(p.portIndex) && !upstream);
      setColours(painter, highlighted ? kHighlightStroke : kPointStroke, highlighted ? kHighlightFill : kPointFill);
      painter.setPointSize(kPointSize * (highlighted ? kHighlightFactor : 1.0), 1);
      painter.drawPoint(p.restPosition);
    } else if (!m) {
      painter.setPointSize(kPointSize, 1);
      painter.drawPoint(p.restPosition);
    } else if (colours.isKnown(p.portIndex)) {
      setColours(painter, colours.colour[p.portIndex], colours.colour[p.portIndex]);
      painter.setPointSize(kPointSize * kHighlightFactor, 1);
      painter.drawPoint(p.restPosition);
    }
  }
}
