#pragma once
// A span of frames, both ends included (first <= last; callers that may swap them normalise
// first). Used by edits that apply to every frame of a range. Converts from the (first, last)
// pair that manipulation contexts hand out.
#include <utility>

namespace Attr {
struct FrameRange {
  FrameRange() = default;
  FrameRange(double firstFrame, double lastFrame) : first(firstFrame), last(lastFrame) {}
  FrameRange(const std::pair<int, int>& r) : first(r.first), last(r.second) {} // NOLINT: implicit on purpose

  bool contains(double frame) const { return frame >= first && frame <= last; }

  double first = 0.0;
  double last = 0.0;
};
} // namespace Attr
