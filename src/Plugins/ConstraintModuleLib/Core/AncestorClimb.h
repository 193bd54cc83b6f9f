#pragma once
// The climb up the main inputs to the ancestor that the spring and the limit measure their input
// against (Ignore Parents levels up, or the one Parent's Name names).
#include <cstdint>

#include "HostInterface/HostScene.h"

struct Ancestor {
  MO_Module* node = nullptr; // the last node reached; null when the first step had nowhere to go
  int outPort = 0;           // which of its outputs feeds the climb
  bool stopped = false;      // stopped at the name or after the levels, not where the chain ended
};

// From `from` (the node on a constraint's main input) each step goes to the node on the current
// one's main input at the frame. The climb stops at a node whose instance name is `name`, after
// `levels` steps (at least one), or where the chain ends.
Ancestor climbToAncestor(const MO_FrameKey& key, MO_Module* from, std::uint32_t levels, const QString& name);
