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
  Math::CameraTransformChain chain;
  const QImage image = pickingImage(scene, frame, chain);
  MO_MainPortModuleVisitor mainPort(viewPoint, chain);
  for (MO_Module* n : scene.nodes())
    mainPort.visitModule(n);
  PickResult result = decode(scene, image, viewPoint);
  if (select && result.node) {
    result.descriptor = result.adaptor->pick(result.id, true, modifiers);
    if (!result.descriptor)
      result.node->selInterface()->subSelect(result.handle, (modifiers & kShiftModifier) != 0);
  }
  return result;
}

SLB_ViewDriver::PickResult SLB_ViewDriver::under(SC_SceneCommon& scene, double frame, const Math::Point2d& viewPoint) {
  Math::CameraTransformChain chain;
  return decode(scene, pickingImage(scene, frame, chain), viewPoint);
}

QImage SLB_ViewDriver::pickingImage(SC_SceneCommon& scene, double frame, Math::CameraTransformChain& chain) const {
  const VU_Drawing drawing =
      VU_SceneRenderer(scene, m_panZoom).draw(frame, m_view, m_size, MO_OGLContext::ePickingMode, &chain);
  return drawing.toImage(chain, m_size, VU_SceneRenderer::kPickBackground, true);
}

SLB_ViewDriver::PickResult SLB_ViewDriver::decode(SC_SceneCommon& scene, const QImage& image,
                                                  const Math::Point2d& viewPoint) const {
  PickResult result;
  const int px = static_cast<int>(std::floor(viewPoint.x));
  const int py = static_cast<int>(std::floor(viewPoint.y));
  if (!std::isfinite(viewPoint.x) || !std::isfinite(viewPoint.y) || px < 0 || py < 0 || px >= m_size.width() ||
      py >= m_size.height())
    return result;
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

SLB_ViewDriver::DragOutcome SLB_ViewDriver::drag(SC_SceneCommon& scene, MO_Module* node, double frame,
                                                 const Math::Point2d& from, const Math::Point2d& to, int animationMode,
                                                 CO_OrCommand* macro, QString* operationName, PickResult* press) {
  if (!node)
    return DragOutcome::NoManipulator;
  const Math::CameraTransformChain chain = VU_SceneRenderer(scene, m_panZoom).viewChain(frame, m_view, m_size);
  SLB_NodeDragManipulatorFactory factory(chain);
  factory.visitModule(node);
  std::unique_ptr<SLB_SelectableDragManipulator> manipulator = factory.takeDragManipulator();
  if (!manipulator)
    return DragOutcome::NoManipulator;
  // A view only drags what the press took hold of.
  const PickResult pressed = under(scene, frame, from);
  if (press)
    *press = pressed;
  if (pressed.node != node)
    return DragOutcome::NotOnHandle;
  SLB_ManipContext ctx(chain, frame, animationMode, macro, {scene.firstFrame(), scene.lastFrame()});
  manipulator->startDrag(ctx);
  // A press and a release in one place is a click: the manipulator is let go unmoved, and its
  // surrogate with it, so the value it took hold of is not written back.
  if (from.x == to.x && from.y == to.y)
    return DragOutcome::NoMotion;
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
  return DragOutcome::Dragged;
}
