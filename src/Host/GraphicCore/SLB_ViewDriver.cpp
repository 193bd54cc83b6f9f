#include "GraphicCore/SLB_ViewDriver.h"

#include <QImage>
#include <cmath>

#include "BaseCore/PlaneProjection.h"
#include "SceneCore/MO_MainPortModuleVisitor.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SLB_ManipContext.h"
#include "SceneCore/SLB_ModuleDescriptor.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodeDragManipulatorFactory.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"
#include "SceneCore/SLB_SelectableDragManipulator.h"

namespace {
constexpr int kShiftModifier = 0x02000000;
} // namespace

SLB_ViewDriver::PickResult SLB_ViewDriver::pick(SC_SceneCommon& scene, double frame, const Math::Point2d& viewPoint,
                                                bool select, int modifiers) {
  PickResult result;
  VU_SceneRenderer renderer(scene, m_panZoom);
  Math::CameraTransformChain chain;
  const VU_Drawing drawing = renderer.draw(frame, m_view, m_size, MO_OGLContext::ePickingMode, &chain);

  MO_MainPortModuleVisitor mainPort(viewPoint, chain);
  for (MO_Module* n : scene.nodes())
    mainPort.visitModule(n);

  const int px = static_cast<int>(std::floor(viewPoint.x));
  const int py = static_cast<int>(std::floor(viewPoint.y));
  if (!std::isfinite(viewPoint.x) || !std::isfinite(viewPoint.y) || px < 0 || py < 0 || px >= m_size.width() ||
      py >= m_size.height())
    return result;
  const QImage image = drawing.toImage(chain, m_size, VU_SceneRenderer::kPickBackground, true);
  result.id = SLB_PickEngine::colorToId(image.pixel(px, py));
  if (result.id == 0)
    return result;
  for (MO_Module* n : scene.nodes()) {
    SLB_ModulePickAdaptor* adaptor = SLB_NodePickAdaptorFactory::pickAdaptorFor(n);
    const int handle = adaptor ? adaptor->handleOf(result.id) : -1;
    if (handle < 0)
      continue;
    result.node = n;
    result.adaptor = adaptor;
    result.handle = handle;
    break;
  }
  if (select && result.node) {
    result.descriptor = result.adaptor->pick(result.id, true, modifiers);
    if (!result.descriptor)
      result.node->selInterface()->subSelect(result.handle, (modifiers & kShiftModifier) != 0);
  }
  return result;
}

bool SLB_ViewDriver::toDrawingPlane(const Math::CameraTransformChain& chain, const Math::Point2d& viewPoint,
                                    Math::Point3d& planePoint) {
  Math::CameraTransformChain world = chain;
  world.setModelMatrix(Math::Matrix4x4());
  Math::Matrix4x4 toView;
  if (!world.compoundMatrix(Math::eSourceModelFrame, Math::eDestinationViewFrame, toView))
    return false;
  return Math::PlaneProjection(toView, true).getInverseProjection(viewPoint, planePoint);
}

bool SLB_ViewDriver::drag(SC_SceneCommon& scene, MO_Module* node, double frame, const Math::Point2d& from,
                          const Math::Point2d& to, int animationMode, CO_OrCommand* macro, QString* operationName) {
  if (!node)
    return false;
  const Math::CameraTransformChain chain = VU_SceneRenderer(scene, m_panZoom).viewChain(frame, m_view, m_size);
  SLB_NodeDragManipulatorFactory factory(chain);
  factory.visitModule(node);
  std::unique_ptr<SLB_SelectableDragManipulator> manipulator = factory.takeDragManipulator();
  if (!manipulator)
    return false;
  SLB_ManipContext ctx(chain, frame, animationMode, macro, {scene.firstFrame(), scene.lastFrame()});
  manipulator->startDrag(ctx);
  for (int step = 1; step <= kDragSteps; ++step) {
    const double t = double(step) / kDragSteps;
    const Math::Point2d at = step == kDragSteps ? to : from + (to - from) * t;
    Math::Point3d onPlane;
    if (toDrawingPlane(chain, at, onPlane))
      manipulator->drag(ctx, onPlane);
  }
  manipulator->endDrag(ctx);
  if (operationName)
    *operationName = ctx.currentOperationName();
  return true;
}
