#pragma once
// The limit node's pick adaptor: a click on its control (handle 0) picks the node.
#include "Core/ControlPickAdaptor.h"

class TransformLimitPickAdaptor : public ControlPickAdaptor {
public:
  using ControlPickAdaptor::ControlPickAdaptor;
};
