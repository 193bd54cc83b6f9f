#include "SceneCore/SC_SceneEvaluator.h"

#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"

Math::Matrix4x4 SC_SceneEvaluator::evaluate(MO_Module* node, double frame) {
  m_scene.setCurrentFrame(frame);
  MO_PortTransform* t = node->computeTransformation(MO_BaseContext(MO_FrameKey(frame), 0));
  return t ? t->transformation().matrix(true) : Math::Matrix4x4();
}

std::vector<std::vector<Math::Matrix4x4>> SC_SceneEvaluator::evaluate(const std::vector<MO_Module*>& nodes,
                                                                      const std::vector<int>& frames,
                                                                      const Progress& progress) {
  std::vector<std::vector<Math::Matrix4x4>> result(nodes.size());
  for (auto& row : result)
    row.reserve(frames.size());
  const int total = static_cast<int>(frames.size());
  for (int f = 0; f < total; ++f) {
    for (std::size_t n = 0; n < nodes.size(); ++n)
      result[n].push_back(evaluate(nodes[n], frames[static_cast<std::size_t>(f)]));
    if (progress)
      progress(f + 1, total);
  }
  return result;
}
