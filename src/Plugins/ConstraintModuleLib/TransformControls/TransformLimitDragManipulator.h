#pragma once
// Drags the limit node's control position. Until the control exists a drag changes nothing.
#include "HostInterface/HostViews.h"

class TransformLimitDragManipulator : public SLB_SelectableDragManipulator {
public:
  using SLB_SelectableDragManipulator::SLB_SelectableDragManipulator;
};
