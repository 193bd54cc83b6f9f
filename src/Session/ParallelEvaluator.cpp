#include "ParallelEvaluator.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

// Frames [begin, end) of a round, as indices into the frames asked.
struct Block {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool contains(std::size_t f) const { return f >= begin && f < end; }
};

// Whether each of the scene's nodes depends on history, by a walk up the inputs that visits
// each node once (a rig of ten thousand pegs would not bear a search per node and spring).
std::unordered_map<const MO_Module*, bool> historyOfScene(const SC_SceneCommon& scene) {
  std::unordered_map<const MO_Module*, bool> known;
  for (MO_Module* start : scene.nodes()) {
    // Each entry: a node and the next input to look at; a node is settled once its inputs are.
    std::vector<std::pair<const MO_Module*, int>> stack{{start, 0}};
    while (!stack.empty()) {
      auto& [n, next] = stack.back();
      if (next == 0 && known.count(n)) {
        stack.pop_back();
        continue;
      }
      if (next == 0)
        known[n] = n->isDynamicModule();
      if (next < n->nInPorts()) {
        const MO_Module* src = n->inPort(next++)->realSrcNode();
        if (src && !known.count(src))
          stack.emplace_back(src, 0);
        continue;
      }
      bool carries = known[n];
      for (int i = 0; i < n->nInPorts() && !carries; ++i)
        if (const MO_Module* src = n->inPort(i)->realSrcNode())
          carries = known[src];
      known[n] = carries;
      stack.pop_back();
    }
  }
  return known;
}

} // namespace

struct ParallelEvaluator::Work {
  std::vector<MO_Module*> nodes;
  std::vector<int> frames;
  std::vector<bool> history;
  std::size_t historyCount = 0;
  // The nodes without history, in parts that share no node (see SC_SceneEvaluator).
  std::vector<SC_SceneEvaluator::Part> shared;
  int threads = 1;
  // What the further threads read their copies from, and where each of `nodes` is in the scene.
  QByteArray xml;
  std::vector<std::size_t> places;
  // Frames a thread claims at once.
  std::size_t chunk = 1;
};

int ParallelEvaluator::defaultJobs() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

QString ParallelEvaluator::badJobs(const QString& option, const QString& given) {
  return QStringLiteral("%1 must be a whole number of threads from 1 to %2, not %3")
      .arg(option)
      .arg(kMaxJobs)
      .arg(given);
}

ParallelEvaluator::ParallelEvaluator(SC_SceneCommon& scene, int jobs, const ParallelLimits& limits)
    : m_scene(scene), m_jobs(std::clamp(jobs, 1, kMaxJobs)), m_limits(limits) {
  m_limits.minFramesPerThread = std::max(1, m_limits.minFramesPerThread);
  m_limits.roundMatrices = std::max<std::size_t>(1, m_limits.roundMatrices);
}

std::vector<bool> ParallelEvaluator::withHistory(const SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes) {
  const std::unordered_map<const MO_Module*, bool> known = historyOfScene(scene);
  const auto carries = [&known](const MO_Module* n) {
    const auto it = known.find(n);
    return it != known.end() && it->second;
  };
  const bool everything = scene.camera() && carries(scene.camera());
  std::vector<bool> result;
  for (const MO_Module* n : nodes)
    result.push_back(everything || carries(n));
  return result;
}

int ParallelEvaluator::threadsFor(std::size_t frames) const {
  return static_cast<int>(
      std::clamp<std::size_t>(frames / static_cast<std::size_t>(m_limits.minFramesPerThread), 1, m_jobs));
}

void ParallelEvaluator::evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames,
                                 const FrameSink& sink, const Progress& progress) {
  evaluate(nodes, frames, StagedSink::deliverOnly(sink), progress);
}

void ParallelEvaluator::evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames,
                                 const StagedSink& sink, const Progress& progress) {
  m_threadsUsed = 1;
  Work work{nodes, frames, {}, 0, {}, threadsFor(frames.size()), {}, {}};
  if (work.threads > 1 && !nodes.empty()) {
    work.history = withHistory(m_scene, nodes);
    work.historyCount = static_cast<std::size_t>(std::count(work.history.begin(), work.history.end(), true));
  }
  if (work.threads == 1 || nodes.empty() || work.historyCount == nodes.size()) {
    std::string piece;
    SC_SceneEvaluator(m_scene).evaluate(
        nodes, frames,
        [&](std::size_t f, const std::vector<Math::Matrix4x4>& m) {
          if (sink.prepare)
            sink.prepare(f, m, piece);
          sink.deliver(f, m, piece);
        },
        progress);
    return;
  }
  // Each further thread reads its own copy from these bytes when it starts, beside the first
  // thread's work, and evaluates it to the end: a scene lives on one thread only.
  work.xml = PIO_SceneWriter::writeData(m_scene);
  std::unordered_map<const MO_Module*, std::size_t> index;
  for (std::size_t i = 0; i < m_scene.nodes().size(); ++i)
    index[m_scene.nodes()[i]] = i;
  for (MO_Module* n : nodes)
    work.places.push_back(index.at(n));
  for (SC_SceneEvaluator::Part part : SC_SceneEvaluator::independentParts(m_scene, nodes)) {
    part.erase(std::remove_if(part.begin(), part.end(), [&](std::size_t n) { return work.history[n]; }), part.end());
    if (!part.empty())
      work.shared.push_back(std::move(part));
  }
  m_threadsUsed = work.threads;
  evaluateRounds(work, sink, progress);
}

// One round's frames [begin, end), as indices into the frames asked, and their matrices. The
// nodes without history are shared out in chunks of frames that each thread claims in turn, so a
// thread slowed by other work (reading its copy, handing the round before to the sink) takes fewer.
struct ParallelEvaluator::Round {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::vector<std::vector<Math::Matrix4x4>> held; // a frame's matrices, node by node
  std::atomic<std::size_t> next{0};
  // A frame's piece of the output, when the sink prepares them: frames claimed in turn as for
  // evaluating, and how many are done.
  std::vector<std::string> pieces;
  std::atomic<std::size_t> nextPiece{0};
  std::atomic<std::size_t> piecesDone{0};
  std::vector<std::exception_ptr> errors;
  std::atomic<bool> failed{false};

  void start(std::size_t first, std::size_t last, int threads) {
    begin = first;
    end = last;
    next = first;
    nextPiece = first;
    piecesDone = 0;
    errors.assign(static_cast<std::size_t>(threads), nullptr);
    failed = false;
  }
  void fail(int k, std::exception_ptr e) {
    errors[static_cast<std::size_t>(k)] = std::move(e);
    failed = true;
  }
  void rethrow() const {
    for (const std::exception_ptr& e : errors)
      if (e)
        std::rethrow_exception(e);
  }
};

// The further threads, kept from the first round to the last. Thread k reads its copy of the
// scene, then evaluates its part of every round it is given; the copy is dropped on that thread.
class ParallelEvaluator::Crew {
public:
  Crew(const ParallelEvaluator& owner, const Work& work, const Stage& prepare)
      : m_owner(owner), m_work(work), m_prepare(prepare) {
    try {
      for (int k = 1; k < work.threads; ++k)
        m_threads.emplace_back([this, k] { run(k); });
    } catch (...) {
      stop();
      throw;
    }
  }
  ~Crew() { stop(); }

  // Each thread prepares the pieces of `prepared` (when given), then evaluates its part of `round`
  // (when given).
  void give(Round* round, Round* prepared = nullptr) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_round = round;
    m_prepared = prepared;
    ++m_generation;
    m_busy = static_cast<int>(m_threads.size());
    m_wake.notify_all();
  }
  void wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_busy == 0; });
  }

private:
  void run(int k);
  void stop() {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
      m_wake.notify_all();
    }
    for (std::thread& t : m_threads)
      t.join();
  }

  const ParallelEvaluator& m_owner;
  const Work& m_work;
  const Stage& m_prepare;
  std::vector<std::thread> m_threads;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  Round* m_round = nullptr;
  Round* m_prepared = nullptr;
  std::size_t m_generation = 0;
  int m_busy = 0;
  bool m_stop = false;
};

void ParallelEvaluator::Crew::run(int k) {
  std::unique_ptr<SC_SceneCommon> copy;
  std::vector<MO_Module*> nodes;
  Rows scratch;
  std::exception_ptr unread;
  try {
    PIO_LoadError error;
    copy = PIO_SceneReader::readData(m_work.xml, QStringLiteral("copy of the scene"), &error,
                                     PIO_SceneReader::Text::Dropped);
    if (!copy || copy->nodes().size() <= *std::max_element(m_work.places.begin(), m_work.places.end()))
      throw std::logic_error("the scene does not read back from what the scene writer writes of it");
    for (std::size_t place : m_work.places)
      nodes.push_back(copy->nodes()[place]);
  } catch (...) {
    unread = std::current_exception();
  }
  for (std::size_t seen = 0;;) {
    Round* round = nullptr;
    Round* prepared = nullptr;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
      if (m_stop)
        return;
      seen = m_generation;
      round = m_round;
      prepared = m_prepared;
    }
    if (prepared)
      m_owner.prepareShare(m_work, k, m_prepare, *prepared);
    if (round && unread)
      round->fail(k, unread);
    else if (round)
      m_owner.evaluateShare(m_work, k, *copy, nodes, *round, scratch);
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (--m_busy == 0)
      m_idle.notify_all();
  }
}

// Thread k's part of a round: on the first thread the nodes with history at every frame, in
// order; then, on every thread, chunks of frames for the nodes without history, part after part
// (each part over the chunk's frames before the next). Thread k writes only the matrices of the
// frames it claimed, and of its own nodes in those it shares. A chunk is evaluated into the
// thread's own rows (`scratch`, kept from round to round) and copied into the round's at its end:
// the round's rows are read by the first thread, and stores scattered over them bring their lines
// from that core one by one, where a copy a frame streams them.
void ParallelEvaluator::evaluateShare(const Work& work, int k, SC_SceneCommon& scene,
                                      const std::vector<MO_Module*>& nodes, Round& round, Rows& scratch) const {
  try {
    const std::size_t count = nodes.size();
    SC_SceneEvaluator evaluator(scene);
    const auto at = [&](std::size_t f, std::size_t n) -> Math::Matrix4x4& { return round.held[f - round.begin][n]; };
    if (k == 0 && work.historyCount > 0)
      for (std::size_t f = round.begin; f < round.end && !round.failed; ++f)
        for (std::size_t n = 0; n < count; ++n)
          if (work.history[n])
            at(f, n) = evaluator.evaluate(nodes[n], work.frames[f]);
    if (scratch.size() < work.chunk)
      scratch.assign(work.chunk, std::vector<Math::Matrix4x4>(count));
    for (;;) {
      const std::size_t first = round.next.fetch_add(work.chunk);
      if (first >= round.end || round.failed)
        break;
      const std::size_t last = std::min(round.end, first + work.chunk);
      evaluator.evaluateParts(nodes, work.shared, work.frames, first, last, scratch.data());
      for (std::size_t f = first; f < last; ++f) {
        const std::vector<Math::Matrix4x4>& made = scratch[f - first];
        std::vector<Math::Matrix4x4>& row = round.held[f - round.begin];
        if (work.historyCount == 0)
          std::copy(made.begin(), made.end(), row.begin());
        else
          for (std::size_t n = 0; n < count; ++n)
            if (!work.history[n])
              row[n] = made[n];
      }
    }
  } catch (...) {
    round.fail(k, std::current_exception());
  }
}

// Thread k's part of preparing a round's pieces: chunks of frames claimed in turn. A failure
// stops the others' claims and is the round's.
void ParallelEvaluator::prepareShare(const Work& work, int k, const Stage& prepare, Round& round) const {
  try {
    for (;;) {
      const std::size_t first = round.nextPiece.fetch_add(work.chunk);
      if (first >= round.end || round.failed)
        break;
      const std::size_t last = std::min(round.end, first + work.chunk);
      for (std::size_t f = first; f < last; ++f)
        prepare(f, round.held[f - round.begin], round.pieces[f - round.begin]);
      round.piecesDone.fetch_add(last - first);
    }
  } catch (...) {
    round.fail(k, std::current_exception());
  }
}

// Rounds in turn, two at a time: while the first thread hands one round's frames to the sink,
// the others already evaluate the next, which the first joins once the sink has them all. With a
// sink in two steps, every thread first prepares the pieces of the round to be handed over, and
// the first hands them over once all are made.
void ParallelEvaluator::evaluateRounds(Work& work, const StagedSink& sink, const Progress& progress) {
  const std::size_t count = work.nodes.size();
  const std::size_t total = work.frames.size();
  const std::size_t roundFrames =
      std::clamp<std::size_t>(m_limits.roundMatrices / count, static_cast<std::size_t>(work.threads), total);
  // Small enough that the threads end a round together, large enough to keep each thread's frames
  // mostly consecutive (keys are looked up from the frame asked before) and each part a few frames
  // ahead, as long as every thread still has two chunks of a round.
  const std::size_t threads = static_cast<std::size_t>(work.threads);
  work.chunk = std::max({std::size_t(1), roundFrames / (8 * threads),
                         std::min(SC_SceneEvaluator::kAheadFrames, roundFrames / (2 * threads))});
  std::array<Round, 2> rounds;
  Rows scratch;
  // The further threads read their copies while this one makes the rounds' rows (fresh memory,
  // which costs a page fault every 4 KB).
  Crew crew(*this, work, sink.prepare);
  for (Round& r : rounds) {
    r.held.assign(roundFrames, std::vector<Math::Matrix4x4>(count));
    r.pieces.resize(roundFrames);
  }
  Round* current = &rounds[0];
  current->start(0, roundFrames, work.threads);
  crew.give(current);
  evaluateShare(work, 0, m_scene, work.nodes, *current, scratch);
  crew.wait();
  for (;;) {
    current->rethrow();
    Round* following = current->end == total ? nullptr : current == &rounds[0] ? &rounds[1] : &rounds[0];
    if (following)
      following->start(current->end, std::min(total, current->end + roundFrames), work.threads);
    Round* prepared = sink.prepare ? current : nullptr;
    if (following || prepared)
      crew.give(following, prepared);
    try {
      if (prepared) {
        prepareShare(work, 0, sink.prepare, *current);
        // The others' last claims; a failure in one of them ends the wait.
        while (current->piecesDone < current->end - current->begin && !current->failed)
          std::this_thread::yield();
        if (current->failed)
          throw std::runtime_error("preparing the output failed");
      }
      for (std::size_t f = current->begin; f < current->end; ++f) {
        // A sink may read the scene at its current frame; no thread evaluates the scene meanwhile.
        m_scene.setCurrentFrame(work.frames[f]);
        sink.deliver(f, current->held[f - current->begin], current->pieces[f - current->begin]);
        if (progress)
          progress(static_cast<int>(f + 1), static_cast<int>(total));
      }
    } catch (...) {
      if (following)
        following->failed = true;
      crew.wait();
      // What a thread failed with while preparing comes before this thread's own failure.
      current->rethrow();
      throw;
    }
    if (!following) {
      crew.wait();
      return;
    }
    evaluateShare(work, 0, m_scene, work.nodes, *following, scratch);
    crew.wait();
    current = following;
  }
}
