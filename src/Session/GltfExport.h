#pragma once
// What nodes compute over a range of frames, written as a glTF 2.0 file that game engines, 3-D
// packages and web viewers open: each node a glTF node named after it, animated by translation,
// rotation and scale samplers with one LINEAR key a frame at time (frame − first) / fps; a
// channel that holds one value over the range is the node's own value instead. Positions are in
// scene units (the scene's metrics undone: one scene unit is one glTF metre); the drawing's y up
// and z towards the camera are glTF's own axes, so nothing is rotated. Flat, every node stands at
// the root with its evaluated matrix; nested, each node hangs under the nearest exported node up
// its main inputs, with the local part that gives back its matrix. What a translation, rotation
// and scale cannot hold (a shear, a perspective) is written as the nearest one (TrsTransform)
// and measured. The scene's camera comes along as a perspective camera. A .glb holds the data in
// its binary chunk, a .gltf embeds it as base64; the file appears only once complete.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "FrameRange.h"

class MO_Module;
class SC_SceneCommon;

namespace GltfExport {

struct Options {
  double fps = 24.0;
  bool hierarchy = false; // nest each node under the exported node on its main input
  bool markers = true;    // a small mesh of three axis lines on every node, so viewers show it
  QString name;           // the animation's name (the scene's, say)
};

// The largest difference between a value of a node's matrix and the same value of the matrix the
// file gives it (both in drawing units, as eval prints them) over the range, and where it occurs;
// `exact` when every difference is within single precision, what glTF's floats hold.
struct Residual {
  double largest = 0.0;
  int frame = 0;
  int value = 0; // 0 to 15, column order
  bool exact = true;
};

struct Result {
  std::vector<MO_Module*> nodes;   // as written: the nodes asked for, then the scene's camera if not among them
  std::vector<Residual> residuals; // one for each of `nodes`
  MO_Module* camera = nullptr;     // the node that carries the glTF camera, if any
  QStringList warnings;            // what the file holds differently from the scene, one sentence each
};

// Called after each frame evaluated with the number done and the total.
using Progress = std::function<void(int done, int total)>;

// Whether a node can be exported: it has a transformation output.
bool exportable(const MO_Module* node);

// Evaluates `nodes` (each exportable) over `range`, on `jobs` threads (ParallelEvaluator.h), and writes `path` (.glb
// binary, else .gltf). Throws BadArgumentError when a node's matrix is not finite at some frame, the range is too long
// for glTF, or the file cannot be written; nothing is left at `path` then. Session::exportGltf checks the arguments
// first.
Result write(SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes, const FrameRange& range,
             const Options& options, const QString& path, const Progress& progress = {}, int jobs = 1);

} // namespace GltfExport
