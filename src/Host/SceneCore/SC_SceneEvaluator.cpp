#include "SceneCore/SC_SceneEvaluator.h"

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_PortTransformStore.h"
#include "SceneCore/SC_SceneCommon.h"
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
  std::vector<Math::Matrix4x4> matrices(nodes.size());
  const int total = static_cast<int>(frames.size());
  for (int f = 0; f < total; ++f) {
    const double frame = frames[static_cast<std::size_t>(f)];
    m_scene.setCurrentFrame(frame);
    {
      // One request for the whole frame: what the nodes were given stays theirs until all are done.
      const Request request;
      for (std::size_t n = 0; n < nodes.size(); ++n)
        matrices[n] = composed(nodes[n], frame);
    }
    sink(static_cast<std::size_t>(f), matrices);
    if (progress)
      progress(f + 1, total);
  }
}
