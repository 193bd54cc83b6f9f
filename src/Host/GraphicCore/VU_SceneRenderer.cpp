#include "GraphicCore/VU_SceneRenderer.h"

#include <QRectF>
#include <algorithm>
#include <cmath>
#include <vector>

#include "GraphicCore/VU_Painter.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/MO_PivotVisitor.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"

const VS_RGBA VU_SceneRenderer::kBackground(255, 255, 255, 255);
const VS_RGBA VU_SceneRenderer::kPickBackground(255, 255, 255, 255);
const VS_RGBA VU_SceneRenderer::kOnionBefore(200, 30, 150);
const VS_RGBA VU_SceneRenderer::kOnionAfter(0, 150, 125);

namespace {

const VS_RGBA kAxisColour(205, 208, 214);
const VS_RGBA kBoneColour(55, 60, 72);
const VS_RGBA kPivotColour(255, 136, 0);
const VS_RGBA kSelectedPivotColour(0, 120, 255);
constexpr double kBoneWidth = 3.0;
constexpr double kPivotSize = 11.0;
// Picking shapes are a little larger than what the user sees, so that a click on the edge of a
// visible pivot or bone still finds it.
constexpr double kPickBoneWidth = 7.0;
constexpr double kPickPivotSize = 14.0;
constexpr double kFrameMargin = 1.2;
constexpr double kMinHalfExtent = 1.0;
// Constraint nodes are drawn as a diamond at their output's pivot, hollow so that it reads as
// a node of another kind than a peg.
const VS_RGBA kConstraintFill(255, 255, 255);
constexpr double kConstraintSize = 12.0;
// The onion skin (kOnionBefore, kOnionAfter): each dot the more transparent and smaller the
// farther it lies from the frame shown.
constexpr double kOnionNearAlpha = 230.0;
constexpr double kOnionNearSize = 8.0;
constexpr double kOnionFarSize = 3.5;
// Outside the camera's frame when the image's shape is not the scene's.
const VS_RGBA kLetterbox(228, 230, 234);
const VS_RGBA kLabelColour(40, 44, 54);
const VS_RGBA kLabelBackground(255, 255, 255, 200);
constexpr double kLabelSize = 13.0;

bool hasTransformationOutput(const MO_Module* node) {
  const MO_Port* out = node->outPort(0);
  return out && out->kind() == MO_Port::Matrix;
}

// A node's pivot in the scene at a frame: its own pivot (in scene units) carried by its output.
Math::Point3d pivotPoint(SC_SceneCommon& scene, MO_Module* node, double frame) {
  const Math::Matrix4x4 m = SC_SceneEvaluator(scene).evaluate(node, frame);
  MO_PivotVisitor visitor(MO_BaseContext(MO_FrameKey(frame), 0));
  node->acceptVisitor(&visitor);
  return m * scene.metrics().toOGL(visitor.getPivot());
}

// A node of the drawn hierarchy: a peg, or another node with a transformation output (the
// camera aside), at its pivot.
struct DrawnNode {
  MO_Module* node;
  bool peg;
  Math::Point3d world;
};

std::vector<DrawnNode> drawnNodes(SC_SceneCommon& scene, double frame) {
  std::vector<DrawnNode> out;
  for (MO_Module* n : scene.nodes())
    if (n != scene.camera() && hasTransformationOutput(n))
      out.push_back({n, dynamic_cast<Peg*>(n) != nullptr, pivotPoint(scene, n, frame)});
  return out;
}

// An orthographic view whose eye axes are the rows of `r`, centred on the points and scaled so
// that all of them fit with a margin, keeping the image's aspect ratio.
Math::CameraTransformChain framingChain(const std::vector<Math::Point3d>& points, const double (&r)[3][3],
                                        const QSize& size) {
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Math::Point3d& w = points[i];
    for (int k = 0; k < 3; ++k) {
      const double e = r[k][0] * w.x + r[k][1] * w.y + r[k][2] * w.z;
      lo[k] = i == 0 ? e : std::min(lo[k], e);
      hi[k] = i == 0 ? e : std::max(hi[k], e);
    }
  }
  const double cx = 0.5 * (lo[0] + hi[0]), cy = 0.5 * (lo[1] + hi[1]), cz = 0.5 * (lo[2] + hi[2]);
  const double aspect = double(size.width()) / double(size.height());
  double hx = 0.5 * (hi[0] - lo[0]), hy = 0.5 * (hi[1] - lo[1]);
  // At most one distinct point: nothing to frame, so a unit-sized view around it.
  if (!(std::max(hx, hy) > 1e-9))
    hx = hy = kMinHalfExtent;
  hx *= kFrameMargin;
  hy *= kFrameMargin;
  const double ay = std::max(hy, hx / aspect);
  const double ax = ay * aspect;
  const double depth = (hi[2] - lo[2]) + 2.0 * kMinHalfExtent;

  const Math::Matrix4x4 view(r[0][0], r[1][0], r[2][0], 0, //
                             r[0][1], r[1][1], r[2][1], 0, //
                             r[0][2], r[1][2], r[2][2], 0, //
                             -cx, -cy, -cz, 1);
  const Math::Matrix4x4 projection(1.0 / ax, 0, 0, 0,     //
                                   0, 1.0 / ay, 0, 0,     //
                                   0, 0, -1.0 / depth, 0, //
                                   0, 0, 0, 1);
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, size.width(), size.height()));
  chain.setViewMatrix(view);
  chain.setProjectionMatrix(projection);
  return chain;
}

VS_RGBA faded(const VS_RGBA& c, double alpha) {
  return VS_RGBA(c.red, c.green, c.blue, static_cast<unsigned char>(std::clamp(std::lround(alpha), 0L, 255L)));
}

constexpr double kFrontAxes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
constexpr double kTopAxes[3][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
constexpr double kSideAxes[3][3] = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};

// Only pegs take part in picking: a constraint's handles are its control's own.
bool pickColour(const DrawnNode& d, VS_RGBA& colour) {
  const SLB_ModulePickAdaptor* adaptor = d.peg ? SLB_NodePickAdaptorFactory::pickAdaptorFor(d.node) : nullptr;
  if (adaptor)
    colour = SLB_PickEngine::idToColor(adaptor->handleId(0));
  return adaptor != nullptr;
}

// The world's x and y axes, reaching past every pivot.
void drawAxes(VU_Painter& painter, const std::vector<DrawnNode>& hierarchy) {
  if (hierarchy.empty())
    return;
  double reach = 0.0;
  for (const DrawnNode& d : hierarchy)
    reach = std::max({reach, std::fabs(d.world.x), std::fabs(d.world.y), std::fabs(d.world.z)});
  reach = reach * 1.5 + kMinHalfExtent;
  painter.setLineStrokeColor(kAxisColour);
  painter.setLineThickness(1.0, 1);
  painter.drawLine(Math::Point3d(-reach, 0, 0), Math::Point3d(reach, 0, 0));
  painter.drawLine(Math::Point3d(0, -reach, 0), Math::Point3d(0, reach, 0));
}

// A bone from each input to the node's pivot, drawn in the node's pick colour: clicking a
// bone picks the peg it moves with.
void drawBones(VU_Painter& painter, const std::vector<DrawnNode>& hierarchy, bool picking) {
  auto drawn = [&](const MO_Module* node) -> const DrawnNode* {
    for (const DrawnNode& d : hierarchy)
      if (d.node == node)
        return &d;
    return nullptr;
  };
  painter.setLineThickness(picking ? kPickBoneWidth : kBoneWidth, 1);
  for (const DrawnNode& d : hierarchy) {
    VS_RGBA colour = kBoneColour;
    if (picking && !pickColour(d, colour))
      continue;
    painter.setLineStrokeColor(colour);
    for (int i = 0; i < d.node->nInPorts(); ++i)
      if (const DrawnNode* parent = drawn(d.node->inputModule(i)))
        painter.drawLine(d.world, parent->world);
  }
}

// Pegs' pivots round, constraints' outputs as diamonds; in picking, pegs only, in their colours.
void drawPivots(VU_Painter& painter, const std::vector<DrawnNode>& hierarchy, bool picking) {
  for (const DrawnNode& d : hierarchy) {
    VS_RGBA fill = d.node->selected() ? kSelectedPivotColour : d.peg ? kPivotColour : kConstraintFill;
    VS_RGBA stroke = kBoneColour;
    if (picking) {
      if (!pickColour(d, fill))
        continue;
      stroke = fill;
    }
    painter.setPointShape(d.peg ? VU_Drawing::eRound : VU_Drawing::eDiamond);
    painter.setPointSize(picking ? kPickPivotSize : d.peg ? kPivotSize : kConstraintSize, 1);
    painter.setPointFillColor(fill);
    painter.setPointStrokeColor(stroke);
    painter.drawPoint(d.world);
  }
  painter.setPointShape(VU_Drawing::eRound);
}

// Every node's control, in the space of what arrives at its main input (the space its drag
// manipulator works in too).
void drawControls(SC_SceneCommon& scene, CC_CameraChainTransformCanvasBinder& binder, const MO_OGLContext& context) {
  for (MO_Module* n : scene.nodes()) {
    MO_Module* input = n->inputModule(n->mainInPortIdAtFrame(context.frameKey()));
    const MO_PortTransform* arriving =
        input ? input->computeTransformation(MO_BaseContext(context.frameKey(), 0)) : nullptr;
    binder.setModelMatrix(arriving ? arriving->transformation().matrix(true) : Math::Matrix4x4());
    n->oglRenderControl(context);
  }
}

} // namespace

bool VU_SceneRenderer::parseView(const QString& text, View& view) {
  if (text == QLatin1String("camera"))
    view = eCameraView;
  else if (text == QLatin1String("top"))
    view = eTopView;
  else if (text == QLatin1String("side"))
    view = eSideView;
  else
    return false;
  return true;
}

QRectF VU_SceneRenderer::viewRect(View view, const QSize& size) const {
  const QRectF whole(QPointF(0, 0), QSizeF(size));
  const double ax = m_scene.designAspectRatioX(), ay = m_scene.designAspectRatioY();
  if (view != eCameraView || !m_scene.camera() || !(ax > 0) || !(ay > 0) || size.isEmpty())
    return whole;
  // The largest rectangle of the camera's shape that fits, centred.
  const double aspect = ax / ay;
  double w = size.width(), h = size.height();
  if (w > h * aspect)
    w = h * aspect;
  else
    h = w / aspect;
  return QRectF((size.width() - w) / 2, (size.height() - h) / 2, w, h);
}

QRectF VU_SceneRenderer::shownRect(View view, const QSize& size) const {
  const QRectF rect = viewRect(view, size);
  if (m_panZoom == PanZoom())
    return rect;
  // Panned and zoomed as the view's chain is, so that the bars stay at the camera's frame.
  const double cx = 0.5 * size.width(), cy = 0.5 * size.height();
  auto moved = [&](const QPointF& p) {
    return QPointF(cx + m_panZoom.panX + m_panZoom.zoom * (p.x() - cx),
                   cy + m_panZoom.panY + m_panZoom.zoom * (p.y() - cy));
  };
  return QRectF(moved(rect.topLeft()), moved(rect.bottomRight())).normalized();
}

QString VU_SceneRenderer::caption(double frame, View view) const {
  QString name;
  switch (view) {
  case eTopView:
    name = QStringLiteral("top view");
    break;
  case eSideView:
    name = QStringLiteral("side view");
    break;
  case eCameraView:
    name = m_scene.camera() ? QStringLiteral("camera view (%1)").arg(m_scene.camera()->instanceName())
                            : QStringLiteral("front view (the scene has no camera)");
    break;
  }
  return QStringLiteral("frame %1 \u00b7 %2").arg(AT_ValueText::fromDouble(frame), name);
}

QSize VU_SceneRenderer::defaultSize(const SC_SceneCommon& scene) {
  const double ax = scene.designAspectRatioX(), ay = scene.designAspectRatioY();
  const double height = ax > 0 && ay > 0 ? 960.0 * ay / ax : 540.0;
  return QSize(960, std::clamp(static_cast<int>(std::lround(height)), 1, 4096));
}

void VU_SceneRenderer::setOverlay(const Overlay& overlay) {
  m_overlay = overlay;
  m_framingPoints.clear();
}

std::vector<MO_Module*> VU_SceneRenderer::overlayNodes(bool onion) const {
  if (onion && !m_overlay.onionNodes.empty())
    return m_overlay.onionNodes;
  std::vector<MO_Module*> nodes;
  for (MO_Module* n : m_scene.nodes())
    if (n != m_scene.camera() && hasTransformationOutput(n))
      nodes.push_back(n);
  return nodes;
}

std::vector<Math::Point3d> VU_SceneRenderer::framedPoints(double frame) {
  const std::vector<MO_Module*> onionNodes = m_overlay.onion > 0 ? overlayNodes(true) : std::vector<MO_Module*>();
  auto addFrame = [&](std::vector<Math::Point3d>& points, double f) {
    for (const DrawnNode& d : drawnNodes(m_scene, f))
      points.push_back(d.world);
    for (MO_Module* n : onionNodes)
      for (int k = -m_overlay.onion; k <= m_overlay.onion; ++k)
        points.push_back(pivotPoint(m_scene, n, f + k));
  };
  if (m_framingPoints.empty())
    for (double f : m_overlay.framingFrames)
      addFrame(m_framingPoints, f);
  std::vector<Math::Point3d> points = m_framingPoints;
  addFrame(points, frame);
  return points;
}

void VU_SceneRenderer::applyPanZoom(Math::CameraTransformChain& chain, const QSize& size, const PanZoom& panZoom) {
  if (panZoom == PanZoom())
    return;
  // Each edge of the viewport is moved as the pixels it bounds are.
  const double cx = 0.5 * size.width(), cy = 0.5 * size.height();
  const Math::Rect2d& v = chain.viewport();
  chain.setViewport(Math::Rect2d(
      cx + panZoom.panX + panZoom.zoom * (v.left - cx), cy + panZoom.panY + panZoom.zoom * (v.top - cy),
      cx + panZoom.panX + panZoom.zoom * (v.right - cx), cy + panZoom.panY + panZoom.zoom * (v.bottom - cy)));
}

Math::CameraTransformChain VU_SceneRenderer::viewChain(double frame, View view, const QSize& size) {
  Math::CameraTransformChain chain = framedChain(frame, view, size);
  applyPanZoom(chain, size, m_panZoom);
  return chain;
}

Math::CameraTransformChain VU_SceneRenderer::framedChain(double frame, View view, const QSize& size) {
  m_scene.setCurrentFrame(frame);
  if (view == eTopView || view == eSideView) {
    const Math::CameraTransformChain chain =
        framingChain(framedPoints(frame), view == eTopView ? kTopAxes : kSideAxes, size);
    m_scene.setCurrentFrame(frame);
    return chain;
  }
  Math::Matrix4x4 camera;
  if (!m_scene.cameraMatrix(camera, MO_FrameKey(frame))) {
    const Math::CameraTransformChain chain = framingChain(framedPoints(frame), kFrontAxes, size);
    m_scene.setCurrentFrame(frame);
    return chain;
  }
  double nearPlane = 0.1, farPlane = 1000.0;
  m_scene.cameraPlanes(nearPlane, farPlane);
  const QRectF rect = viewRect(view, size);
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(rect.left(), rect.top(), rect.right(), rect.bottom()));
  chain.setViewMatrix(camera.getInverse());
  chain.setProjectionMatrix(rxscene_func::getSoftRenderPerspectiveMatrix(
      &m_scene, m_scene.designAspectRatioX(), m_scene.designAspectRatioY(), nearPlane, farPlane));
  return chain;
}

int VU_SceneRenderer::pivotsInView(double frame, View view, const QSize& size) {
  const Math::CameraTransformChain chain = viewChain(frame, view, size);
  const QRectF rect = shownRect(view, size) & QRectF(QPointF(0, 0), QSizeF(size));
  Math::Matrix4x4 toClip;
  if (!chain.compoundMatrix(Math::eSourceWorldFrame, Math::eDestinationClipFrame, toClip))
    return 0;
  int count = 0;
  for (const DrawnNode& d : drawnNodes(m_scene, frame)) {
    const Math::Matrix4x4& m = toClip;
    const Math::Point3d& p = d.world;
    const double w = m(3, 0) * p.x + m(3, 1) * p.y + m(3, 2) * p.z + m(3, 3);
    Math::Point3d pixel;
    // Behind the eye, a point comes back mirrored through the division: w says which side it is.
    if (w > 1e-12 && chain.transform(Math::eSourceWorldFrame, p, Math::eDestinationViewFrame, pixel) &&
        rect.contains(QPointF(pixel.x, pixel.y)))
      ++count;
  }
  m_scene.setCurrentFrame(frame);
  return count;
}

VU_Drawing VU_SceneRenderer::draw(double frame, View view, const QSize& size, int renderMode,
                                  Math::CameraTransformChain* chainOut) {
  const Math::CameraTransformChain chain = viewChain(frame, view, size);
  if (chainOut)
    *chainOut = chain;
  // Every node first: controls draw from what their computation of this frame stored.
  SC_SceneEvaluator evaluator(m_scene);
  for (MO_Module* n : m_scene.nodes())
    evaluator.evaluate(n, frame);
  const std::vector<DrawnNode> hierarchy = drawnNodes(m_scene, frame);

  VU_Drawing drawing;
  drawing.setViewRect(shownRect(view, size), kLetterbox);
  if (renderMode != MO_OGLContext::ePickingMode && m_overlay.caption)
    drawing.setCaption(caption(frame, view));
  CC_CameraChainTransformCanvasBinder binder(chain, &drawing);
  VU_Painter painter(&binder);
  const bool picking = renderMode == MO_OGLContext::ePickingMode;
  if (!picking)
    drawAxes(painter, hierarchy);
  if (!picking && m_overlay.onion > 0) {
    drawOnion(painter, frame);
    // The controls below draw from what this frame's computation stored: computed again, since
    // the frames around may have taken its place.
    for (MO_Module* n : m_scene.nodes())
      evaluator.evaluate(n, frame);
  }
  drawBones(painter, hierarchy, picking);
  drawPivots(painter, hierarchy, picking);
  drawControls(m_scene, binder, MO_OGLContext(renderMode, MO_FrameKey(frame), &binder));
  if (!picking && m_overlay.labels) {
    binder.setModelMatrix(Math::Matrix4x4());
    drawLabels(painter, chain, frame);
  }
  return drawing;
}

// Each overlay node's pivot over the frames around, the segments towards the frame shown.
void VU_SceneRenderer::drawOnion(VU_Painter& painter, double frame) {
  for (MO_Module* n : overlayNodes(true)) {
    std::vector<Math::Point3d> path;
    for (int k = -m_overlay.onion; k <= m_overlay.onion; ++k)
      path.push_back(pivotPoint(m_scene, n, frame + k));
    for (int k = -m_overlay.onion; k <= m_overlay.onion; ++k) {
      const Math::Point3d& p = path[static_cast<std::size_t>(k + m_overlay.onion)];
      const int away = std::abs(k);
      // The nearest frames nearly opaque, the farthest a faint trace.
      const double t = m_overlay.onion > 1 ? double(away - 1) / double(m_overlay.onion - 1) : 0.0;
      const VS_RGBA colour =
          k == 0 ? kBoneColour : faded(k < 0 ? kOnionBefore : kOnionAfter, kOnionNearAlpha * (1.0 - 0.8 * t));
      if (k != 0) {
        // The segment towards the frame shown, in the colour of the end farther from it.
        const Math::Point3d& towards = path[static_cast<std::size_t>(k + m_overlay.onion + (k < 0 ? 1 : -1))];
        painter.setLineStrokeColor(colour);
        painter.setLineThickness(2.0, 1);
        painter.drawLine(p, towards);
      }
      painter.setPointFillColor(colour);
      painter.setPointStrokeColor(faded(colour, 0));
      painter.setPointSize(k == 0 ? 5.0 : kOnionNearSize - (kOnionNearSize - kOnionFarSize) * t, 1);
      painter.drawPoint(p);
    }
  }
}

// The overlay nodes' names beside their pivots, in the scene's own space.
void VU_SceneRenderer::drawLabels(VU_Painter& painter, const Math::CameraTransformChain& chain, double frame) {
  painter.setTextColor(kLabelColour);
  painter.setTextSize(kLabelSize);
  painter.setTextBackground(kLabelBackground);
  // Names whose pivots meet are stacked downwards in scene order instead of written over
  // each other; widths are estimated, as fonts are only known when painting.
  std::vector<QRectF> placed;
  for (MO_Module* n : overlayNodes(false)) {
    const Math::Point3d p = pivotPoint(m_scene, n, frame);
    Math::Point3d pixel;
    if (!chain.transform(Math::eSourceWorldFrame, p, Math::eDestinationViewFrame, pixel))
      continue;
    QRectF box(pixel.x + 8.0, pixel.y - 8.0 - kLabelSize, 0.62 * kLabelSize * n->instanceName().size(),
               kLabelSize + 2.0);
    const double home = box.top();
    for (bool moved = true; moved;) {
      moved = false;
      for (const QRectF& other : placed)
        if (box.intersects(other)) {
          box.moveTop(other.bottom() + 1.0);
          moved = true;
        }
    }
    placed.push_back(box);
    // A name moved off its place keeps a thin line to its pivot.
    painter.drawText(p, n->instanceName(), Qt::AlignLeft | Qt::AlignTop, box.left() - pixel.x, box.top() - pixel.y,
                     box.top() != home);
  }
  m_scene.setCurrentFrame(frame);
}

QImage VU_SceneRenderer::renderImage(double frame, View view, const QSize& size, int renderMode) {
  Math::CameraTransformChain chain;
  const VU_Drawing drawing = draw(frame, view, size, renderMode, &chain);
  const bool picking = renderMode == MO_OGLContext::ePickingMode;
  return drawing.toImage(chain, size, picking ? kPickBackground : kBackground, picking);
}

bool VU_SceneRenderer::save(const QString& path, double frame, View view, const QSize& size, int renderMode,
                            QString* why) {
  Math::CameraTransformChain chain;
  const VU_Drawing drawing = draw(frame, view, size, renderMode, &chain);
  const bool picking = renderMode == MO_OGLContext::ePickingMode;
  return drawing.save(path, chain, size, picking ? kPickBackground : kBackground, picking, why);
}
