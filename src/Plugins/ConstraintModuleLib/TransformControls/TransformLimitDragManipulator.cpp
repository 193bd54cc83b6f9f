#include "TransformControls/TransformLimitDragManipulator.h"

#include "HostInterface/HostScene.h"
#include "HostInterface/HostServices.h"
#include "TransformControls/TransformLimitDragSurrogate.h"
#include "TransformControls/TransformLimitModule.h"

namespace {
TransformLimitDragSurrogate* held(const std::shared_ptr<AT_SimpleAttrSurrogate>& handle) {
  return static_cast<TransformLimitDragSurrogate*>(handle.get());
}
} // namespace

TransformLimitDragManipulator::TransformLimitDragManipulator(MO_Module* node, const Math::CameraTransformChain& chain)
    : SLB_SelectableDragManipulator(node, chain), m_node(dynamic_cast<TransformLimitModule*>(node)), m_chain(chain) {}

TransformLimitDragManipulator::~TransformLimitDragManipulator() { detach(); }

void TransformLimitDragManipulator::detach() {
  if (!m_node)
    return;
  AT_Position2dAttr* pos = m_node->posAttr();
  if (m_x && pos->x()->surrogate() == m_x.get())
    pos->x()->setSurrogate(nullptr);
  if (m_y && pos->y()->surrogate() == m_y.get())
    pos->y()->setSurrogate(nullptr);
  if (m_node->dragSurrogateX() == m_x.get() && m_node->dragSurrogateY() == m_y.get())
    m_node->setDragSurrogates(nullptr, nullptr);
  m_x.reset();
  m_y.reset();
}

void TransformLimitDragManipulator::startDrag(SLB_ManipContext& ctx) {
  if (!m_node)
    return;
  detach();
  ctx.cameraTransformChain(m_chain, m_node->inputModule(0), true);
  const double frame = ctx.currentFrame();
  const bool allFrames = ctx.animationMode() != 1;
  AT_Position2dAttr* pos = m_node->posAttr();
  auto* x = new TransformLimitDragSurrogate(pos->x(), pos->x()->value(frame), allFrames, static_cast<int>(frame), false,
                                            false);
  m_x.reset(x);
  pos->x()->setSurrogate(m_x);
  auto* y = new TransformLimitDragSurrogate(pos->y(), pos->y()->value(frame), allFrames, static_cast<int>(frame), false,
                                            false);
  m_y.reset(y);
  pos->y()->setSurrogate(m_y);
  m_node->setDragSurrogates(x, y);
}

void TransformLimitDragManipulator::drag(SLB_ManipContext&, const Math::Point3d& point) {
  if (!m_node || !m_x || !m_y)
    return;
  // Back from the view onto the main input's plane, as projectToDrawingPlane does with its chain.
  Math::CameraTransformChain work = m_chain;
  Math::Matrix4x4 modelToView;
  if (!work.compoundMatrix(Math::eSourceModelFrame, Math::eDestinationViewFrame, modelToView))
    return;
  const Math::PlaneProjection plane(modelToView, true);
  Math::Point3d inView;
  if (!work.transform(Math::eSourceWorldFrame, point, Math::eDestinationViewFrame, inView))
    return;
  Math::Point3d onPlane;
  if (!plane.getInverseProjection(Math::Point2d(inView.x, inView.y), onPlane))
    return;
  const SC_SceneMetrics metrics = m_node->sceneMetrics() ? *m_node->sceneMetrics() : SC_SceneMetrics();
  const Math::Point3d scene = metrics.fromOGL(Math::Point3d(onPlane.x, onPlane.y, 0));
  held(m_x)->setValue(scene.x);
  held(m_y)->setValue(scene.y);
  m_node->posAttr()->x()->setSurrogate(m_x);
  m_node->posAttr()->y()->setSurrogate(m_y);
}

void TransformLimitDragManipulator::endDrag(SLB_ManipContext& ctx) {
  if (!m_node || !ctx.macro() || !m_x || !m_y)
    return;
  ctx.setCurrentOperationName(QStringLiteral("Change TransformLimit Module"));
  const double x = held(m_x)->value();
  const double y = held(m_y)->value();
  detach();
  AT_Position2dAttr* pos = m_node->posAttr();
  CO_Command* cmd = ctx.animationMode() == 1
                        ? Attr::Position2d::createSetValueCmd(pos, ctx.currentFrame(), x, y)
                        : Attr::Position2d::createTranslateAllFramesCmd(pos, x, y, ctx.frameRange());
  pos->separateAttr()->setLocalValue(true);
  ctx.macro()->add(cmd);
}
