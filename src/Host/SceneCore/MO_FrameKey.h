#pragma once
// A frame number as the evaluator and the attributes see it. Frames are doubles so that a
// sub-frame can be asked for; two keys are the same frame only when the numbers are equal.

class MO_FrameKey {
public:
  MO_FrameKey() = default;
  explicit MO_FrameKey(double frame) : m_frame(frame) {}
  double frame() const { return m_frame; }
  bool operator==(const MO_FrameKey& o) const { return m_frame == o.m_frame; }
  bool operator!=(const MO_FrameKey& o) const { return m_frame != o.m_frame; }
  bool operator<(const MO_FrameKey& o) const { return m_frame < o.m_frame; }

private:
  double m_frame = 0.0;
};
