#pragma once
// The spring's states by integer frame, in bounded memory. Every frame has a small mark (whether
// it holds a state, the cache stamp and activity it was made with, whether it moved the output and
// how it was made), kept as runs of frames marked alike: frames played in turn with the same
// settings share one run, so a long play costs next to nothing beyond its checkpoints. Full
// states are kept only every kCheckpointEvery frames, for the kRecent frames stored last, and for
// states that could not be made again the same way (a fractional frame's, say). The node makes a
// state that is not kept again from the state before it, step by step from the nearest kept one:
// each step depends only on the one before, so the states come out the same to the bit.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "DynamicSpring/SpringMath.h"

class SpringHistory {
public:
  // How a frame's state was made, which says what making it again takes.
  enum class Origin : std::uint8_t {
    Step,    // one step on from the state of the frame before
    Restart, // the input itself, at rest (the first frame, or switched off)
    Fresh,   // one step on from a state at rest, the frame before having none
    Kept,    // not to be made again: kept whole for as long as it stands
  };

  // What every frame keeps, state or not.
  struct Mark {
    double activity = 1.0;
    std::int64_t stamp = -1;
    bool valid = false;
    bool update = false;
    Origin origin = Origin::Step;

    // Alike to the bit, so that a frame's mark reads back exactly as it was stored.
    bool sameAs(const Mark& other) const;
  };

  static constexpr std::size_t kCheckpointEvery = 64;
  // The frames the view's trail shows around the current one.
  static constexpr int kTrailBefore = 5;
  static constexpr int kTrailAfter = 3;
  // The recent states are that trail when playing on, and no more: each spring of a rig writes
  // one every frame, and a rig's springs' recent states together stay in the processor's caches
  // only while they are few.
  static constexpr std::size_t kRecent = kTrailBefore + 1 + kTrailAfter;

  std::size_t size() const { return m_size; }
  // Grows with frames holding no state, or drops every frame from n on.
  void resize(std::size_t n);
  // A frame's mark; frame < size().
  Mark mark(std::size_t frame) const { return m_runs[runOf(frame)].mark; }
  // Stores a frame's state, marked with its stamp, activity, update flag and validity.
  void store(std::size_t frame, const SpringHistoryEntry& entry, Origin origin);
  // The whole state kept for a valid frame, or null when it is to be made again.
  const SpringHistoryEntry* kept(std::size_t frame) const;
  // Keeps a state made again among the recent ones, so that frames read in turn are made once.
  const SpringHistoryEntry& remember(std::size_t frame, const SpringHistoryEntry& entry);
  // What the history holds, in bytes (marks, kept states and their slots).
  std::size_t bytes() const;
  // Runs of frames marked alike (a measure of how well the marks pack).
  std::size_t runs() const { return m_runs.size(); }

private:
  // Frames from `first` to the next run's first (or to size()) marked alike.
  struct Run {
    std::size_t first = 0;
    Mark mark;
  };
  // The run holding a frame: the one found last or its neighbour when frames are asked near one
  // another, as they mostly are, else a search.
  std::size_t runOf(std::size_t frame) const;
  void setMark(std::size_t frame, const Mark& mark);

  // In frame order, covering every frame below m_size, neighbours never alike.
  std::vector<Run> m_runs;
  std::size_t m_size = 0;
  // Moved by reads too: a history is read on one thread at a time, as its node is evaluated.
  mutable std::size_t m_lastRun = 0;
  // Frame i * kCheckpointEvery. In blocks that stay where they are: a long play adds one without
  // copying those before it into fresh memory, as a single array growing would.
  std::deque<SpringHistoryEntry> m_checkpoints;
  std::vector<SpringHistoryEntry> m_recent; // frame f in slot f % kRecent
  std::vector<std::size_t> m_recentFrame;   // which frame each slot holds
  std::map<std::size_t, SpringHistoryEntry> m_whole;
};
