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

MO_PortTransform* freshTransform() {
  auto& pool = spare();
  if (pool.empty())
    return new MO_PortTransform();
  MO_PortTransform* t = pool.back().release();
  pool.pop_back();
  t->setTransformation(CC_Transformation(), 0, true);
  return t;
}

void retire(MO_PortTransform* t) { retired().emplace_back(t); }

} // namespace

MO_PortTransformStore::~MO_PortTransformStore() {
  for (int i = 0; i < m_count; ++i)
    delete m_transforms[i];
}

int MO_PortTransformStore::indexOf(double frame) const {
  if (m_lastHit < m_count && m_frames[m_lastHit] == frame)
    return m_lastHit;
  // A frame beyond every kept one (each new frame of a run forwards or backwards) is missing.
  if (frame > m_highest || frame < m_lowest)
    return -1;
  for (int i = 0; i < m_count; ++i)
    if (m_frames[i] == frame)
      return i;
  return -1;
}

MO_PortTransform* MO_PortTransformStore::find(const MO_FrameKey& key) {
  const int i = indexOf(key.frame());
  if (i < 0)
    return nullptr;
  m_lastHit = i;
  m_lastUse[i] = ++m_clock;
  return m_transforms[i];
}

MO_PortTransform* MO_PortTransformStore::findOrAdd(const MO_FrameKey& key) {
  if (MO_PortTransform* t = find(key))
    return t;
  int i = m_count;
  if (m_count < kKeptFrames) {
    ++m_count;
  } else {
    i = 0;
    // Unsigned differences stay right across the clock's wrap-around.
    for (int k = 1; k < kKeptFrames; ++k)
      if (m_clock - m_lastUse[k] > m_clock - m_lastUse[i])
        i = k;
    retire(m_transforms[i]);
  }
  m_frames[i] = key.frame();
  m_highest = m_count == 1 ? key.frame() : std::max(m_highest, key.frame());
  m_lowest = m_count == 1 ? key.frame() : std::min(m_lowest, key.frame());
  m_lastUse[i] = ++m_clock;
  m_transforms[i] = freshTransform();
  m_lastHit = i;
  return m_transforms[i];
}

void MO_PortTransformStore::clear() {
  for (int i = 0; i < m_count; ++i)
    retire(m_transforms[i]);
  m_count = 0;
  m_lastHit = 0;
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
}

std::size_t MO_PortTransformStore::retiredCount() { return retired().size(); }
