#pragma once
// Drags the limit node's control. The pointer (on the world's drawing plane, drawing units) is
// carried through the view onto the plane of what arrives at the node's main input, where the
// control lives; while the drag runs POS.X and POS.Y answer from surrogates (scene units), so
// the node's result and its control follow the pointer before anything is committed. The drag
// ends with one command "Change TransformLimit Module" added to the view's macro: POS at the
// frame, or moved over the frame range, by animation mode. Positions the view cannot carry onto
// that plane (seen edge-on) leave the control where it is.
#include <memory>

#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"

class TransformLimitModule;

class TransformLimitDragManipulator : public SLB_SelectableDragManipulator {
public:
  TransformLimitDragManipulator(MO_Module* node, const Math::CameraTransformChain& chain);
  ~TransformLimitDragManipulator() override;

  void drag(SLB_ManipContext& ctx, const Math::Point3d& point) override;
  void startDrag(SLB_ManipContext& ctx) override;
  void endDrag(SLB_ManipContext& ctx) override;

private:
  void detach();

  TransformLimitModule* m_node;
  std::shared_ptr<AT_SimpleAttrSurrogate> m_x;
  std::shared_ptr<AT_SimpleAttrSurrogate> m_y;
  Math::CameraTransformChain m_chain;
};
