#pragma once
// What a node's oglRenderControl is drawn for: the frame, the render mode (0 normal, 2 picking:
// shapes in pick colours only) and the view's matrix manager, whose camera chain carries drawing
// units of the model to view coordinates. A view that cannot show a plane reports a line view.
#include "BaseCore/Point3d.h"
#include "SceneCore/MO_FrameKey.h"

class CC_CameraChainTransformCanvasBinder;

class MO_OGLContext {
public:
  enum RenderMode { eNormalMode = 0, ePickingMode = 2 };

  MO_OGLContext(int renderMode, const MO_FrameKey& key, CC_CameraChainTransformCanvasBinder* binder)
      : m_renderMode(renderMode), m_key(key), m_binder(binder) {}

  int renderMode() const { return m_renderMode; }
  const MO_FrameKey& frameKey() const { return m_key; }
  // Drawing changes the binder's model matrix even through a const context, as the host's does.
  CC_CameraChainTransformCanvasBinder* oglMatrixManager() const { return m_binder; }

  // True when the plane through p parallel to the model's z = 0 plane is seen edge-on (the top
  // and side views), or when p cannot be shown at all (behind the eye, no manager).
  bool isALineView(const Math::Point3d& p) const;

private:
  int m_renderMode;
  MO_FrameKey m_key;
  CC_CameraChainTransformCanvasBinder* m_binder;
};
