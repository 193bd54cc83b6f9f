#include "LiveDrag.h"

#include "BaseCore/PlaneProjection.h"
#include "Command/CO_AttrCommands.h"
#include "Command/CO_OrCommand.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_SimpleAttrSurrogate.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneCore/SLB_NodeDragManipulatorFactory.h"
#include "SceneCore/SLB_SelectableDragManipulator.h"

namespace {

// The plane a pivot is dragged in, as a model matrix whose z = 0 plane passes through the
// pivot facing the view: the drawing's plane for the camera, the ground (y) for the top view,
// the x plane for the side view.
Math::Matrix4x4 facingPlane(VU_SceneRenderer::View view, const Math::Point3d& through) {
  Math::Matrix4x4 m;
  m.translate(Math::Vector3d(through.x, through.y, through.z));
  if (view == VU_SceneRenderer::eTopView)
    m.rotateDegrees(90.0, Math::Vector3d(1, 0, 0));
  else if (view == VU_SceneRenderer::eSideView)
    m.rotateDegrees(90.0, Math::Vector3d(0, 1, 0));
  return m;
}

} // namespace

LiveDrag::LiveDrag(SC_SceneCommon& scene, MO_Module* node, double frame, const Math::CameraTransformChain& chain,
                   int animationMode)
    : m_scene(scene), m_node(node), m_frame(frame), m_chain(chain), m_macro(std::make_unique<CO_OrCommand>()),
      m_context(chain, frame, animationMode, m_macro.get(), {scene.firstFrame(), scene.lastFrame()}) {}

LiveDrag::~LiveDrag() {
  // The manipulator takes its surrogates away as it goes.
  m_manipulator.reset();
  detach();
}

std::unique_ptr<LiveDrag> LiveDrag::start(SC_SceneCommon& scene, MO_Module* node, double frame,
                                          VU_SceneRenderer::View view, const QSize& size, const Math::Point2d& at,
                                          int animationMode, bool pivot, const VU_SceneRenderer::PanZoom& panZoom) {
  if (!node)
    return nullptr;
  const Math::CameraTransformChain chain = VU_SceneRenderer(scene, panZoom).viewChain(frame, view, size);
  std::unique_ptr<LiveDrag> drag(new LiveDrag(scene, node, frame, chain, animationMode));
  SLB_NodeDragManipulatorFactory factory(chain);
  factory.visitModule(node);
  drag->m_manipulator = factory.takeDragManipulator();
  if (drag->m_manipulator) {
    drag->m_manipulator->startDrag(drag->m_context);
    return drag;
  }
  return pivot && drag->holdPivot(view, at) ? std::move(drag) : nullptr;
}

bool LiveDrag::holdPivot(VU_SceneRenderer::View view, const Math::Point2d& at) {
  auto* peg = dynamic_cast<Peg*>(m_node);
  if (!peg)
    return false;
  SC_SceneEvaluator evaluator(m_scene);
  Math::Point3d pivot;
  peg->pivot(MO_FrameKey(m_frame), pivot);
  m_pivotLocal = m_scene.metrics().toOGL(pivot);
  m_pivotWorld = evaluator.evaluate(peg, m_frame) * m_pivotLocal;
  MO_Module* parent = peg->inputModule(peg->mainInPortIdAtFrame(MO_FrameKey(m_frame)));
  m_parentInverse = parent ? evaluator.evaluate(parent, m_frame).getInverse() : Math::Matrix4x4();
  m_plane = facingPlane(view, m_pivotWorld);
  if (!pivotPlanePoint(at, m_grab))
    return false;
  AT_Position3dAttr* position = peg->position();
  for (int i = 0; i < 3; ++i) {
    m_parts[i] = position->part(i);
    m_surrogates[i] = std::make_shared<AT_ScalarSimpleAttrSurrogate>(m_parts[i], m_parts[i]->storedValue(m_frame),
                                                                     static_cast<int>(m_frame), false, false);
    m_parts[i]->setSurrogate(m_surrogates[i]);
  }
  return true;
}

bool LiveDrag::pivotPlanePoint(const Math::Point2d& at, Math::Point3d& world) const {
  Math::CameraTransformChain chain = m_chain;
  chain.setModelMatrix(m_plane);
  Math::Matrix4x4 toView;
  Math::Point3d onPlane;
  if (!chain.compoundMatrix(Math::eSourceModelFrame, Math::eDestinationViewFrame, toView) ||
      !Math::PlaneProjection(toView, true).getInverseProjection(at, onPlane))
    return false;
  world = m_plane * onPlane;
  return true;
}

void LiveDrag::move(const Math::Point2d& at) {
  m_moved = true;
  if (m_manipulator) {
    Math::Point3d onPlane;
    if (SLB_ViewDriver::toDrawingPlane(m_chain, at, onPlane))
      m_manipulator->drag(m_context, onPlane);
    return;
  }
  Math::Point3d now;
  if (!pivotPlanePoint(at, now))
    return;
  // The pivot keeps the offset from the pointer it had when taken hold of.
  const Math::Point3d target = m_pivotWorld + Math::Vector3d(m_grab, now);
  const Math::Point3d local = m_parentInverse * target;
  const Math::Point3d position = m_scene.metrics().fromOGL(
      Math::Point3d(local.x - m_pivotLocal.x, local.y - m_pivotLocal.y, local.z - m_pivotLocal.z));
  const double values[3] = {position.x, position.y, position.z};
  for (int i = 0; i < 3; ++i)
    m_surrogates[i]->setValue(values[i]);
}

void LiveDrag::detach() {
  for (int i = 0; i < 3; ++i)
    if (m_parts[i] && m_parts[i]->surrogate() == m_surrogates[i].get())
      m_parts[i]->setSurrogate(nullptr);
}

std::pair<CO_Command*, QString> LiveDrag::release() {
  QString name;
  if (m_manipulator) {
    m_manipulator->endDrag(m_context);
    m_manipulator.reset();
    name = m_context.currentOperationName();
  } else {
    detach();
    name = QStringLiteral("Move Peg");
    for (int i = 0; i < 3; ++i) {
      const double v = m_surrogates[i]->value();
      // Only the parts that moved: an animated part left alone gets no key.
      if (v == m_parts[i]->storedValue(m_frame))
        continue;
      // Every frame moves by what the drag moved this one: the offset edit takes the value the
      // range's first frame is to have.
      const Attr::FrameRange range = m_context.frameRange();
      const double first = m_parts[i]->storedValue(range.first) + (v - m_parts[i]->storedValue(m_frame));
      m_macro->add(m_context.animationMode() == SLB_ManipContext::eSetAtFrame
                       ? Attr::Double::createSetValueCmd(m_parts[i], m_frame, v)
                       : Attr::Double::createOffsetValueAllFramesCmd(m_parts[i], first, range));
    }
  }
  return {m_macro.release(), name.isEmpty() ? QStringLiteral("Drag") : name};
}
