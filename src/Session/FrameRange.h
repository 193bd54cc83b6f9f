#pragma once
// A closed range of whole frames as the command line writes it: "A" or "A-B" with A <= B
// (either may be negative: "-5--2").
#include <QString>
#include <vector>

struct FrameRange {
  // Frames beyond this either way are a typo (and would not fit the count).
  static constexpr int kMaxFrame = 999999999;

  int first = 1;
  int last = 1;
  int count() const { return last - first + 1; }
  // Every frame of the range, in order.
  std::vector<int> frames() const;
  // False with a reason when the text is not a range or a frame lies beyond kMaxFrame.
  static bool parse(const QString& text, FrameRange& range, QString* why);
};
