#include "DynamicSpring/SpringHistory.h"

namespace {

constexpr std::size_t kNoFrame = static_cast<std::size_t>(-1);

} // namespace

void SpringHistory::resize(std::size_t n) {
  // Slots of dropped frames need no clearing: a frame's mark says whether it holds a state, and
  // only storing one marks it valid again.
  // Growing keeps every state: all of them stand before the old size.
  const bool grows = n >= m_marks.size();
  m_marks.resize(n);
  if (grows)
    return;
  if (!m_whole.empty())
    m_whole.erase(m_whole.lower_bound(n), m_whole.end());
  if (m_checkpoints.size() > (n + kCheckpointEvery - 1) / kCheckpointEvery)
    m_checkpoints.resize((n + kCheckpointEvery - 1) / kCheckpointEvery);
}

void SpringHistory::store(std::size_t frame, const SpringHistoryEntry& entry, Origin origin) {
  Mark& m = m_marks[frame];
  m.activity = entry.activity;
  m.stamp = entry.stamp;
  m.valid = entry.valid;
  m.update = entry.update;
  m.origin = origin;
  if (origin == Origin::Kept) {
    m_whole[frame] = entry;
    return;
  }
  if (!m_whole.empty())
    m_whole.erase(frame);
  if (frame % kCheckpointEvery == 0) {
    const std::size_t i = frame / kCheckpointEvery;
    if (m_checkpoints.size() <= i)
      m_checkpoints.resize(i + 1);
    m_checkpoints[i] = entry;
  }
  remember(frame, entry);
}

const SpringHistoryEntry& SpringHistory::remember(std::size_t frame, const SpringHistoryEntry& entry) {
  if (m_recent.empty()) {
    m_recent.resize(kRecent);
    m_recentFrame.assign(kRecent, kNoFrame);
  }
  m_recent[frame % kRecent] = entry;
  m_recentFrame[frame % kRecent] = frame;
  return m_recent[frame % kRecent];
}

const SpringHistoryEntry* SpringHistory::kept(std::size_t frame) const {
  const Mark& m = m_marks[frame];
  if (!m.valid)
    return nullptr;
  if (m.origin == Origin::Kept)
    return &m_whole.at(frame);
  if (!m_recent.empty() && m_recentFrame[frame % kRecent] == frame)
    return &m_recent[frame % kRecent];
  if (frame % kCheckpointEvery == 0)
    return &m_checkpoints[frame / kCheckpointEvery];
  return nullptr;
}

std::size_t SpringHistory::bytes() const {
  return m_marks.capacity() * sizeof(Mark) +
         (m_checkpoints.capacity() + m_recent.capacity() + m_whole.size()) * sizeof(SpringHistoryEntry) +
         m_recentFrame.capacity() * sizeof(std::size_t);
}
