#include "MultiPoints/PointConstraintMultiModule.h"

#include <algorithm>
#include <cmath>

#include "Core/ConstraintPipeline.h"
#include "Core/NodeColors.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"

using PointConstraintMulti::ControlPoint;

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

void setColours(VU_Painter& painter, const VS_RGBA& stroke, const VS_RGBA& fill) {
  painter.setLineStrokeColor(stroke);
  painter.setPointStrokeColor(stroke);
  painter.setPointFillColor(fill);
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
  std::int64_t stamp = Constraint_AutoInModule::validateCacheInputs(check);
  const bool project = m_flattentype->value(0) == static_cast<int>(PointConstraintMulti::Flatten_e::PROJECT);
  if (project || m_projectedPoints)
    if (SC_SceneCommon* scene = sceneCommon(); scene && scene->camera(0))
      stamp = std::max(stamp, check(scene->camera(0)));
  return stamp;
}

MO_PortTransform* PointConstraintMultiModule::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx, [&](const Math::Matrix4x4& in, Math::Matrix4x4& out) {
    MO_PortTransform* stored = outPort(0) ? outPort(0)->transform(ctx.frameKey()) : nullptr;
    return computeConstraint(ctx, out, in, stored ? stored->depth() : 0);
  });
}

const PointConstraintMultiModule::FrameEntry* PointConstraintMultiModule::cachedPoints(int frame) const {
  const auto it = m_pointCache.find(frame);
  return it != m_pointCache.end() && it->second.valid ? &it->second : nullptr;
}

bool PointConstraintMultiModule::computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out,
                                                   const Math::Matrix4x4& in, int) {
  const SC_SceneMetrics* metrics = sceneMetrics();
  if (!enabled() || !metrics || nInPorts() == 0) {
    out = in;
    return false;
  }
  const double frame = ctx.frame();
  const bool project = m_flattentype->value(frame) == static_cast<int>(PointConstraintMulti::Flatten_e::PROJECT);
  const bool hull = m_convexhull->localValue();
  const bool perspective = m_allowpersp->localValue();
  double a = clampUnit(m_active->value(frame) / 100.0);

  // Gathering, in port order: the first switch scales the activity, later ones do nothing;
  // a point whose rest position is already taken counts once.
  std::vector<ControlPoint> points;
  bool sawSwitch = false;
  for (int i = 0; i < nInPorts(); ++i) {
    MO_Module* input = inputModule(i);
    if (!input)
      continue;
    bool found = false;
    const double s = queryActiveValue(ctx, input, found);
    if (found) {
      if (!sawSwitch)
        a *= clampUnit(s / 100.0);
      sawSwitch = true;
      continue;
    }
    if (input->selected() || input->isSelectedInputRecursive())
      m_selectedPort = i;
    const Math::Matrix4x4 m = portMatrix(ctx, i, true);
    const Math::Point3d rest = metrics->toOGL(modulePivot(ctx, input));
    const bool taken =
        std::any_of(points.begin(), points.end(), [&](const ControlPoint& p) { return p.restPosition == rest; });
    if (!taken)
      points.push_back(ControlPoint{m, rest, m * rest, static_cast<unsigned int>(i)});
  }
  if (points.empty()) {
    out = in;
    return false;
  }
  if (a == 0.0) {
    out = in;
    return true;
  }

  // The overlay and the pick read every contributing point as gathered, before the hull and
  // the re-expression change the list.
  const float cacheFrame = static_cast<float>(frame);
  if (cacheFrame >= 0.0f && cacheFrame < 2147483520.0f)
    m_pointCache[static_cast<int>(cacheFrame)] = FrameEntry{points, true};

  const Math::Matrix4x4 f = points.front().matrix;
  const Math::Point3d qf = points.front().position;
  if (hull && points.size() >= 3)
    points = PointConstraintMulti::convexHull(std::move(points));

  out = Math::Matrix4x4();
  m_projectedPoints = false;
  const std::size_t n = points.size();
  const auto blend = [a](ControlPoint& p) {
    if (a != 1.0)
      p.position = p.restPosition + (p.position - p.restPosition) * a;
  };
  if (project || n > 3) {
    m_projectedPoints = true;
    // While the camera is evaluated for this node (it may hang below it), a nested computation
    // stays in drawing units instead of asking for the camera again.
    if (sceneCommon() && n > 1 && !m_evaluatingCamera) {
      m_evaluatingCamera = true;
      Math::Matrix4x4 view = sceneCameraMatrix(ctx);
      m_evaluatingCamera = false;
      try {
        view.inverse();
      } catch (...) {
        view = Math::Matrix4x4();
      }
      const Math::Matrix4x4 projection = scenePerspectiveMatrix();
      for (ControlPoint& p : points) {
        if (p.matrix == f || p.position == qf)
          p.position = p.restPosition;
        else
          p.position = projectToDrawingPlane(p.position, view, projection, f, nullptr);
        blend(p);
      }
      out = f;
    }
  } else {
    const Math::Matrix4x4 g = f.getInverse();
    for (ControlPoint& p : points) {
      p.position = g * p.position;
      blend(p);
    }
    out = f;
  }

  switch (n) {
  case 1:
    out = points[0].matrix;
    return true;
  case 2:
    return PointConstraintMulti::fitTwoPoints(points[0].restPosition, points[1].restPosition, points[0].position,
                                              points[1].position, out);
  case 3:
    out *= PointConstraintMulti::fitThreePoints(points[0].restPosition, points[1].restPosition, points[2].restPosition,
                                                points[0].position, points[1].position, points[2].position);
    return true;
  default:
    out *= fitPoints(points, perspective, 0, -1.0, nullptr);
    return true;
  }
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
  CC_CameraChainTransformCanvasBinder* binder = ctx.oglMatrixManager();
  VU_Painter painter(binder);
  const Math::Matrix4x4 savedModel = binder ? binder->modelMatrix() : Math::Matrix4x4();
  if (binder)
    binder->setModelMatrix(portMatrix(MO_BaseContext(ctx.frameKey(), 0), 0, false));

  const double frame = ctx.frameKey().frame();
  const FrameEntry* entry = frame >= 1.0 && frame < 2147483648.0 ? cachedPoints(static_cast<int>(frame)) : nullptr;
  if (entry) {
    const std::vector<ControlPoint>& points = entry->points;
    const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
    const bool upstream = isSelectedInputRecursive();

    std::vector<ControlPoint> outline = points.size() < 3 ? points : PointConstraintMulti::convexHull(points);
    const bool filled = points.size() >= 3 && !picking;
    Math::Point3d centroid(0, 0, 0);
    if (filled && !outline.empty()) {
      for (const ControlPoint& p : outline)
        centroid += p.restPosition;
      centroid = centroid / static_cast<double>(outline.size());
    }

    // Pick colours by input port; a port whose peg has no pick adaptor up its chain draws nothing.
    std::vector<VS_RGBA> pickColour(static_cast<std::size_t>(std::max(nInPorts(), 0)));
    std::vector<bool> pickKnown(pickColour.size(), false);
    const auto known = [&](unsigned int port) { return port < pickKnown.size() && pickKnown[port]; };
    if (picking) {
      for (const ControlPoint& p : points) {
        MO_Module* m = inputModule(static_cast<int>(p.portIndex));
        if (!m || p.portIndex >= pickKnown.size())
          continue;
        if (SLB_ModulePickAdaptor* adaptor = findPickAdaptorUpstream(m, ctx.frameKey())) {
          pickColour[p.portIndex] = VS_RGBA(SLB_PickEngine::idToColor(adaptor->pickingId()));
          pickKnown[p.portIndex] = true;
        } else {
          pickKnown[p.portIndex] = false;
        }
      }
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
        // Each half of an edge picks the peg at its end.
        const Math::Point3d mid = second.restPosition + (first.restPosition - second.restPosition) * 0.5;
        painter.setLineThickness(kHalfEdgeWidth, 1);
        painter.setPointSize(kHalfEdgeWidth, 1);
        if (known(first.portIndex)) {
          setColours(painter, pickColour[first.portIndex], pickColour[first.portIndex]);
          painter.drawLine(first.restPosition, mid);
        }
        if (known(second.portIndex)) {
          setColours(painter, pickColour[second.portIndex], pickColour[second.portIndex]);
          painter.drawLine(second.restPosition, mid);
        }
      }
      if (filled) {
        setColours(painter, kFillStroke, kFillColour);
        painter.drawQuad(centroid, centroid, first.restPosition, second.restPosition);
      }
    }

    for (const ControlPoint& p : points) {
      MO_Module* m = inputModule(static_cast<int>(p.portIndex));
      const bool selected = m && (m->selected() || m->isSelectedInputRecursive());
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
      } else if (known(p.portIndex)) {
        setColours(painter, pickColour[p.portIndex], pickColour[p.portIndex]);
        painter.setPointSize(kPointSize * kHighlightFactor, 1);
        painter.drawPoint(p.restPosition);
      }
    }
  }
  if (binder)
    binder->setModelMatrix(savedModel);
}
