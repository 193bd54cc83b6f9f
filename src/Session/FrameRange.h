#pragma once
// A closed range of whole frames as the command line writes it: "A" or "A-B" with A <= B
// (either may be negative: "-5--2").
#include <QString>
#include <vector>

struct FrameRange {
  int first = 1;
  int last = 1;
  int count() const { return last - first + 1; }
  // Every frame of the range, in order.
  std::vector<int> frames() const;
  // False with a reason when the text is not a range.
  static bool parse(const QString& text, FrameRange& range, QString* why);
};
