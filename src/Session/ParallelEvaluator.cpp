#include "ParallelEvaluator.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
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
  int threads = 1;
  // Thread k > 0 evaluates copies[k - 1], on which nodes[n] is copyNodes[k - 1][n].
  std::vector<std::unique_ptr<SC_SceneCommon>> copies;
  std::vector<std::vector<MO_Module*>> copyNodes;
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
  m_threadsUsed = 1;
  Work work{nodes, frames, {}, 0, threadsFor(frames.size()), {}, {}};
  if (work.threads > 1 && !nodes.empty()) {
    work.history = withHistory(m_scene, nodes);
    work.historyCount = static_cast<std::size_t>(std::count(work.history.begin(), work.history.end(), true));
  }
  if (work.threads == 1 || nodes.empty() || work.historyCount == nodes.size()) {
    SC_SceneEvaluator(m_scene).evaluate(nodes, frames, sink, progress);
    return;
  }
  // The copies are read here, before any thread starts: reading a scene touches the host's
  // process-wide registries and revision.
  const QByteArray xml = PIO_SceneWriter::writeData(m_scene);
  std::unordered_map<const MO_Module*, std::size_t> index;
  for (std::size_t i = 0; i < m_scene.nodes().size(); ++i)
    index[m_scene.nodes()[i]] = i;
  for (int k = 1; k < work.threads; ++k) {
    PIO_LoadError error;
    std::unique_ptr<SC_SceneCommon> copy = PIO_SceneReader::readData(xml, QStringLiteral("copy of the scene"), &error);
    if (!copy || copy->nodes().size() != m_scene.nodes().size())
      throw std::logic_error("the scene does not read back from what the scene writer writes of it");
    std::vector<MO_Module*> mapped;
    for (MO_Module* n : nodes)
      mapped.push_back(copy->nodes()[index.at(n)]);
    work.copyNodes.push_back(std::move(mapped));
    work.copies.push_back(std::move(copy));
  }
  m_threadsUsed = work.threads;
  evaluateRounds(work, sink, progress);
}

namespace {

// The blocks of one round's frames [begin, end): with history to carry, the first thread also
// evaluates those nodes at every frame, so it takes fewer of the others' frames, in proportion.
std::vector<Block> blocksOf(std::size_t begin, std::size_t end, int threads, std::size_t historyNodes,
                            std::size_t nodes) {
  const std::size_t frames = end - begin;
  const std::size_t free = nodes - historyNodes;
  const double share =
      static_cast<double>(frames) * static_cast<double>(nodes) / threads - static_cast<double>(frames * historyNodes);
  const std::size_t first =
      historyNodes == 0 ? frames / static_cast<std::size_t>(threads)
                        : static_cast<std::size_t>(std::clamp(share / static_cast<double>(free), 0.0, double(frames)));
  std::vector<Block> blocks{{begin, begin + first}};
  const std::size_t rest = frames - first;
  const std::size_t others = static_cast<std::size_t>(threads - 1);
  for (std::size_t k = 0; k < others; ++k)
    blocks.push_back({begin + first + rest * k / others, begin + first + rest * (k + 1) / others});
  return blocks;
}

// Threads joined however the scope is left (a thread that failed to start included).
struct Joined {
  std::vector<std::thread> list;
  ~Joined() {
    for (std::thread& t : list)
      t.join();
  }
};

} // namespace

void ParallelEvaluator::evaluateRounds(Work& work, const FrameSink& sink, const Progress& progress) {
  const std::size_t count = work.nodes.size();
  const std::size_t total = work.frames.size();
  const std::size_t roundFrames =
      std::clamp<std::size_t>(m_limits.roundMatrices / count, static_cast<std::size_t>(work.threads), total);
  std::vector<Math::Matrix4x4> held(roundFrames * count);
  std::vector<Math::Matrix4x4> matrices(count);
  for (std::size_t begin = 0; begin < total; begin += roundFrames) {
    const std::size_t end = std::min(total, begin + roundFrames);
    const std::vector<Block> blocks = blocksOf(begin, end, work.threads, work.historyCount, count);
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(work.threads));
    std::atomic<bool> failed{false};
    // Thread k writes only the rows of its own frames, and of its own nodes in those it shares.
    const auto run = [&](int k) {
      try {
        SC_SceneCommon& scene = k == 0 ? m_scene : *work.copies[static_cast<std::size_t>(k - 1)];
        const std::vector<MO_Module*>& nodes = k == 0 ? work.nodes : work.copyNodes[static_cast<std::size_t>(k - 1)];
        const Block block = blocks[static_cast<std::size_t>(k)];
        SC_SceneEvaluator evaluator(scene);
        // The first thread: the nodes with history at every frame, all nodes in its block;
        // the others: the nodes without history in their blocks.
        for (std::size_t f = k == 0 ? begin : block.begin; f < (k == 0 ? end : block.end) && !failed; ++f) {
          const bool all = k == 0 && block.contains(f);
          for (std::size_t n = 0; n < count; ++n)
            if (all || (k == 0) == work.history[n])
              held[(f - begin) * count + n] = evaluator.evaluate(nodes[n], work.frames[f]);
        }
      } catch (...) {
        errors[static_cast<std::size_t>(k)] = std::current_exception();
        failed = true;
      }
    };
    {
      Joined threads;
      for (int k = 1; k < work.threads; ++k)
        threads.list.emplace_back(run, k);
      run(0);
    }
    for (const std::exception_ptr& e : errors)
      if (e)
        std::rethrow_exception(e);
    for (std::size_t f = begin; f < end; ++f) {
      // A sink may read the scene at its current frame, which one thread leaves at the frame
      // it just evaluated.
      m_scene.setCurrentFrame(work.frames[f]);
      std::copy_n(held.begin() + static_cast<std::ptrdiff_t>((f - begin) * count), count, matrices.begin());
      sink(f, matrices);
      if (progress)
        progress(static_cast<int>(f + 1), static_cast<int>(total));
    }
  }
}
