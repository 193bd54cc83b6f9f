#pragma once
// What an output port keeps of the transformations computed for it: the most recently used
// frames only (kKeptFrames of them), so memory stays the same however many frames a scene has.
// Enough frames are kept for scrubbing back and forth and for nodes that ask the frames around
// the current one; an older frame is simply computed again when asked, which gives exactly what
// keeping it would have given.
//
// Callers hold the MO_PortTransform* they are given while they compute (a node keeps its own
// result while it asks other frames, even of itself), so a transformation pushed out is not freed
// at once: it is retired, and retired ones are reused only after recycleRetired(), which the
// scene evaluator calls after each request and the first lookup after an edit makes, when no
// computation is under way.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/MO_PortTransform.h"

class MO_PortTransformStore {
public:
  static constexpr int kKeptFrames = 16;

  MO_PortTransformStore() = default;
  ~MO_PortTransformStore();
  MO_PortTransformStore(const MO_PortTransformStore&) = delete;
  MO_PortTransformStore& operator=(const MO_PortTransformStore&) = delete;

  // The kept transformation of the frame, or null.
  MO_PortTransform* find(const MO_FrameKey& key);
  // The kept transformation of the frame, added empty (pushing out the least recently used
  // frame when full) when missing.
  MO_PortTransform* findOrAdd(const MO_FrameKey& key);
  // Forgets every frame (their transformations are retired, not freed).
  void clear();
  int size() const { return m_count; }

  // Makes the transformations retired since the last call available again. Only safe where no
  // caller still holds a transformation it was given: between whole requests, never inside a
  // node's computation.
  static void recycleRetired();
  // Transformations retired and not yet recycled on this thread (for tests and benchmarks).
  static std::size_t retiredCount();

private:
  int indexOf(double frame) const;

  // Kept apart so that a lookup scans the frame numbers alone.
  double m_frames[kKeptFrames] = {};
  std::uint32_t m_lastUse[kKeptFrames] = {};
  MO_PortTransform* m_transforms[kKeptFrames] = {}; // owned while kept
  int m_count = 0;
  int m_lastHit = 0;
  // Bounds of the kept frames (a frame pushed out may leave them wider than they need be).
  double m_lowest = 0.0;
  double m_highest = 0.0;
  std::uint32_t m_clock = 0;
};
