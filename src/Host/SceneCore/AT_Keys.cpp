#include "SceneCore/AT_Keys.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

namespace {
bool frameBefore(double frame, const AT_Keys::Entry& e) { return frame < e.first; }
bool entryBefore(const AT_Keys::Entry& e, double frame) { return e.first < frame; }
} // namespace

// The entries are plain numbers: blocks are copied and freed without running anything on them.
static_assert(std::is_trivially_destructible_v<AT_Keys::Entry>);
static_assert(alignof(AT_Keys::Entry) <= alignof(std::atomic<std::size_t>));

AT_Keys::List::Block* AT_Keys::List::allocate(std::size_t capacity) {
  auto* b = static_cast<Block*>(::operator new(sizeof(Block) + capacity * sizeof(Entry)));
  b->size = 0;
  b->capacity = static_cast<std::uint32_t>(capacity);
  new (&b->hint) std::atomic<std::size_t>(0);
  return b;
}

AT_Keys::List::List(const List& o) {
  if (o.empty())
    return;
  m_block = allocate(o.size());
  std::uninitialized_copy(o.begin(), o.end(), entries());
  m_block->size = o.m_block->size;
}

AT_Keys::List& AT_Keys::List::operator=(const List& o) {
  if (this != &o) {
    List copy(o);
    std::swap(m_block, copy.m_block);
  }
  return *this;
}

AT_Keys::List::~List() { ::operator delete(m_block); }

void AT_Keys::List::insert(std::size_t at, const Entry& e) {
  const std::size_t n = size();
  if (!m_block || n == m_block->capacity) {
    Block* grown = allocate(std::max<std::size_t>(4, 2 * n));
    std::uninitialized_copy(begin(), begin() + at, reinterpret_cast<Entry*>(grown + 1));
    std::uninitialized_copy(begin() + at, end(), reinterpret_cast<Entry*>(grown + 1) + at + 1);
    ::operator delete(m_block);
    m_block = grown;
  } else {
    Entry* first = entries();
    for (std::size_t i = n; i > at; --i)
      new (first + i) Entry(first[i - 1]);
  }
  new (entries() + at) Entry(e);
  m_block->size = static_cast<std::uint32_t>(n + 1);
}

void AT_Keys::List::erase(std::size_t at) {
  Entry* first = entries();
  std::copy(first + at + 1, first + size(), first + at);
  --m_block->size;
}

void AT_Keys::List::clear() {
  if (m_block)
    m_block->size = 0;
}

std::size_t AT_Keys::upperBound(double frame) const {
  const std::size_t n = m_keys.size();
  std::size_t hint = m_keys.hint();
  if (hint > n)
    hint = 0;
  // The hint is right when the key before it is at or before the frame and it is after; the
  // next stretch is tried too, since frames are mostly asked in increasing order.
  auto fits = [&](std::size_t i) {
    return (i == 0 || m_keys[i - 1].first <= frame) && (i == n || frame < m_keys[i].first);
  };
  std::size_t found;
  if (fits(hint))
    found = hint;
  else if (hint < n && fits(hint + 1))
    found = hint + 1;
  else
    found = std::upper_bound(m_keys.begin(), m_keys.end(), frame, frameBefore) - m_keys.begin();
  m_keys.setHint(found);
  return found;
}

const AT_Keys::Key* AT_Keys::find(double frame) const {
  const std::size_t next = upperBound(frame);
  return next > 0 && m_keys[next - 1].first == frame ? &m_keys[next - 1].second : nullptr;
}

void AT_Keys::setKey(double frame, double value, Interpolation interpolation) {
  auto at = std::lower_bound(m_keys.begin(), m_keys.end(), frame, entryBefore);
  if (at != m_keys.end() && at->first == frame)
    m_keys.entries()[at - m_keys.begin()].second = {value, interpolation};
  else
    m_keys.insert(static_cast<std::size_t>(at - m_keys.begin()), Entry{frame, {value, interpolation}});
}

bool AT_Keys::removeKey(double frame) {
  auto at = std::lower_bound(m_keys.begin(), m_keys.end(), frame, entryBefore);
  if (at == m_keys.end() || at->first != frame)
    return false;
  m_keys.erase(static_cast<std::size_t>(at - m_keys.begin()));
  return true;
}

std::optional<double> AT_Keys::value(double frame, bool hold) const {
  const std::size_t n = m_keys.size();
  if (n == 0)
    return std::nullopt;
  // Mostly the frame is still in the stretch the last lookup ended in: then neither a search
  // nor a new hint.
  std::size_t next = m_keys.hint();
  if (next == 0 || next >= n || frame < m_keys[next - 1].first || !(frame < m_keys[next].first))
    next = upperBound(frame);
  if (next == 0)
    return m_keys.front().second.value;
  const std::size_t prev = next - 1;
  const Entry& p = m_keys[prev];
  if (next == n || p.first == frame)
    return p.second.value;
  if (hold || p.second.interpolation == Constant)
    return p.second.value;
  const Entry& q = m_keys[next];
  const double span = q.first - p.first;
  const double t = (frame - p.first) / span;
  const double v0 = p.second.value, v1 = q.second.value;
  if (p.second.interpolation != Smooth)
    return v0 + (v1 - v0) * t;
  // Hermite basis: the values at the ends, and the slopes scaled from per frame to per stretch.
  const double t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * v0 + (t3 - 2 * t2 + t) * span * slopeAt(prev) + (3 * t2 - 2 * t3) * v1 +
         (t3 - t2) * span * slopeAt(next);
}

AT_Keys::Stretch AT_Keys::stretch(double frame) const {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::size_t n = m_keys.size();
  const std::size_t next = upperBound(frame);
  if (next == 0)
    return {-kInf, m_keys.front().first, m_keys.front().second.value, 0.0, 0.0, Stretch::Held};
  const Entry& p = m_keys[next - 1];
  if (next == n)
    return {p.first, kInf, p.second.value, 0.0, 0.0, Stretch::Held};
  const Entry& q = m_keys[next];
  switch (p.second.interpolation) {
  case Constant:
    return {p.first, q.first, p.second.value, 0.0, 0.0, Stretch::Held};
  case Linear:
    return {p.first, q.first, p.second.value, q.second.value - p.second.value, q.first - p.first, Stretch::Linear};
  default:
    return {p.first, q.first, p.second.value, 0.0, 0.0, Stretch::Smooth};
  }
}

double AT_Keys::slopeAt(std::size_t key) const {
  if (key == 0 || key + 1 >= m_keys.size())
    return 0.0;
  const Entry& before = m_keys[key - 1];
  const Entry& after = m_keys[key + 1];
  return (after.second.value - before.second.value) / (after.first - before.first);
}

bool AT_Keys::operator==(const AT_Keys& o) const {
  if (m_keys.size() != o.m_keys.size())
    return false;
  for (std::size_t i = 0; i < m_keys.size(); ++i) {
    const Entry &a = m_keys[i], &b = o.m_keys[i];
    if (a.first != b.first || a.second.value != b.second.value || a.second.interpolation != b.second.interpolation)
      return false;
  }
  return true;
}
