#include "Core/DrawingSpace.h"

#include "Core/Constraint_TemplateModule.h"

DrawingSpace::DrawingSpace(const MO_OGLContext& ctx, const Math::Matrix4x4& model) : m_binder(ctx.oglMatrixManager()) {
  if (m_binder) {
    m_saved = m_binder->modelMatrix();
    m_binder->setModelMatrix(model);
  }
}

DrawingSpace::~DrawingSpace() {
  if (m_binder)
    m_binder->setModelMatrix(m_saved);
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
