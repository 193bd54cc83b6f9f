#pragma once
// Evaluates nodes of a scene over frames, the way the host's renderer asks for them: frame by
// frame, each node's output transformation composed into one matrix (the identity for a node
// that gives none). Results computed for one node are reused by the nodes below it.
//
// Over many frames, the parts of a scene that share no node (the characters of a crowd) are
// evaluated one after the other a few frames at a time, so that each part's nodes stay in the
// processor's caches from one frame to the next; every node still sees its frames in order, and
// its matrices are the ones a frame-by-frame walk gives. In a part too big for the caches, the
// nodes a few places down the list are read in while the one before them computes.
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

  // Indices into a list of nodes, in the list's order.
  using Part = std::vector<std::size_t>;

  explicit SC_SceneEvaluator(SC_SceneCommon& scene) : m_scene(scene) {}

  // The output matrix of one node at one frame (the scene's current frame becomes that frame).
  Math::Matrix4x4 evaluate(MO_Module* node, double frame);
  // result[n][f] is the matrix of nodes[n] at frames[f].
  std::vector<std::vector<Math::Matrix4x4>>
  evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const Progress& progress = Progress());
  // The same, frame by frame into `sink`, without keeping any frame's matrices.
  void evaluate(const std::vector<MO_Module*>& nodes, const std::vector<int>& frames, const FrameSink& sink,
                const Progress& progress = Progress());

  // `nodes` cut into parts that reach no common node through their inputs, so that one part can
  // be evaluated over several frames before the next. One part for all when the scene's camera,
  // which constraints read without a link, takes part in a history (a dynamic module's frames
  // must come in order, and any node may ask the camera for any frame).
  static std::vector<Part> independentParts(const SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes);
  // rows[f - first][n] becomes the matrix of nodes[n] at frames[f], for each n of `parts` and
  // each f from first to last (excluded): part after part, each over its frames in order.
  void evaluateParts(const std::vector<MO_Module*>& nodes, const std::vector<Part>& parts,
                     const std::vector<int>& frames, std::size_t first, std::size_t last,
                     std::vector<Math::Matrix4x4>* rows);

  // The most matrices evaluate() holds for the frames it evaluates ahead (4 MiB), and the most frames.
  static constexpr std::size_t kAheadMatrices = std::size_t(1) << 15;
  static constexpr std::size_t kAheadFrames = 8;

private:
  SC_SceneCommon& m_scene;
};
