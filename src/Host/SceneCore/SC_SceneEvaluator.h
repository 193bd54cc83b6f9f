#pragma once
// Evaluates nodes of a scene over frames, the way the host's renderer asks for them: frame by
// frame, each node's output transformation composed into one matrix (the identity for a node
// that gives none). Results computed for one node are reused by the nodes below it.
#include <functional>
#include <vector>

#include "BaseCore/Matrix4x4.h"

class MO_Module;
class SC_SceneCommon;

class SC_SceneEvaluator {
public:
  // Called after each frame with the number of frames done and the total.
  using Progress = std::function<void(int done, int total)>;
  // Called after each frame with its index in the frames asked and the matrix of each node.
  using FrameSink = std::function<void(std::size_t frameIndex, const std::vector<Math::Matrix4x4>& matrices)>;

  explicit SC_SceneEvaluator(SC_SceneCommon& scene) : m_scene(scene) {}

  // The output matrix of one node at one frame (the scene's current frame becomes that frame).
  Math::Matrix4x4 evaluate(MO_Module* node, double frame);
  // result[n][f] is the matrix of nodes[n] at frames[f].
  std::vector<std::vector<Math::Matrix4x4>>
  evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const Progress& progress = Progress());
  // The same, frame by frame into `sink`, without keeping any frame's matrices.
  void evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const FrameSink& sink,
                const Progress& progress = Progress());

private:
  SC_SceneCommon& m_scene;
};
