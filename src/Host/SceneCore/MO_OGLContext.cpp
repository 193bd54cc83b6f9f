#include "SceneCore/MO_OGLContext.h"

#include "BaseCore/PlaneProjection.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"

bool MO_OGLContext::isALineView(const Math::Point3d& p) const {
  if (!m_binder)
    return true;
  Math::CameraTransformChain chain = m_binder->cameraTransformChain();
  Math::Matrix4x4 model = chain.modelMatrix();
  model.translate(p.x, p.y, p.z);
  chain.setModelMatrix(model);
  Math::Matrix4x4 toView;
  if (!chain.compoundMatrix(Math::eSourceModelFrame, Math::eDestinationViewFrame, toView))
    return true;
  // The plane's own origin maps to a finite view point; carrying it back fails only when the
  // plane's homography is singular, which is exactly an edge-on plane.
  const Math::PlaneProjection projection(toView, true);
  Math::Point3d viewPoint, back;
  if (!projection.getProjection(Math::Point3d(0, 0, 0), viewPoint))
    return true;
  return !projection.getInverseProjection(viewPoint, back);
}
