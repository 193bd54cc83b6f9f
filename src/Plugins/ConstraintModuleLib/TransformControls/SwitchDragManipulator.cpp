#include "TransformControls/SwitchDragManipulator.h"

#include <algorithm>

#include "HostInterface/HostPreferences.h"
#include "HostInterface/HostServices.h"
#include "TransformControls/Switch.h"

SwitchDragManipulator::SwitchDragManipulator(MO_Module* node, const Math::CameraTransformChain& chain)
    : SLB_SelectableDragManipulator(node, chain), m_node(dynamic_cast<Switch*>(node)), m_chain(chain) {}

SwitchDragManipulator::~SwitchDragManipulator() { detach(); }

void SwitchDragManipulator::detach() {
  if (m_node && m_surrogate && m_node->activeAttr()->surrogate() == m_surrogate)
    m_node->activeAttr()->setSurrogate(nullptr);
  m_handle.reset();
  m_surrogate = nullptr;
}

void SwitchDragManipulator::startDrag(SLB_ManipContext& ctx) {
  if (!m_node)
    return;
  ctx.cameraTransformChain(m_chain, m_node->inputModule(0), true);
  const double frame = ctx.currentFrame();
  const double v = m_node->activeAttr()->value(frame);
  const bool segment = rxPref->getBoolValue(QStringLiteral("SP_CONSTANT_SEGMENT"), false);
  m_surrogate = new AT_ScalarSimpleAttrSurrogate(m_node->activeAttr(), v, static_cast<int>(frame), segment, false);
  m_handle.reset(m_surrogate);
  m_node->activeAttr()->setSurrogate(m_handle);
  m_scale = m_node->uiscaleAttr()->value(frame);
  const Math::Point2d offset = m_node->uioffsetposAttr()->value(frame);
  m_offsetX = offset.x;
  m_offsetY = offset.y;
}

void SwitchDragManipulator::drag(SLB_ManipContext&, const Math::Point3d& point) {
  if (!m_node || !m_surrogate)
    return;
  const auto [lo, hi] = Switch::sliderEnds(m_scale);
  const SC_SceneMetrics metrics = m_node->sceneMetrics() ? *m_node->sceneMetrics() : SC_SceneMetrics();
  const Math::Point3d p = metrics.fromOGL(Math::Point3d(point.x, point.y, 0));
  const double t = std::clamp((p.y - lo - m_offsetY) / static_cast<double>(hi - lo), 0.0, 1.0);
  m_surrogate->setValue(t * 100.0);
  m_node->activeAttr()->setSurrogate(m_handle);
}

void SwitchDragManipulator::endDrag(SLB_ManipContext& ctx) {
  if (!m_node || !ctx.macro() || !m_surrogate)
    return;
  ctx.setCurrentOperationName(QStringLiteral("Change Switch Module"));
  const double v = std::clamp(m_surrogate->value(), 0.0, 100.0);
  detach();
  CO_Command* cmd = ctx.animationMode() == 1
                        ? Attr::Double::createSetValueCmd(m_node->activeAttr(), ctx.currentFrame(), v)
                        : Attr::Double::createOffsetValueAllFramesCmd(m_node->activeAttr(), v, ctx.frameRange());
  ctx.macro()->add(cmd);
}
