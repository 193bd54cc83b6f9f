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
  const double t = (frame - prev->first) / (next->first - prev->first);
  return prev->second.value + (next->second.value - prev->second.value) * t;
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
