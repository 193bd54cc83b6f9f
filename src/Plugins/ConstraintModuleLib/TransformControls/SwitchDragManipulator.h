#pragma once
// Drags the switch's knob. While the drag runs, ACTIVE answers from a surrogate (percent,
// 0 at the slider's bottom end, 100 at its top), so every reader follows the pointer before
// anything is committed; the drag ends with one command "Change Switch Module" added to the
// view's macro: a value at the frame, or an offset over the frame range, by animation mode.
// Pointer positions are in drawing units on the drawing plane.
#include <memory>

#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"

class Switch;

class SwitchDragManipulator : public SLB_SelectableDragManipulator {
public:
  SwitchDragManipulator(MO_Module* node, const Math::CameraTransformChain& chain);
  ~SwitchDragManipulator() override;

  void drag(SLB_ManipContext& ctx, const Math::Point3d& point) override;
  void startDrag(SLB_ManipContext& ctx) override;
  void endDrag(SLB_ManipContext& ctx) override;

private:
  void detach();

  Switch* m_node;
  std::shared_ptr<AT_SimpleAttrSurrogate> m_handle;
  AT_ScalarSimpleAttrSurrogate* m_surrogate = nullptr;
  Math::CameraTransformChain m_chain;
  double m_offsetX = 0.0;
  double m_offsetY = 0.0;
  double m_scale = 1.0;
};
