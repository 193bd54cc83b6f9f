#include "SceneCore/SC_SceneEvaluator.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/MO_PortTransformStore.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/UT_Prefetch.h"
#include "SceneCore/UT_ThreadLocal.h"

namespace {
// Requests under way on this thread; only the outermost one may recycle the ports' retired
// transformations, since a request inside another one runs while its caller still holds what it
// was given.
UT_THREAD_LOCAL int g_depth = 0;
struct Request {
  Request() { ++g_depth; }
  ~Request() {
    if (--g_depth == 0)
      MO_PortTransformStore::recycleRetired();
  }
};
} // namespace

namespace {
const Math::Matrix4x4& composed(MO_Module* node, double frame) {
  const MO_PortTransform* t = node->computeTransformation(MO_BaseContext(MO_FrameKey(frame), 0));
  return t ? t->transformation().matrix(true) : Math::Matrix4x4::Identity;
}

// A part of more nodes than this is beyond a core's caches from one frame to the next (a peg
// with what it keeps comes to about 4 kB), so each node's data would come from memory only when
// its computation asks for it, one read waiting for the one before.
constexpr std::size_t kReadAheadNodes = 256;
// Places down the list at which a node's first lines are asked for, and then, once they are in,
// what its computation reads through them (MO_Module::prefetch).
constexpr std::size_t kNodeAhead = 8;
constexpr std::size_t kDataAhead = 4;
constexpr std::size_t kNodeLines = 4;

// Asks for the data of the nodes a few places after the i-th of the part, while the i-th computes.
void bringIn(const std::vector<MO_Module*>& nodes, const SC_SceneEvaluator::Part& part, std::size_t i) {
  if (i + kNodeAhead < part.size())
    prefetchLines(nodes[part[i + kNodeAhead]], kNodeLines * kCacheLineBytes);
  if (i + kDataAhead < part.size())
    nodes[part[i + kDataAhead]]->prefetch();
}
} // namespace

Math::Matrix4x4 SC_SceneEvaluator::evaluate(MO_Module* node, double frame) {
  m_scene.setCurrentFrame(frame);
  const Request request;
  return composed(node, frame);
}

std::vector<std::vector<Math::Matrix4x4>> SC_SceneEvaluator::evaluate(const std::vector<MO_Module*>& nodes,
                                                                      const std::vector<int>& frames,
                                                                      const Progress& progress) {
  std::vector<std::vector<Math::Matrix4x4>> result(nodes.size());
  for (auto& row : result)
    row.reserve(frames.size());
  evaluate(
      nodes, frames,
      [&](std::size_t, const std::vector<Math::Matrix4x4>& matrices) {
        for (std::size_t n = 0; n < nodes.size(); ++n)
          result[n].push_back(matrices[n]);
      },
      progress);
  return result;
}

void SC_SceneEvaluator::evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames,
                                 const FrameSink& sink, const Progress& progress) {
  const std::vector<Part> parts = independentParts(m_scene, nodes);
  // One part: frame after frame, as the whole scene is one part; several: a few frames ahead.
  const std::size_t ahead =
      parts.size() < 2
          ? 1
          : std::clamp<std::size_t>(kAheadMatrices / std::max<std::size_t>(1, nodes.size()), 1, kAheadFrames);
  std::vector<std::vector<Math::Matrix4x4>> rows(ahead, std::vector<Math::Matrix4x4>(nodes.size()));
  const std::size_t total = frames.size();
  for (std::size_t first = 0; first < total; first += ahead) {
    const std::size_t last = std::min(total, first + ahead);
    evaluateParts(nodes, parts, frames, first, last, rows.data());
    for (std::size_t f = first; f < last; ++f) {
      // A sink may read the scene at its current frame.
      m_scene.setCurrentFrame(frames[f]);
      sink(f, rows[f - first]);
      if (progress)
        progress(static_cast<int>(f + 1), static_cast<int>(total));
    }
  }
}

void SC_SceneEvaluator::evaluateParts(const std::vector<MO_Module*>& nodes, const std::vector<Part>& parts,
                                      const std::vector<int>& frames, std::size_t first, std::size_t last,
                                      std::vector<Math::Matrix4x4>* rows) {
  for (const Part& part : parts) {
    const std::size_t count = part.size();
    const bool readAhead = count > kReadAheadNodes;
    for (std::size_t f = first; f < last; ++f) {
      const double frame = frames[f];
      m_scene.setCurrentFrame(frame);
      // One request for the part at this frame: what its nodes were given stays theirs until all are done.
      const Request request;
      std::vector<Math::Matrix4x4>& row = rows[f - first];
      for (std::size_t i = 0; i < count; ++i) {
        if (readAhead)
          bringIn(nodes, part, i);
        row[part[i]] = composed(nodes[part[i]], frame);
      }
    }
  }
}

std::vector<SC_SceneEvaluator::Part> SC_SceneEvaluator::independentParts(const SC_SceneCommon& scene,
                                                                         const std::vector<MO_Module*>& nodes) {
  // Nodes joined by a link share a root; a root knows whether a dynamic module is among its nodes.
  const std::vector<MO_Module*>& all = scene.nodes();
  std::unordered_map<const MO_Module*, std::size_t> place;
  for (std::size_t i = 0; i < all.size(); ++i)
    place.emplace(all[i], i);
  std::vector<std::size_t> up(all.size());
  std::iota(up.begin(), up.end(), std::size_t(0));
  const auto root = [&up](std::size_t i) {
    while (up[i] != i)
      i = up[i] = up[up[i]];
    return i;
  };
  for (std::size_t i = 0; i < all.size(); ++i)
    for (int p = 0; p < all[i]->nInPorts(); ++p)
      if (const MO_Module* src = all[i]->inPort(p)->realSrcNode()) {
        const auto it = place.find(src);
        if (it != place.end())
          up[root(i)] = root(it->second);
      }
  std::vector<bool> dynamic(all.size(), false);
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i]->isDynamicModule())
      dynamic[root(i)] = true;
  const auto camera = scene.camera() ? place.find(scene.camera()) : place.end();
  const bool onePart = camera != place.end() && dynamic[root(camera->second)];

  std::vector<Part> parts;
  std::unordered_map<std::size_t, std::size_t> partOfRoot;
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    const auto it = place.find(nodes[n]);
    // A node outside the scene's list shares nothing known: a part of its own.
    const std::size_t key = onePart ? 0 : it == place.end() ? all.size() + n : root(it->second);
    const auto [where, added] = partOfRoot.emplace(key, parts.size());
    if (added)
      parts.emplace_back();
    parts[where->second].push_back(n);
  }
  return parts;
}
