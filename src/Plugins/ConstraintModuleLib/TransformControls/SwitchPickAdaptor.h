#pragma once
// The switch's pick adaptor: a click on the slider's knob (handle 0) picks the switch.
#include "Core/ControlPickAdaptor.h"

class SwitchPickAdaptor : public ControlPickAdaptor {
public:
  using ControlPickAdaptor::ControlPickAdaptor;
};
