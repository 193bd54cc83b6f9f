#include "PointConstraints/PointConstraintCommon.h"

#include <algorithm>

namespace PointConstraintCommon {

bool inputSelected(const MO_Module* input) { return input && (input->selected() || input->isSelectedInputRecursive()); }

Math::Matrix4x4 inputMatrixOf(const MO_BaseContext& ctx, MO_Module* node, int port) {
  // A bare interface over the other node reads its port exactly as the node itself would.
  return Constraint_TemplateModule(0, 2, node).portMatrix(ctx, port, true);
}

bool sceneCamera(const Constraint_TemplateModule& node, const MO_BaseContext& ctx, bool& evaluating,
                 Math::Matrix4x4& view, Math::Matrix4x4& perspective) {
  if (evaluating || !node.owner() || !node.owner()->sceneCommon())
    return false;
  // Set while the camera is evaluated: a camera that hangs below this node computes it again,
  // and that nested computation must leave the camera alone.
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  };
  {
    const Guard guard(evaluating);
    view = node.sceneCameraMatrix(ctx);
  }
  try {
    view.inverse();
  } catch (...) {
    view = Math::Matrix4x4();
  }
  perspective = node.scenePerspectiveMatrix();
  return true;
}

std::int64_t withCameraStamp(std::int64_t inputs, const MO_Node& node, bool projecting,
                             const MO_Node::CacheCheck& check) {
  MO_Module* camera = projecting && node.sceneCommon() ? node.sceneCommon()->camera(false) : nullptr;
  return camera ? std::max(inputs, check(camera)) : inputs;
}

void setColours(VU_Painter& painter, const VS_RGBA& strokeAndLine, const VS_RGBA& fill) {
  painter.setPointStrokeColor(strokeAndLine);
  painter.setLineStrokeColor(strokeAndLine);
  painter.setPointFillColor(fill);
}

bool pickColour(MO_Module* input, const MO_FrameKey& key, VS_RGBA& colour) {
  const SLB_ModulePickAdaptor* adaptor = findPickAdaptorUpstream(input, key);
  if (!adaptor)
    return false;
  colour = VS_RGBA(SLB_PickEngine::idToColor(adaptor->pickingId()));
  return true;
}

SceneSpaceDrawing::SceneSpaceDrawing(const MO_OGLContext& ctx) : m_binder(ctx.oglMatrixManager()) {
  if (m_binder) {
    m_saved = m_binder->modelMatrix();
    m_binder->setModelMatrix(Math::Matrix4x4());
  }
}

SceneSpaceDrawing::~SceneSpaceDrawing() {
  if (m_binder)
    m_binder->setModelMatrix(m_saved);
}

} // namespace PointConstraintCommon
