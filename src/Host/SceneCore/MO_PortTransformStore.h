#pragma once
// What an output port keeps of the transformations computed for it: the most recently added
// frames only, so memory stays the same however many frames a scene has. While each new frame
// goes on the way the one before went (playing, or evaluating a range from its first frame to
// its last) only the latest is kept; once a new frame turns back (a step back, scrubbing, an
// onion skin drawn again, a node asking the frames around the current one) the store keeps
// kKeptFrames from then on. An older frame is simply computed again when asked,
// which gives exactly what keeping it would have given. Every port of a scene holds one store,
// so the frames it keeps while playing are what a big scene's evaluation walks through.
//
// Callers hold the MO_PortTransform* they are given while they compute (a node keeps its own
// result while it asks other frames, even of itself), so a transformation pushed out is not freed
// at once: it is retired, and retired ones are reused only after recycleRetired(), which the
// scene evaluator calls after each request and the first lookup after an edit makes, when no
// computation is under way. The one a store pushed out last waits beside it for the next
// request's new frame, so that playing on takes neither a search nor a shared pool.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/MO_PortTransform.h"

class MO_PortTransformStore {
public:
  static constexpr int kKeptFrames = 8;
  static constexpr int kPlayingFrames = 1;

  MO_PortTransformStore() = default;
  ~MO_PortTransformStore();
  MO_PortTransformStore(const MO_PortTransformStore&) = delete;
  MO_PortTransformStore& operator=(const MO_PortTransformStore&) = delete;

  // The kept transformation of the frame, or null.
  MO_PortTransform* find(const MO_FrameKey& key) {
    if (m_count > 0 && m_frames[m_lastHit] == key.frame())
      return m_transforms[m_lastHit];
    return search(key.frame());
  }
  // The kept transformation of the frame, added empty (pushing out the oldest frame when full)
  // when missing.
  MO_PortTransform* findOrAdd(const MO_FrameKey& key);
  // The same, except that a transformation added is left as it was: for callers that set it
  // before anything else can read it.
  MO_PortTransform* findOrAddUnset(const MO_FrameKey& key) {
    if (MO_PortTransform* t = find(key))
      return t;
    return add(key.frame());
  }
  // Forgets every frame (their transformations are retired, not freed).
  void clear();
  int size() const { return m_count; }
  // How many frames it keeps now: kPlayingFrames until a new frame turns back, then kKeptFrames.
  int capacity() const { return m_capacity; }

  // Makes the transformations retired since the last call available again. Only safe where no
  // caller still holds a transformation it was given: between whole requests, never inside a
  // node's computation.
  static void recycleRetired();
  // Transformations retired to the thread's shared pool and not yet recycled (for tests and
  // benchmarks); the one a store keeps aside is not counted.
  static std::size_t retiredCount();

private:
  MO_PortTransform* search(double frame);
  MO_PortTransform* add(double frame);
  // A transformation for a new frame, from the one pushed out here in an earlier request when
  // there is one; `out` is kept aside in its stead.
  MO_PortTransform* exchange(MO_PortTransform* out);
  // Keeps kKeptFrames from now on, the kept frames in order from the oldest.
  void grow();

  // The frames kept, and their transformations (owned while kept), in two arrays so that a
  // lookup scans the frame numbers alone: the one slot below while playing, else `m_grown`'s.
  double* m_frames = &m_oneFrame;
  MO_PortTransform** m_transforms = &m_oneTransform;
  double m_oneFrame = 0.0;
  MO_PortTransform* m_oneTransform = nullptr;
  // Made when the store starts keeping kKeptFrames: every port of a scene holds a store, and
  // most of them only ever play.
  struct Grown {
    double frames[kKeptFrames] = {};
    MO_PortTransform* transforms[kKeptFrames] = {};
  };
  std::unique_ptr<Grown> m_grown;
  double m_lastAdded = 0.0;
  // Bounds of the kept frames (a frame pushed out may leave them wider than they need be).
  double m_lowest = 0.0;
  double m_highest = 0.0;
  // The transformation pushed out last (owned), and the request it was pushed out in.
  MO_PortTransform* m_aside = nullptr;
  std::uint64_t m_asideIn = 0;
  std::int8_t m_count = 0;
  std::int8_t m_lastHit = 0;
  std::int8_t m_oldest = 0; // where the next frame goes once the store is full
  std::int8_t m_capacity = kPlayingFrames;
  // The way the last new frame went from the one before it (+1, -1; 0 before there were two).
  std::int8_t m_direction = 0;
};
