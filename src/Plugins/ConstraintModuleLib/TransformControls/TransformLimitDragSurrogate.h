#pragma once
// A component of the limit node's control position (scene units) while it is dragged: it stands
// in for POS.X or POS.Y so that the node computes and draws with the dragged position before
// anything is committed.
#include "HostInterface/HostAttributes.h"

class TransformLimitDragSurrogate : public AT_ScalarSimpleAttrSurrogate {
public:
  using AT_ScalarSimpleAttrSurrogate::AT_ScalarSimpleAttrSurrogate;
  ~TransformLimitDragSurrogate() override = default;
};
