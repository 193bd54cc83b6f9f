#include "SceneCore/AT_Keys.h"

std::optional<double> AT_Keys::value(double frame, bool hold) const {
  if (m_keys.empty())
    return std::nullopt;
  auto next = m_keys.upper_bound(frame);
  if (next == m_keys.begin())
    return next->second.value;
  auto prev = std::prev(next);
  if (next == m_keys.end() || prev->first == frame)
    return prev->second.value;
  if (hold || prev->second.interpolation == Constant)
    return prev->second.value;
  const double span = next->first - prev->first;
  const double t = (frame - prev->first) / span;
  const double v0 = prev->second.value, v1 = next->second.value;
  if (prev->second.interpolation != Smooth)
    return v0 + (v1 - v0) * t;
  // Hermite basis: the values at the ends, and the slopes scaled from per frame to per stretch.
  const double t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * v0 + (t3 - 2 * t2 + t) * span * slopeAt(prev) + (3 * t2 - 2 * t3) * v1 +
         (t3 - t2) * span * slopeAt(next);
}

double AT_Keys::slopeAt(Iterator key) const {
  if (key == m_keys.begin())
    return 0.0;
  const Iterator after = std::next(key);
  if (after == m_keys.end())
    return 0.0;
  const Iterator before = std::prev(key);
  return (after->second.value - before->second.value) / (after->first - before->first);
}

bool AT_Keys::operator==(const AT_Keys& o) const {
  if (m_keys.size() != o.m_keys.size())
    return false;
  for (auto a = m_keys.begin(), b = o.m_keys.begin(); a != m_keys.end(); ++a, ++b)
    if (a->first != b->first || a->second.value != b->second.value ||
        a->second.interpolation != b->second.interpolation)
      return false;
  return true;
}
