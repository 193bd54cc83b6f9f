#include "SceneCore/SLB_ManipContext.h"

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_PortTransform.h"

SLB_ManipContext::SLB_ManipContext(const Math::CameraTransformChain& viewChain, double currentFrame, int animationMode,
                                   CO_OrCommand* macro, std::pair<int, int> frameRange)
    : m_chain(viewChain), m_frame(currentFrame), m_animationMode(animationMode), m_macro(macro), m_range(frameRange) {}

void SLB_ManipContext::cameraTransformChain(Math::CameraTransformChain& chain, MO_Module* node, bool) const {
  chain = m_chain;
  Math::Matrix4x4 model;
  if (node)
    if (MO_PortTransform* t = node->computeTransformation(MO_BaseContext(MO_FrameKey(m_frame), 0)))
      model = t->transformation().matrix(true);
  chain.setModelMatrix(model);
}
