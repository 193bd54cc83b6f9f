#pragma once
// Baking a node's motion into keys: a new unparented peg whose keys, one a frame with linear
// interpolation, give the node's output matrix at every frame of a range (PegChannels takes
// each matrix apart). A channel that holds one value over the whole range gets that value
// and no keys.
#include <QString>
#include <functional>
#include <memory>

#include "FrameRange.h"

class CO_Command;
class MO_Module;
class SC_SceneCommon;

namespace BakeKeys {
// Called after each frame evaluated with the number done and the total.
using Progress = std::function<void(int done, int total)>;

// The edit, not yet run: adds the peg named `pegName` and, with `replace`, moves every link that
// leaves the node's matrix output to the peg's; the node is evaluated on `jobs` threads
// (ParallelEvaluator.h). Throws BadArgumentError when the node's output is not a
// finite matrix at some frame of the range.
std::unique_ptr<CO_Command> createCommand(SC_SceneCommon& scene, MO_Module* node, const FrameRange& range,
                                          const QString& pegName, bool replace, const Progress& progress = {},
                                          int jobs = 1);

// The largest difference between any value of the node's output matrix and the same value of
// the peg's over the range, where it occurs, and whether every difference stays within 1e-9 of
// its value (of 1 for values smaller than 1): what a peg expresses exactly comes back that close.
struct Residual {
  double largest = 0.0;
  int frame = 0;
  int value = 0; // 0 to 15, column order
  bool exact = true;
  // The largest magnitude of any of the node's values over the range, and its frame.
  double peak = 0.0;
  int peakFrame = 0;
};
Residual residual(SC_SceneCommon& scene, MO_Module* node, MO_Module* peg, const FrameRange& range,
                  const Progress& progress = {}, int jobs = 1);
} // namespace BakeKeys
