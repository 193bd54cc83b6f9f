#pragma once
// Moves a node's control while the user drags it in a view. The view calls startDrag once,
// drag for each pointer move with the pointer carried onto the world's drawing plane (drawing
// units, z = 0), and endDrag once on release. The defaults do nothing; a null node is allowed.
#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Point3d.h"

class MO_Module;
class SLB_ManipContext;

class SLB_SelectableDragManipulator {
public:
  SLB_SelectableDragManipulator(MO_Module* module, const Math::CameraTransformChain& chain);
  virtual ~SLB_SelectableDragManipulator();
  SLB_SelectableDragManipulator(const SLB_SelectableDragManipulator&) = delete;
  SLB_SelectableDragManipulator& operator=(const SLB_SelectableDragManipulator&) = delete;

  MO_Module* module() const { return m_module; }
  const Math::CameraTransformChain& cameraTransformChain() const { return m_chain; }

  virtual void startDrag(SLB_ManipContext& ctx);
  virtual void drag(SLB_ManipContext& ctx, const Math::Point3d& point);
  virtual void endDrag(SLB_ManipContext& ctx);

private:
  MO_Module* m_module;
  Math::CameraTransformChain m_chain;
};
