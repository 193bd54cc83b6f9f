#pragma once
// Binds a view's camera chain (model → world → eye → clip → NDC → view) to the canvas that the
// view's painter records into. Nodes change the model matrix (drawing units) between shapes; the
// painter reads the one in force at each call. Without a canvas, painters keep their own record.
#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Matrix4x4.h"

// The recording lives in the painter's library, above this one; the binder only carries it.
class VU_Drawing;

class CC_CameraChainTransformCanvasBinder {
public:
  CC_CameraChainTransformCanvasBinder() = default;
  explicit CC_CameraChainTransformCanvasBinder(const Math::CameraTransformChain& chain, VU_Drawing* canvas = nullptr)
      : m_chain(chain), m_canvas(canvas) {}

  void setModelMatrix(const Math::Matrix4x4& m) { m_chain.setModelMatrix(m); }
  const Math::Matrix4x4& modelMatrix() const { return m_chain.modelMatrix(); }

  const Math::CameraTransformChain& cameraTransformChain() const { return m_chain; }
  void setCameraTransformChain(const Math::CameraTransformChain& chain) { m_chain = chain; }

  VU_Drawing* canvas() const { return m_canvas; }
  void setCanvas(VU_Drawing* canvas) { m_canvas = canvas; }

private:
  Math::CameraTransformChain m_chain;
  VU_Drawing* m_canvas = nullptr;
};
