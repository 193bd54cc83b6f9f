#include "ViewPick.h"

#include <QImage>
#include <cmath>

#include "GraphicCore/SLB_ViewDriver.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_MainPortModuleVisitor.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"
#include "SessionError.h"

namespace {

QString describe(const MO_Module* node) {
  return QStringLiteral("%1 (%2)").arg(node->instanceName(), node->moduleTypeName());
}

QPoint pixelOf(const Math::Point2d& at) {
  return QPoint(static_cast<int>(std::floor(at.x)), static_cast<int>(std::floor(at.y)));
}

} // namespace

ViewPick::ViewPick(SC_SceneCommon& scene, double frame, VU_SceneRenderer::View view, const QSize& size,
                   const VU_SceneRenderer::PanZoom& panZoom)
    : m_scene(scene), m_frame(frame), m_view(view), m_size(size), m_panZoom(panZoom),
      m_chain(VU_SceneRenderer(scene, panZoom).viewChain(frame, view, size)) {}

void ViewPick::checkInside(const Math::Point2d& at) const {
  const QPoint p = pixelOf(at);
  if (!std::isfinite(at.x) || !std::isfinite(at.y) || p.x() < 0 || p.y() < 0 || p.x() >= m_size.width() ||
      p.y() >= m_size.height())
    throw BadArgumentError(QStringLiteral("the point %1,%2 lies outside the %3x%4 view")
                               .arg(at.x)
                               .arg(at.y)
                               .arg(m_size.width())
                               .arg(m_size.height()));
}

// Each control is drawn as the renderer draws it: in the space of what arrives at the node's
// main input.
MO_Module* ViewPick::controlUnder(const Math::Point2d& at) {
  checkInside(at);
  const QPoint p = pixelOf(at);
  SC_SceneEvaluator evaluator(m_scene);
  for (MO_Module* n : m_scene.nodes())
    evaluator.evaluate(n, m_frame);
  const MO_FrameKey key(m_frame);
  const auto& nodes = m_scene.nodes();
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    MO_Module* n = *it;
    VU_Drawing drawing;
    CC_CameraChainTransformCanvasBinder binder(m_chain, &drawing);
    MO_Module* input = n->inputModule(n->mainInPortIdAtFrame(key));
    const MO_PortTransform* arriving = input ? input->computeTransformation(MO_BaseContext(key, 0)) : nullptr;
    binder.setModelMatrix(arriving ? arriving->transformation().matrix(true) : Math::Matrix4x4());
    n->oglRenderControl(MO_OGLContext(MO_OGLContext::ePickingMode, key, &binder));
    if (drawing.primitives().empty())
      continue;
    const QImage image = drawing.toImage(m_chain, m_size, VU_SceneRenderer::kPickBackground, true);
    if (VS_RGBA(image.pixel(p)) != VU_SceneRenderer::kPickBackground)
      return n;
  }
  return nullptr;
}

std::pair<MO_Module*, int> ViewPick::idUnder(const Math::Point2d& at) {
  checkInside(at);
  Math::CameraTransformChain chain;
  const VU_Drawing drawing =
      VU_SceneRenderer(m_scene, m_panZoom).draw(m_frame, m_view, m_size, MO_OGLContext::ePickingMode, &chain);
  const QImage image = drawing.toImage(chain, m_size, VU_SceneRenderer::kPickBackground, true);
  const int id = SLB_PickEngine::colorToId(image.pixel(pixelOf(at)));
  for (MO_Module* n : m_scene.nodes()) {
    SLB_ModulePickAdaptor* adaptor = id ? SLB_NodePickAdaptorFactory::pickAdaptorFor(n) : nullptr;
    if (const int handle = adaptor ? adaptor->handleOf(id) : -1; handle >= 0)
      return {n, handle};
  }
  return {nullptr, -1};
}

PickResult ViewPick::click(const Math::Point2d& at, MO_Module* named, bool select, int modifiers) {
  // The control is found before the click is told to anyone, so that it is the one the
  // picking image shows.
  MO_Module* control = controlUnder(at);
  const SLB_ViewDriver::PickResult hit =
      SLB_ViewDriver(m_view, m_size, m_panZoom).pick(m_scene, m_frame, at, select, modifiers);
  PickResult result;
  if (hit.node) {
    result.node = hit.node->instanceName();
    result.type = hit.node->moduleTypeName();
    result.handle = hit.handle;
  }
  // A control drawn in its pegs' pick colours picks the peg; its node is named beside it.
  if (control && control != hit.node) {
    result.controlNode = control->instanceName();
    result.controlType = control->moduleTypeName();
  }
  MO_Module* told = named ? named : control;
  if (!told)
    return result;
  MO_MainPortModuleVisitor click(at, m_chain);
  if (click.visitModule(told)) {
    const int port = told->mainInPortIdAtFrame(MO_FrameKey(m_frame));
    const MO_SimplePortMetaData* meta = told->inPortMetadata(port);
    const MO_Module* input = told->inputModule(port);
    result.mainInputOf = told->instanceName();
    result.mainInputPort = port;
    result.mainInputPortName = meta ? meta->name() : QString();
    result.mainInputSource = input ? input->instanceName() : QString();
  } else if (named) {
    throw BadArgumentError(QStringLiteral("node %1 does not choose its main input from a click").arg(describe(named)));
  }
  return result;
}
