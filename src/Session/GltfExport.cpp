#include "GltfExport.h"

#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <tiny_gltf.h>

#include "ParallelEvaluator.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionError.h"
#include "TrsTransform.h"

namespace {

// What single precision keeps of a value, relative to the largest of its column (at least 1).
constexpr double kSingle = 1e-6;
// The marker's axis lines, in scene units along the node's own axes.
constexpr float kMarkerLength = 1.0f;
// A .glb counts its length, and tinygltf its base64 input, in 32 bits.
constexpr double kMaxBytes = 4.0e9;

enum Path { Translation, Rotation, Scale, kPaths };
const char* const kPathNames[kPaths] = {"translation", "rotation", "scale"};
constexpr int kWidth[kPaths] = {3, 4, 3}; // rotation: x, y, z, w as glTF orders it
constexpr int kType[kPaths] = {TINYGLTF_TYPE_VEC3, TINYGLTF_TYPE_VEC4, TINYGLTF_TYPE_VEC3};

// One exported node: its values frame after frame and how closely the file gives its matrix.
struct Track {
  MO_Module* node = nullptr;
  int parent = -1; // the track it hangs under when nested
  // Where its values go in the file's buffer: each path's frames one after the other.
  std::size_t offset[kPaths] = {};
  float first[10] = {}; // the first frame's values, path after path
  bool constant[kPaths] = {true, true, true};
  Math::Quat previous; // the last frame's rotation: the next one takes the short way round from it
  bool started = false;
  double world[16] = {}; // this frame's matrix as the file gives it, in scene units
  GltfExport::Residual residual;
};

// The camera's lens over the range, as the scene gives it at each frame.
struct Lens {
  double fov = 0, nearPlane = 0, farPlane = 0;
  bool varies = false;
};

// a · b, 4 × 4 in column order.
void multiply(const double* a, const double* b, double* out) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k)
        s += a[k * 4 + r] * b[c * 4 + k];
      out[c * 4 + r] = s;
    }
}

// The inverse of an affine matrix; the identity when its 3 × 3 part is singular (a parent scaled
// to nothing), which the residual then shows.
void affineInverse(const double* m, double* out) {
  const double* c0 = m;
  const double* c1 = m + 4;
  const double* c2 = m + 8;
  // The rows of the inverse are the columns' cross products over the determinant.
  const double rows[3][3] = {
      {c1[1] * c2[2] - c1[2] * c2[1], c1[2] * c2[0] - c1[0] * c2[2], c1[0] * c2[1] - c1[1] * c2[0]},
      {c2[1] * c0[2] - c2[2] * c0[1], c2[2] * c0[0] - c2[0] * c0[2], c2[0] * c0[1] - c2[1] * c0[0]},
      {c0[1] * c1[2] - c0[2] * c1[1], c0[2] * c1[0] - c0[0] * c1[2], c0[0] * c1[1] - c0[1] * c1[0]}};
  const double det = c0[0] * rows[0][0] + c0[1] * rows[0][1] + c0[2] * rows[0][2];
  std::fill(out, out + 16, 0.0);
  out[15] = 1.0;
  if (!(det != 0.0) || !std::isfinite(det)) {
    out[0] = out[5] = out[10] = 1.0;
    return;
  }
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c)
      out[c * 4 + r] = rows[r][c] / det;
    out[12 + r] = -(out[r] * m[12] + out[4 + r] * m[13] + out[8 + r] * m[14]);
  }
}

// The shortest decimal that reads back as f in single precision, as a double: what a node's own
// value is written as (0.3, not 0.30000001192092896), whichever precision its reader uses.
double shortest(float f) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, f).ptr;
  double d = f;
  std::from_chars(text, end, d);
  return d;
}

void checkFinite(const Track& track, const double* m, int frame) {
  for (int i = 0; i < 16; ++i)
    if (!std::isfinite(m[i]))
      throw BadArgumentError(QStringLiteral("the output of node \"%1\" is not a finite matrix at frame %2")
                                 .arg(track.node->instanceName())
                                 .arg(frame));
}

// Measures the matrix the file gives the track at a frame (its world, in scene units) against
// the node's, value by value in drawing units.
void measure(Track& track, const double* m, int frame, const SC_SceneMetrics& metrics) {
  const double drawing[3] = {metrics.fx(), metrics.fy(), metrics.fz()};
  GltfExport::Residual& r = track.residual;
  for (int c = 0; c < 4; ++c) {
    const double* column = m + 4 * c;
    const double size =
        std::max({1.0, std::fabs(column[0]), std::fabs(column[1]), std::fabs(column[2]), std::fabs(column[3])});
    for (int row = 0; row < 4; ++row) {
      const int i = 4 * c + row;
      const double given = c == 3 && row < 3 ? track.world[i] * drawing[row] : track.world[i];
      const double diff = std::fabs(given - m[i]);
      if (diff > r.largest) {
        r.largest = diff;
        r.frame = frame;
        r.value = i;
      }
      if (!(diff <= kSingle * size))
        r.exact = false;
    }
  }
}

// Takes the node's matrix at a frame apart into the file's values, keeps them, and measures what
// the file then gives against the matrix.
void sampleTrack(std::vector<Track>& tracks, Track& track, const double* m, std::size_t index, int frame,
                 const SC_SceneMetrics& metrics, unsigned char* buffer) {
  checkFinite(track, m, frame);
  double target[16], local[16];
  std::copy(m, m + 16, target);
  target[12] /= metrics.fx();
  target[13] /= metrics.fy();
  target[14] /= metrics.fz();
  // The local part under the parent as the file gives it, so that errors never add up down a chain.
  double inverse[16];
  if (track.parent >= 0) {
    affineInverse(tracks[static_cast<std::size_t>(track.parent)].world, inverse);
    multiply(inverse, target, local);
  } else {
    std::copy(target, target + 16, local);
  }
  const TrsTransform trs = TrsTransform::nearest(Math::Matrix4x4(local), track.started ? &track.previous : nullptr);
  track.previous = trs.rotation;
  const Math::Quat q = trs.rotation;
  const float values[10] = {float(trs.translation.x),
                            float(trs.translation.y),
                            float(trs.translation.z),
                            float(q.x),
                            float(q.y),
                            float(q.z),
                            float(q.w),
                            float(trs.scale.x),
                            float(trs.scale.y),
                            float(trs.scale.z)};
  for (int p = 0, at = 0; p < kPaths; at += kWidth[p++]) {
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(kWidth[p]);
    std::memcpy(buffer + track.offset[p] + index * bytes, values + at, bytes);
    for (int i = at; i < at + kWidth[p]; ++i)
      if (track.started && values[i] != track.first[i])
        track.constant[p] = false;
  }
  if (!track.started)
    std::copy(values, values + 10, track.first);
  track.started = true;

  double d[10], mine[16];
  std::copy(values, values + 10, d);
  TrsTransform::compose(d, d + 3, d + 7, mine);
  if (track.parent >= 0)
    multiply(tracks[static_cast<std::size_t>(track.parent)].world, mine, track.world);
  else
    std::copy(mine, mine + 16, track.world);

  measure(track, m, frame, metrics);
}

// The nearest exported node up the main inputs, for each track; parents come before children in
// the order returned.
std::vector<std::size_t> nest(std::vector<Track>& tracks, double firstFrame) {
  std::vector<int> depth(tracks.size(), 0);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    MO_Module* up = tracks[i].node;
    while ((up = up->inputModule(up->mainInPortIdAtFrame(MO_FrameKey(firstFrame))))) {
      const auto it = std::find_if(tracks.begin(), tracks.end(), [up](const Track& t) { return t.node == up; });
      if (it != tracks.end()) {
        tracks[i].parent = static_cast<int>(it - tracks.begin());
        break;
      }
    }
  }
  for (std::size_t i = 0; i < tracks.size(); ++i)
    for (int p = tracks[i].parent; p >= 0; p = tracks[static_cast<std::size_t>(p)].parent)
      ++depth[i];
  std::vector<std::size_t> order(tracks.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return depth[a] < depth[b]; });
  return order;
}

// Appends floats to the buffer; returns the byte offset they start at.
std::size_t append(std::vector<unsigned char>& data, const float* values, std::size_t count) {
  const std::size_t at = data.size();
  data.resize(at + count * sizeof(float));
  std::memcpy(data.data() + at, values, count * sizeof(float));
  return at;
}

int addAccessor(tinygltf::Model& model, int view, std::size_t offset, std::size_t count, int type) {
  tinygltf::Accessor a;
  a.bufferView = view;
  a.byteOffset = offset - model.bufferViews[static_cast<std::size_t>(view)].byteOffset;
  a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
  a.count = count;
  a.type = type;
  model.accessors.push_back(a);
  return static_cast<int>(model.accessors.size() - 1);
}

int addView(tinygltf::Model& model, std::size_t offset, std::size_t length, int target) {
  tinygltf::BufferView v;
  v.buffer = 0;
  v.byteOffset = offset;
  v.byteLength = length;
  v.target = target;
  model.bufferViews.push_back(v);
  return static_cast<int>(model.bufferViews.size() - 1);
}

// Three short lines along the node's x (red), y (green) and z (blue) axes: one mesh for all.
int addMarker(tinygltf::Model& model) {
  std::vector<unsigned char>& data = model.buffers[0].data;
  const float L = kMarkerLength;
  const float positions[18] = {0, 0, 0, L, 0, 0, 0, 0, 0, 0, L, 0, 0, 0, 0, 0, 0, L};
  const float colours[18] = {1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1};
  const std::size_t p = append(data, positions, 18);
  const int position =
      addAccessor(model, addView(model, p, sizeof positions, TINYGLTF_TARGET_ARRAY_BUFFER), p, 6, TINYGLTF_TYPE_VEC3);
  model.accessors.back().minValues = {0, 0, 0};
  model.accessors.back().maxValues = {L, L, L};
  const std::size_t c = append(data, colours, 18);
  const int colour =
      addAccessor(model, addView(model, c, sizeof colours, TINYGLTF_TARGET_ARRAY_BUFFER), c, 6, TINYGLTF_TYPE_VEC3);
  tinygltf::Primitive lines;
  lines.mode = TINYGLTF_MODE_LINE;
  lines.attributes = {{"POSITION", position}, {"COLOR_0", colour}};
  tinygltf::Mesh mesh;
  mesh.name = "marker";
  mesh.primitives.push_back(lines);
  model.meshes.push_back(mesh);
  return static_cast<int>(model.meshes.size() - 1);
}

// The buffer as sampling fills it: the times, then every track's paths, each a frame after another.
std::size_t layOut(std::vector<Track>& tracks, std::size_t frames) {
  std::size_t at = frames * sizeof(float);
  for (Track& t : tracks)
    for (int p = 0; p < kPaths; ++p) {
      t.offset[p] = at;
      at += frames * sizeof(float) * static_cast<std::size_t>(kWidth[p]);
    }
  return at;
}

// One sampler and channel for each value that changes, all keyed at the same times; the values
// that hold are squeezed out of the buffer in place.
void addAnimation(tinygltf::Model& model, std::vector<Track>& tracks, std::size_t frames, double fps,
                  const QString& name) {
  std::vector<unsigned char>& data = model.buffers[0].data;
  float* times = reinterpret_cast<float*>(data.data());
  for (std::size_t f = 0; f < frames; ++f)
    times[f] = float(double(f) / fps);
  const int view = addView(model, 0, 0, 0);
  const int input = addAccessor(model, view, 0, frames, TINYGLTF_TYPE_SCALAR);
  model.accessors.back().minValues = {double(times[0])};
  model.accessors.back().maxValues = {double(times[frames - 1])};

  tinygltf::Animation animation;
  animation.name = name.toStdString();
  std::size_t end = frames * sizeof(float);
  for (std::size_t n = 0; n < tracks.size(); ++n)
    for (int p = 0; p < kPaths; ++p) {
      if (tracks[n].constant[p])
        continue;
      const std::size_t bytes = frames * sizeof(float) * static_cast<std::size_t>(kWidth[p]);
      std::memmove(data.data() + end, data.data() + tracks[n].offset[p], bytes);
      tinygltf::AnimationSampler sampler;
      sampler.input = input;
      sampler.output = addAccessor(model, view, end, frames, kType[p]);
      sampler.interpolation = "LINEAR";
      animation.samplers.push_back(sampler);
      tinygltf::AnimationChannel channel;
      channel.sampler = static_cast<int>(animation.samplers.size() - 1);
      channel.target_node = static_cast<int>(n);
      channel.target_path = kPathNames[p];
      animation.channels.push_back(channel);
      end += bytes;
    }
  if (animation.channels.empty()) {
    // Nothing moves: no keys at all, and no times for them.
    data.clear();
    model.bufferViews.pop_back();
    model.accessors.pop_back();
    return;
  }
  data.resize(end);
  model.bufferViews[static_cast<std::size_t>(view)].byteLength = end;
  model.animations.push_back(animation);
}

// A node's values that hold over the range, written once on the node (defaults left out).
void setConstants(tinygltf::Node& node, const Track& track) {
  static const float kDefaults[kPaths][4] = {{0, 0, 0, 0}, {0, 0, 0, 1}, {1, 1, 1, 0}};
  std::vector<double>* fields[kPaths] = {&node.translation, &node.rotation, &node.scale};
  for (int p = 0; p < kPaths; ++p) {
    if (!track.constant[p])
      continue;
    const float* v = track.first + (p == Translation ? 0 : p == Rotation ? 3 : 7);
    if (std::equal(v, v + kWidth[p], kDefaults[p]))
      continue;
    for (int i = 0; i < kWidth[p]; ++i)
      fields[p]->push_back(shortest(v[i]));
  }
}

// The lens the camera has at the current frame, and whether it changed since the first.
void sampleLens(const SC_SceneCommon& scene, Lens& lens, bool first) {
  double nearPlane = 0.1, farPlane = 1000.0;
  scene.cameraPlanes(nearPlane, farPlane);
  const double fov = scene.cameraFieldOfView();
  if (!first && (fov != lens.fov || nearPlane != lens.nearPlane || farPlane != lens.farPlane))
    lens.varies = true;
  if (first)
    lens = {fov, nearPlane, farPlane, false};
}

void addCamera(tinygltf::Model& model, tinygltf::Node& node, const SC_SceneCommon& scene, const Lens& lens,
               QStringList& warnings) {
  tinygltf::Camera camera;
  camera.type = "perspective";
  camera.name = node.name;
  const double aspectY = scene.designAspectRatioY();
  camera.perspective.aspectRatio = aspectY > 0.0 ? scene.designAspectRatioX() / aspectY : 1.0;
  camera.perspective.yfov = lens.fov * 0.017453292519943295;
  // The planes are distances along the camera's own z axis, converted as the scene's z is.
  camera.perspective.znear = lens.nearPlane / scene.metrics().fz();
  if (lens.farPlane > lens.nearPlane)
    camera.perspective.zfar = lens.farPlane / scene.metrics().fz();
  else
    warnings << QStringLiteral("the camera's far plane is not beyond its near plane, so the glTF camera has none");
  if (lens.varies)
    warnings << QStringLiteral("the camera's field of view or planes change over the range, but a glTF camera holds "
                               "one lens: the file has the first frame's");
  model.cameras.push_back(camera);
  node.camera = static_cast<int>(model.cameras.size() - 1);
}

class DeviceStreamBuffer : public std::streambuf {
public:
  explicit DeviceStreamBuffer(QIODevice& device) : m_device(device) {}

protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override { return m_device.write(s, n) == n ? n : 0; }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()))
      return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return m_device.write(&ch, 1) == 1 ? c : traits_type::eof();
  }

private:
  QIODevice& m_device;
};

void save(const tinygltf::Model& model, QSaveFile& file, bool binary) {
  DeviceStreamBuffer buffer(file);
  std::ostream out(&buffer);
  tinygltf::TinyGLTF gltf;
  const bool written = gltf.WriteGltfSceneToStream(&model, out, !binary, binary) && out.flush();
  if (!written || !file.commit())
    throw BadArgumentError(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
}

// glTF's times are single precision: with very many frames at a high rate two would meet.
void checkTimes(std::size_t frames, double fps) {
  // Rounding spreads them least apart at the end, where the numbers are largest.
  const double last = double(frames - 1) / fps;
  if (frames > 1 && float(last) == float(double(frames - 2) / fps))
    throw BadArgumentError(QStringLiteral("%1 frames at %2 frames per second are more than glTF's single-precision "
                                          "times tell apart")
                               .arg(frames)
                               .arg(fps));
}

} // namespace

bool GltfExport::exportable(const MO_Module* node) {
  const MO_Port* out = node->outPort(0);
  return out && out->kind() == MO_Port::Matrix;
}

namespace {

// The exported nodes, one track each, with their parents when nested; and the order in which a
// frame is sampled (parents first).
std::vector<Track> makeTracks(const std::vector<MO_Module*>& nodes, const FrameRange& range, bool hierarchy,
                              std::vector<std::size_t>& order) {
  std::vector<Track> tracks(nodes.size());
  order.resize(nodes.size());
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    tracks[i].node = nodes[i];
    tracks[i].residual.frame = range.first;
    order[i] = i;
  }
  if (hierarchy)
    order = nest(tracks, range.first);
  return tracks;
}

// Everything but the samples: the asset block, the animation, the marker, the nodes and the scene.
void assemble(tinygltf::Model& model, std::vector<Track>& tracks, const SC_SceneCommon& scene, MO_Module* camera,
              const Lens& lens, const FrameRange& range, const GltfExport::Options& options,
              GltfExport::Result& result) {
  model.asset.generator = "vantorel export";
  tinygltf::Value::Object about;
  about["units"] = tinygltf::Value(std::string("positions in scene units: one scene unit is one metre"));
  about["axes"] = tinygltf::Value(std::string("y up and z towards the camera, as the scene draws them: not rotated"));
  about["frames"] = tinygltf::Value(QStringLiteral("%1-%2").arg(range.first).arg(range.last).toStdString());
  about["framesPerSecond"] = tinygltf::Value(options.fps);
  model.asset.extras = tinygltf::Value(about);
  addAnimation(model, tracks, static_cast<std::size_t>(range.count()), options.fps, options.name);
  const int marker = options.markers ? addMarker(model) : -1;
  tinygltf::Scene root;
  root.name = options.name.toStdString();
  for (const Track& t : tracks) {
    tinygltf::Node node;
    node.name = t.node->instanceName().toStdString();
    node.mesh = marker;
    setConstants(node, t);
    if (t.node == camera) {
      addCamera(model, node, scene, lens, result.warnings);
      result.camera = camera;
    }
    model.nodes.push_back(node);
    result.residuals.push_back(t.residual);
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].parent < 0)
      root.nodes.push_back(static_cast<int>(i));
    else
      model.nodes[static_cast<std::size_t>(tracks[i].parent)].children.push_back(static_cast<int>(i));
  }
  model.scenes.push_back(root);
  model.defaultScene = 0;
}

} // namespace

GltfExport::Result GltfExport::write(SC_SceneCommon& scene, const std::vector<MO_Module*>& nodes,
                                     const FrameRange& range, const Options& options, const QString& path,
                                     const Progress& progress, int jobs) {
  Result result;
  result.nodes = nodes;
  MO_Module* camera = scene.camera() && exportable(scene.camera()) ? scene.camera() : nullptr;
  if (camera && std::find(nodes.begin(), nodes.end(), camera) == nodes.end())
    result.nodes.push_back(camera);
  const std::size_t frames = static_cast<std::size_t>(range.count());
  checkTimes(frames, options.fps);
  if (double(frames) * double(result.nodes.size()) * 40.0 + 4.0 * double(frames) > kMaxBytes)
    throw BadArgumentError(QStringLiteral("%1 nodes over %2 frames would pass the 4 GB a glTF file holds; export "
                                          "fewer frames or nodes")
                               .arg(result.nodes.size())
                               .arg(frames));
  // Opened before the work, so that a file that cannot be written is told at once.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw BadArgumentError(QStringLiteral("%1: %2").arg(path, file.errorString()));

  std::vector<std::size_t> order;
  std::vector<Track> tracks = makeTracks(result.nodes, range, options.hierarchy, order);
  std::vector<int> frameList(frames);
  for (std::size_t f = 0; f < frames; ++f)
    frameList[f] = range.first + static_cast<int>(f);
  tinygltf::Model model;
  model.buffers.resize(1);
  std::vector<unsigned char>& data = model.buffers[0].data;
  // Room for the marker too, so that adding it never moves what sampling wrote.
  data.reserve(layOut(tracks, frames) + 256);
  data.resize(layOut(tracks, frames));
  unsigned char* buffer = data.data();
  Lens lens;
  ParallelEvaluator evaluator(scene, jobs);
  evaluator.evaluate(
      result.nodes, frameList,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
        for (std::size_t i : order)
          sampleTrack(tracks, tracks[i], matrices[i].values(), index, frameList[index], scene.metrics(), buffer);
        if (camera)
          sampleLens(scene, lens, index == 0);
      },
      progress);
  assemble(model, tracks, scene, camera, lens, range, options, result);
  save(model, file, path.endsWith(QLatin1String(".glb"), Qt::CaseInsensitive));
  return result;
}
