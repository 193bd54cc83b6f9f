#include "DynamicSpring/SpringHistory.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kNoFrame = static_cast<std::size_t>(-1);

} // namespace

bool SpringHistory::Mark::sameAs(const Mark& other) const {
  return std::memcmp(&activity, &other.activity, sizeof activity) == 0 && stamp == other.stamp &&
         valid == other.valid && update == other.update && origin == other.origin;
}

std::size_t SpringHistory::runOf(std::size_t frame) const {
  const std::size_t n = m_runs.size();
  const auto holds = [&](std::size_t r) {
    return m_runs[r].first <= frame && (r + 1 == n || frame < m_runs[r + 1].first);
  };
  if (m_lastRun < n) {
    if (holds(m_lastRun))
      return m_lastRun;
    if (m_lastRun + 1 < n && holds(m_lastRun + 1))
      return ++m_lastRun;
    if (m_lastRun > 0 && holds(m_lastRun - 1))
      return --m_lastRun;
  }
  const auto after =
      std::upper_bound(m_runs.begin(), m_runs.end(), frame, [](std::size_t f, const Run& r) { return f < r.first; });
  m_lastRun = static_cast<std::size_t>(after - m_runs.begin()) - 1;
  return m_lastRun;
}

// The frame becomes a run of its own between what is left of its run on either side, then joins
// a neighbour marked alike.
void SpringHistory::setMark(std::size_t frame, const Mark& mark) {
  const std::size_t r = runOf(frame);
  if (m_runs[r].mark.sameAs(mark))
    return;
  const Run old = m_runs[r];
  const std::size_t end = r + 1 < m_runs.size() ? m_runs[r + 1].first : m_size;
  std::size_t at = r;
  if (frame > old.first)
    m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(++at), Run{frame, mark});
  else
    m_runs[r].mark = mark;
  if (frame + 1 < end)
    m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(at + 1), Run{frame + 1, old.mark});
  else if (at + 1 < m_runs.size() && m_runs[at + 1].mark.sameAs(mark))
    m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(at + 1));
  if (frame == old.first && at > 0 && m_runs[at - 1].mark.sameAs(mark))
    m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(at--));
  m_lastRun = at;
}

void SpringHistory::resize(std::size_t n) {
  // Frames added hold no state until one is stored; dropped frames go with their runs.
  // Growing keeps every state: all of them stand before the old size.
  if (n >= m_size) {
    if (n > m_size && (m_runs.empty() || !m_runs.back().mark.sameAs(Mark())))
      m_runs.push_back(Run{m_size, Mark()});
    m_size = n;
    return;
  }
  m_size = n;
  while (!m_runs.empty() && m_runs.back().first >= n)
    m_runs.pop_back();
  m_lastRun = std::min(m_lastRun, m_runs.empty() ? 0 : m_runs.size() - 1);
  if (!m_whole.empty())
    m_whole.erase(m_whole.lower_bound(n), m_whole.end());
  if (m_checkpoints.size() > (n + kCheckpointEvery - 1) / kCheckpointEvery)
    m_checkpoints.resize((n + kCheckpointEvery - 1) / kCheckpointEvery);
}

void SpringHistory::store(std::size_t frame, const SpringHistoryEntry& entry, Origin origin) {
  Mark m;
  m.activity = entry.activity;
  m.stamp = entry.stamp;
  m.valid = entry.valid;
  m.update = entry.update;
  m.origin = origin;
  setMark(frame, m);
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
  const Mark m = mark(frame);
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
  return m_runs.capacity() * sizeof(Run) +
         (m_checkpoints.size() + m_recent.capacity() + m_whole.size()) * sizeof(SpringHistoryEntry) +
         m_recentFrame.capacity() * sizeof(std::size_t);
}
