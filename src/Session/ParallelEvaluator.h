#pragma once
// Evaluates nodes of a scene over frames on several threads and hands each frame's matrices to
// the sink on the caller's thread, in frame order, exactly as one thread computes them.
//
// A node with history (a dynamic module such as the spring, whose every frame follows from the
// one before) and every node it drives are evaluated on the scene itself, frame after frame.
// The other nodes' frames are shared out in chunks between the scene and copies of it, one copy
// a further thread, which reads it back from what the scene writer writes of the scene now (so an
// edit not yet saved counts). A thread shares no node with another: each has its own nodes,
// ports, caches and histories. Frames go in rounds of a bounded number of matrices
// (ParallelLimits), so memory stays flat however many frames are asked. A sink in two steps has
// each round's pieces of output (a CSV file's text) made on every thread before the first hands
// them over in order. One job, too few frames to repay a copy, or no node without history: the
// single thread's evaluation.
//
// A node's computation may print a message (a matrix it cannot invert): with several threads
// such lines may come in another order, and those of a node a spring reads twice (the spring's
// thread evaluates it too).
#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "SceneCore/SC_SceneEvaluator.h"

class MO_Module;
class SC_SceneCommon;

// How the work is cut: the fewest frames each thread must have to be started (a copy of a big
// scene costs as much as evaluating it over a hundred frames or so), and the matrices of a round
// (2^14 of them, 2 MB, which stay in the caches; two rounds are held at once, one being handed
// to the sink while the next is evaluated, and each thread holds the frames it claimed last).
struct ParallelLimits {
  int minFramesPerThread = 100;
  std::size_t roundMatrices = std::size_t(1) << 14;
};

class ParallelEvaluator {
public:
  using Progress = SC_SceneEvaluator::Progress;
  using FrameSink = SC_SceneEvaluator::FrameSink;
  using Stage =
      std::function<void(std::size_t frameIndex, const std::vector<Math::Matrix4x4>& matrices, std::string& piece)>;
  // A sink in two steps. `prepare`, when given, makes a frame's piece of the output from its
  // matrices on whichever thread is free, several frames at once, so it must not touch the scene
  // nor anything another frame's call writes; `deliver` then takes each frame with its piece on
  // the caller's thread, in frame order.
  struct StagedSink {
    Stage prepare;
    Stage deliver;
    // A sink in one step: nothing prepared, the matrices delivered. It refers to `sink`.
    static StagedSink deliverOnly(const FrameSink& sink) {
      return {{}, [&sink](std::size_t f, const std::vector<Math::Matrix4x4>& m, std::string&) { sink(f, m); }};
    }
  };

  // More threads than this is a typo, each one being a copy of the scene.
  static constexpr int kMaxJobs = 256;

  // The machine's cores, at least 1.
  static int defaultJobs();
  // What is said of a number of jobs out of range, the option named as its caller names it
  // ("--jobs" at the command line, "jobs" in Python) and the value as given.
  static QString badJobs(const QString& option, const QString& given);

  // `jobs` is held to 1 to kMaxJobs.
  ParallelEvaluator(SC_SceneCommon& scene, int jobs, const ParallelLimits& limits = ParallelLimits());

  // As SC_SceneEvaluator::evaluate: sink(index, matrices) for every frame in order, progress
  // after each. An exception from any thread or from the sink stops the work and is rethrown
  // here once every thread has stopped.
  void evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const FrameSink& sink,
                const Progress& progress = Progress());
  // The same in two steps: the frames' pieces are prepared on every thread.
  void evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const StagedSink& sink,
                const Progress& progress = Progress());

  // Threads the last evaluate ran on (1: the single thread's path).
  int threadsUsed() const { return m_threadsUsed; }

  // For each node, whether its matrices depend on frames evaluated before: a dynamic module, a
  // node it drives, or, when the scene's camera is such a node, every node (constraints may
  // read the camera without a link to it).
  static std::vector<bool> withHistory(const SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes);

private:
  struct Work;
  struct Round;
  class Crew;
  int threadsFor(std::size_t frames) const;
  void evaluateRounds(Work& work, const StagedSink& sink, const Progress& progress);
  using Rows = std::vector<std::vector<Math::Matrix4x4>>;
  void evaluateShare(const Work& work, int k, SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes, Round& round,
                     Rows& scratch) const;
  void prepareShare(const Work& work, int k, const Stage& prepare, Round& round) const;

  SC_SceneCommon& m_scene;
  int m_jobs;
  ParallelLimits m_limits;
  int m_threadsUsed = 1;
};
