#include "SceneCore/MO_PortTransformStore.h"

#include <algorithm>
#include <vector>

#include "SceneCore/UT_ThreadLocal.h"

namespace {

// One pool per thread, like the revision counter: each thread evaluates scenes of its own.
std::vector<std::unique_ptr<MO_PortTransform>>& retired() {
  UT_THREAD_LOCAL std::vector<std::unique_ptr<MO_PortTransform>> list;
  return list;
}

// Recycled transformations waiting for a new frame; beyond this many they are freed, so a jump
// that retired thousands of frames does not keep their memory.
constexpr std::size_t kMaxSpare = 4096;
std::vector<std::unique_ptr<MO_PortTransform>>& spare() {
  UT_THREAD_LOCAL std::vector<std::unique_ptr<MO_PortTransform>> list;
  return list;
}

// Counts the calls of recycleRetired on this thread: a transformation retired under one count
// may be reused once the count has moved on.
UT_THREAD_LOCAL std::uint64_t g_recycled = 1;

MO_PortTransform* freshTransform() {
  auto& pool = spare();
  if (pool.empty())
    return new MO_PortTransform();
  MO_PortTransform* t = pool.back().release();
  pool.pop_back();
  return t;
}

void retire(MO_PortTransform* t) { retired().emplace_back(t); }

} // namespace

MO_PortTransformStore::~MO_PortTransformStore() {
  for (int i = 0; i < m_count; ++i)
    delete m_transforms[i];
  delete m_aside;
}

MO_PortTransform* MO_PortTransformStore::search(double frame) {
  // A frame beyond every kept one (each new frame of a run forwards or backwards) is missing.
  if (frame > m_highest || frame < m_lowest)
    return nullptr;
  for (int i = 0; i < m_count; ++i)
    if (m_frames[i] == frame) {
      m_lastHit = static_cast<std::int8_t>(i);
      return m_transforms[i];
    }
  return nullptr;
}

MO_PortTransform* MO_PortTransformStore::exchange(MO_PortTransform* out) {
  MO_PortTransform* fresh;
  if (m_aside && m_asideIn != g_recycled) {
    fresh = m_aside;
  } else {
    // The one aside may still be held (it was pushed out in this same request): to the pool.
    if (m_aside)
      retire(m_aside);
    fresh = freshTransform();
  }
  m_aside = out;
  m_asideIn = g_recycled;
  return fresh;
}

void MO_PortTransformStore::grow() {
  m_grown = std::make_unique<Grown>();
  for (int i = 0; i < m_count; ++i) {
    const int from = (m_oldest + i) % m_count;
    m_grown->frames[i] = m_frames[from];
    m_grown->transforms[i] = m_transforms[from];
  }
  m_frames = m_grown->frames;
  m_transforms = m_grown->transforms;
  m_oldest = 0;
  m_lastHit = 0;
  m_capacity = kKeptFrames;
}

MO_PortTransform* MO_PortTransformStore::add(double frame) {
  if (m_count > 0) {
    const std::int8_t direction = frame > m_lastAdded ? 1 : -1;
    if (direction != m_direction && m_direction != 0 && m_capacity < kKeptFrames)
      grow();
    m_direction = direction;
  }
  m_lastAdded = frame;
  int i = m_count;
  if (m_count < m_capacity) {
    m_transforms[i] = freshTransform();
    ++m_count;
  } else {
    i = m_oldest;
    m_oldest = static_cast<std::int8_t>((m_oldest + 1) % m_capacity);
    m_transforms[i] = exchange(m_transforms[i]);
  }
  m_frames[i] = frame;
  m_highest = m_count == 1 ? frame : std::max(m_highest, frame);
  m_lowest = m_count == 1 ? frame : std::min(m_lowest, frame);
  m_lastHit = static_cast<std::int8_t>(i);
  return m_transforms[i];
}

MO_PortTransform* MO_PortTransformStore::findOrAdd(const MO_FrameKey& key) {
  if (MO_PortTransform* t = find(key))
    return t;
  MO_PortTransform* t = add(key.frame());
  t->setTransformation(CC_Transformation(), 0, true);
  return t;
}

void MO_PortTransformStore::clear() {
  for (int i = 0; i < m_count; ++i)
    retire(m_transforms[i]);
  m_count = 0;
  m_lastHit = 0;
  m_oldest = 0;
  m_direction = 0;
}

void MO_PortTransformStore::recycleRetired() {
  auto& from = retired();
  auto& to = spare();
  for (auto& t : from) {
    if (to.size() >= kMaxSpare)
      break;
    to.push_back(std::move(t));
  }
  from.clear();
  ++g_recycled;
}

std::size_t MO_PortTransformStore::retiredCount() { return retired().size(); }
