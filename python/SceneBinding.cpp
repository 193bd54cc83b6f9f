// Scene: evaluation into NumPy arrays, edits and history, views, drawing and saving, each a
// call of the session under the host lock; and the records its calls return (Pick, BakeResult).
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <sys/mman.h>

#include "Arguments.h"
#include "Bindings.h"
#include "GuiApplication.h"
#include "HostLock.h"
#include "Node.h"
#include "PegChannels.h"
#include "Progress.h"
#include "QtCasters.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"

namespace py = pybind11;

namespace {

using Handle = std::shared_ptr<SceneHandle>;

// Large buffers are aligned to huge pages and advised to use them, as NumPy does for its own
// arrays: the first write into a fresh 128 MB result then faults its memory in 2 MB at a time
// rather than 4 kB at a time, which would otherwise cost a third as much as the evaluation.
struct Free {
  void operator()(double* p) const { std::free(p); }
};
using Values = std::unique_ptr<double[], Free>;

Values allocate(std::size_t count) {
  constexpr std::size_t kHugePage = std::size_t(2) << 20;
  const std::size_t bytes = std::max<std::size_t>(count, 1) * sizeof(double);
  void* p = nullptr;
  if (bytes >= 2 * kHugePage) {
    if (posix_memalign(&p, kHugePage, bytes) != 0)
      throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);
  } else if (!(p = std::malloc(bytes))) {
    throw std::bad_alloc();
  }
  return Values(static_cast<double*>(p));
}

// A buffer filled under the lock, then handed to NumPy without a copy.
struct Buffer {
  Values data;
  std::size_t frames = 0;
  std::size_t nodes = 0;
};

py::capsule ownerOf(Values data, double** raw) {
  *raw = data.release();
  return py::capsule(*raw, [](void* p) { std::free(p); });
}

// Frames and nodes resolved, then `fill` called with them on `jobs` threads unless no node was
// asked for.
template <class Fill>
Buffer evaluated(Session& s, const std::optional<std::vector<int>>& frames, const std::optional<QStringList>& nodes,
                 std::size_t perNode, int jobs, Fill&& fill) {
  struct Jobs {
    Session& s;
    int before;
    ~Jobs() { s.setJobs(before); }
  } restore{s, s.jobs()};
  s.setJobs(jobs);
  Buffer b;
  const std::vector<int> chosen = frames ? *frames : s.frameRange().frames();
  b.frames = chosen.size();
  b.nodes = nodes ? static_cast<std::size_t>(nodes->size()) : s.scene().nodes().size();
  b.data = allocate(b.frames * b.nodes * perNode);
  if (b.nodes > 0)
    fill(chosen, nodes ? *nodes : QStringList(), b.data.get());
  return b;
}

py::array eval(const Handle& h, py::object framesArg, py::object nodesArg, py::object progress, int jobs) {
  const auto frames = Arguments::frames(framesArg);
  const auto nodes = Arguments::nodes(nodesArg);
  Progress report(std::move(progress));
  Buffer b = HostLock::run([&] {
    return evaluated(h->session(), frames, nodes, 16, jobs,
                     [&](const std::vector<int>& f, const QStringList& n, double* out) {
                       h->session().evaluate(f, n, out, MatrixLayout::RowMajor, report.function());
                     });
  });
  double* raw = nullptr;
  py::capsule owner = ownerOf(std::move(b.data), &raw);
  return py::array_t<double>({b.frames, b.nodes, std::size_t(4), std::size_t(4)}, raw, owner);
}

py::dtype pegDtype() {
  py::list fields;
  for (const QString& name : PegChannels::names())
    fields.append(py::make_tuple(name.toStdString(), "<f8"));
  return py::dtype::from_args(fields);
}

py::array pegValues(const Handle& h, py::object framesArg, py::object nodesArg, py::object progress, int jobs) {
  const auto frames = Arguments::frames(framesArg);
  const auto nodes = Arguments::nodes(nodesArg);
  Progress report(std::move(progress));
  Buffer b = HostLock::run([&] {
    return evaluated(h->session(), frames, nodes, PegChannels::kCount, jobs,
                     [&](const std::vector<int>& f, const QStringList& n, double* out) {
                       h->session().pegValues(f, n, out, report.function());
                     });
  });
  double* raw = nullptr;
  py::capsule owner = ownerOf(std::move(b.data), &raw);
  return py::array(pegDtype(), std::vector<std::size_t>{b.frames, b.nodes}, std::vector<std::size_t>{}, raw, owner);
}

std::vector<Node> nodesOf(const Handle& h) {
  const std::vector<NodeInfo> all = HostLock::run([&] { return h->session().nodes(); });
  std::vector<Node> nodes;
  for (const NodeInfo& n : all)
    nodes.push_back({h, n.name});
  return nodes;
}

Node nodeOf(const Handle& h, const QString& name) {
  HostLock::run([&] { h->session().node(name); });
  return {h, name};
}

ViewSpec viewOf(std::optional<double> frame, const QString& view, py::object size) {
  return ViewSpec{frame, Arguments::view(view), Arguments::size(size)};
}

// A drag from one view point to another by one of the session's drags; the step's name.
QString dragged(const Handle& h,
                QString (Session::*drag)(const QString&, const Math::Point2d&, const Math::Point2d&, const ViewSpec&,
                                         int),
                const QString& node, py::handle from, py::handle to, const ViewSpec& view, bool offset) {
  const Math::Point2d a = Arguments::point(from, "from_xy"), b = Arguments::point(to, "to_xy");
  // The host's animation modes: 1 sets the value at the frame, any other offsets every frame.
  return HostLock::run([&] { return (h->session().*drag)(node, a, b, view, offset ? 0 : 1); });
}

RenderOptions renderOptions(std::optional<double> frame, const QString& view, py::object size, int onion, bool labels,
                            bool pick, py::object onionNodes, bool caption) {
  RenderOptions o;
  o.view = viewOf(frame, view, size);
  o.onion = onion;
  o.labels = labels;
  o.picking = pick;
  o.caption = caption;
  if (const auto names = Arguments::nodes(onionNodes))
    o.onionNodes = *names;
  return o;
}

py::array imageOf(const QImage& rendered) {
  const QImage image = rendered.convertToFormat(QImage::Format_RGBA8888);
  const auto h = static_cast<std::size_t>(image.height()), w = static_cast<std::size_t>(image.width());
  py::array_t<std::uint8_t> out({h, w, std::size_t(4)});
  auto* dst = out.mutable_data();
  for (std::size_t y = 0; y < h; ++y)
    std::memcpy(dst + y * w * 4, image.constScanLine(static_cast<int>(y)), w * 4);
  return std::move(out);
}

std::string quoted(const QString& s) { return py::repr(py::cast(s)); }

py::object nameOrNone(const QString& s) { return s.isEmpty() ? py::none() : py::cast(s); }

void bindRecords(py::module_& m) {
  py::class_<PickResult>(m, "Pick", "What a click at a view point finds, as vantorel pick reports it.")
      .def_property_readonly(
          "node", [](const PickResult& p) { return nameOrNone(p.node); },
          "The node whose pick id the pixel holds; None: the background.")
      .def_property_readonly("type", [](const PickResult& p) { return nameOrNone(p.type); })
      .def_readonly("handle", &PickResult::handle, "The pick handle within the node (-1 on the background).")
      .def_property_readonly(
          "control_node", [](const PickResult& p) { return nameOrNone(p.controlNode); },
          "The node whose control drew the pixel when another node's id is there (a point constraint's "
          "control is drawn in its pegs' colours); else None.")
      .def_property_readonly("control_type", [](const PickResult& p) { return nameOrNone(p.controlType); })
      .def_property_readonly(
          "main_input_of", [](const PickResult& p) { return nameOrNone(p.mainInputOf); },
          "The node told of the click when it chooses its main input from clicks; else None.")
      .def_readonly("main_input_port", &PickResult::mainInputPort, "The input it then reports (-1: none).")
      .def_property_readonly("main_input_port_name",
                             [](const PickResult& p) { return nameOrNone(p.mainInputPortName); })
      .def_property_readonly(
          "main_input_source", [](const PickResult& p) { return nameOrNone(p.mainInputSource); },
          "The node linked to that input; None when nothing is.")
      .def("__repr__", [](const PickResult& p) {
        std::string s =
            p.node.isEmpty() ? "Pick(background" : "Pick(" + quoted(p.node) + ", handle " + std::to_string(p.handle);
        if (!p.controlNode.isEmpty())
          s += ", on the control of " + quoted(p.controlNode);
        if (!p.mainInputOf.isEmpty())
          s += ", main input of " + quoted(p.mainInputOf) + ": " + std::to_string(p.mainInputPort);
        return s + ")";
      });

  py::class_<BakeKeysResult>(m, "BakeResult",
                             "What Scene.bake_keys made, and how closely the new peg follows the node.")
      .def_readonly("step", &BakeKeysResult::commandName, "The step's name in the history (\"Bake Keys\").")
      .def_readonly("peg", &BakeKeysResult::pegName, "The new peg's name.")
      .def_readonly("residual", &BakeKeysResult::largestResidual,
                    "The largest difference between a value of the node's matrix and the peg's over the range.")
      .def_readonly("frame", &BakeKeysResult::residualFrame, "Where it occurs: the frame ...")
      .def_readonly("value", &BakeKeysResult::residualValue, "... and the matrix value, 0 to 15 in column order.")
      .def_readonly("exact", &BakeKeysResult::exact,
                    "False when a peg cannot express the motion (a 3-D shear, a perspective): the keys then give "
                    "the nearest matrix a peg can.")
      .def("__repr__", [](const BakeKeysResult& r) {
        return "BakeResult(peg=" + quoted(r.pegName) +
               ", residual=" + std::string(py::repr(py::float_(r.largestResidual))) + " at frame " +
               std::to_string(r.residualFrame) + " (m" + std::to_string(r.residualValue) + ")" +
               (r.exact ? ")" : ", not exact)");
      });
}

// What an export wrote, with node names in place of the host's nodes.
struct ExportReport {
  struct Residual {
    QString node;
    double largest = 0.0;
    int frame = 0;
    int value = 0;
    bool exact = true;
  };
  QStringList nodes;
  QString camera;
  std::vector<Residual> residuals;
  QStringList warnings;
};

ExportReport reportOf(const GltfExport::Result& r) {
  ExportReport report;
  for (std::size_t i = 0; i < r.nodes.size(); ++i) {
    const GltfExport::Residual& d = r.residuals[i];
    report.nodes << r.nodes[i]->instanceName();
    report.residuals.push_back({r.nodes[i]->instanceName(), d.largest, d.frame, d.value, d.exact});
  }
  report.camera = r.camera ? r.camera->instanceName() : QString();
  report.warnings = r.warnings;
  return report;
}

void bindExport(py::module_& m) {
  using Residual = ExportReport::Residual;
  py::class_<Residual>(m, "ExportResidual", "How closely an exported file gives one node's matrix.")
      .def_readonly("node", &Residual::node)
      .def_readonly("residual", &Residual::largest,
                    "The largest difference between a value of the node's matrix and the file's over the range.")
      .def_readonly("frame", &Residual::frame, "Where it occurs: the frame ...")
      .def_readonly("value", &Residual::value, "... and the matrix value, 0 to 15 in column order.")
      .def_readonly("exact", &Residual::exact,
                    "False when a translation, rotation and scale cannot express the motion (a shear, a "
                    "perspective): the file then holds the nearest.")
      .def("__repr__", [](const Residual& r) {
        return "ExportResidual(" + quoted(r.node) + ", " + std::string(py::repr(py::float_(r.largest))) + " at frame " +
               std::to_string(r.frame) + " (m" + std::to_string(r.value) + ")" + (r.exact ? ")" : ", not exact)");
      });
  py::class_<ExportReport>(m, "ExportResult", "What Scene.export wrote.")
      .def_readonly("nodes", &ExportReport::nodes, "The nodes written, in order (the camera last when not asked for).")
      .def_property_readonly(
          "camera", [](const ExportReport& r) { return nameOrNone(r.camera); },
          "The node that carries the file's camera; None without one.")
      .def_readonly("residuals", &ExportReport::residuals, "One ExportResidual for each of nodes.")
      .def_readonly("warnings", &ExportReport::warnings,
                    "What the file holds differently from the scene, one sentence each (also given as "
                    "RuntimeWarnings).")
      .def("__repr__", [](const ExportReport& r) {
        return "<vantorel.ExportResult: " + std::to_string(r.nodes.size()) + " nodes" +
               (r.camera.isEmpty() ? std::string() : ", camera " + quoted(r.camera)) + ">";
      });
}

ExportReport exportGltf(const Handle& h, py::object path, py::object nodesArg, py::object framesArg, double fps,
                        bool hierarchy, bool markers, std::optional<QString> name, py::object progress) {
  const QString file = py::cast<QString>(py::module_::import("os").attr("fsdecode")(path));
  const auto nodes = Arguments::nodes(nodesArg);
  const auto range = Arguments::frameRange(framesArg);
  GltfExport::Options options;
  options.fps = fps;
  options.hierarchy = hierarchy;
  options.markers = markers;
  options.name = name.value_or(QString());
  Progress report(std::move(progress));
  if (nodes && nodes->isEmpty())
    throw py::value_error("nodes: no nodes given (None exports every node)");
  const ExportReport done = HostLock::run([&] {
    Session& s = h->session();
    return reportOf(
        s.exportGltf(file, nodes.value_or(QStringList()), range ? *range : s.frameRange(), options, report.function()));
  });
  for (const QString& warning : done.warnings)
    PyErr_WarnEx(PyExc_RuntimeWarning, warning.toUtf8().constData(), 1);
  return done;
}

const char* kExportDoc = R"(Writes what the nodes compute over the frames as a glTF 2.0 file, as vantorel
export does: each node a glTF node animated by translation, rotation and scale keys,
one a frame, at time (frame - first) / fps; positions in scene units. path ends in
.glb (binary) or .gltf; the file appears only once complete.

nodes: None (every node with a transformation output), a name, or a list of names;
frames: "A-B", range(A, B + 1), or None for the scene's range; hierarchy nests each
node under the exported node on its main input; markers puts a small axis mesh on
every node so that viewers show it; name names the animation; progress as for eval.
Returns an ExportResult with each node's residual; what the file holds differently
from the scene also comes as a RuntimeWarning.)";

const char* kSceneDoc = R"(One scene file open in the process (vantorel.load), as the command line,
the window and this module all use it: evaluate every node's matrix at any frame,
edit attributes and links as undoable steps, undo and redo, pick and drag in a view,
bake, render and save.

A frame left out (frame=None) means the scene's current frame (Scene.frame, at
first the scene's first frame); eval and peg_values take the whole range instead.
Frames passed to a call never move the current frame. Every edit is one step in the
history, checked first: an edit that is refused changes nothing and adds no step.
Calls may come from several threads; they run one at a time.)";

const char* kEvalDoc = R"(Every chosen node's output matrix at every chosen frame, as one array.

frames: None (the scene's range), a frame number, "A-B", or the frames themselves
        (range(1, 49), a list, a NumPy array of whole numbers).
nodes:  None (every node, in file order), a name, or a list of names.
progress: None, or a callable progress(done, total) told now and then how many
        frames are done (always at the end). Ctrl-C stops a long evaluation.
jobs:   threads to evaluate on (vantorel eval --jobs), 1 to 256; the numbers are the
        same with any. Frames are shared out only when each thread gets a hundred.

Returns a float64 array of shape (frames, nodes, 4, 4): a[f, n] is a row-major 4x4
matrix, so a[f, n] @ (x, y, z, 1) maps a point and a[f, n, :3, 3] is the translation
(in drawing units). The numbers are those of `vantorel eval` bit for bit; its npy
file holds a.transpose(0, 1, 3, 2).reshape(len(frames), len(nodes), 16).)";

const char* kPegValuesDoc = R"(What bake-keys would key for each node at each frame (vantorel eval --values peg).

frames, nodes, progress and jobs as for eval. Returns a structured array of shape
(frames, nodes) with one float64 field per channel: tx, ty, tz (position in scene
units), rx, ry, rz (degrees, applied z, y, x), sx, sy, sz, skew (degrees), for an
unparented peg with its pivot at the origin: a["ty"][:, n] is node n's height over
the frames. Angles follow the previous frame's; a mirror shows as a negative sx.)";

} // namespace

void Bindings::scene(py::module_& m) {
  bindRecords(m);
  bindExport(m);
  py::class_<SceneHandle, Handle>(m, "Scene", kSceneDoc)
      // --- The scene
      .def_property_readonly(
          "path", [](const Handle& h) { return HostLock::run([&] { return h->session().path(); }); },
          "The file the scene was read from or last saved to.")
      .def_property_readonly(
          "frames",
          [](const Handle& h) {
            const FrameRange r = HostLock::run([&] { return h->session().frameRange(); });
            return py::make_tuple(r.first, r.last);
          },
          "The scene's frame range as (first, last), both included: range(first, last + 1).")
      .def_property_readonly(
          "camera",
          [](const Handle& h) { return nameOrNone(HostLock::run([&] { return h->session().cameraName(); })); },
          "The camera node's name; None without a camera.")
      .def_property(
          "frame", [](const Handle& h) { return HostLock::run([&] { return h->session().currentFrame(); }); },
          [](const Handle& h, double frame) { HostLock::run([&] { h->session().setCurrentFrame(frame); }); },
          "The current frame: what calls use when their frame is left out, and where edits of "
          "animated attributes put their key.")
      .def_property_readonly("nodes", &nodesOf, "Every node, in file order (a list of Node).")
      .def("node", &nodeOf, py::arg("name"), "The node of that name; KeyError when there is none.")
      .def("__getitem__", &nodeOf, py::arg("name"))
      .def(
          "__contains__",
          [](const Handle& h, const QString& name) {
            return HostLock::run([&] { return h->session().hasNode(name); });
          },
          py::arg("name"))
      .def_property_readonly(
          "links", [](const Handle& h) { return HostLock::run([&] { return h->session().links(); }); },
          "Every link, by target node, then input (a list of Link).")
      // --- Evaluation
      .def("eval", &eval, py::arg("frames") = py::none(), py::arg("nodes") = py::none(),
           py::arg("progress") = py::none(), py::arg("jobs") = 1, kEvalDoc)
      .def("peg_values", &pegValues, py::arg("frames") = py::none(), py::arg("nodes") = py::none(),
           py::arg("progress") = py::none(), py::arg("jobs") = 1, kPegValuesDoc)
      .def(
          "matrix",
          [](const Handle& h, const QString& node, std::optional<double> frame) {
            return matrixOf(Node{h, node}, frame);
          },
          py::arg("node"), py::arg("frame") = py::none(),
          "The node's output matrix at the frame (default: the current frame), a row-major 4x4 float64 "
          "array: eval(frame, node)[0, 0].")
      // --- The graph
      .def(
          "link",
          [](const Handle& h, const QString& source, const QString& target, int port, int sourcePort) {
            return HostLock::run([&] { return h->session().link(source, sourcePort, target, port); });
          },
          py::arg("source"), py::arg("target"), py::arg("port") = 0, py::arg("source_port") = 0,
          "Links output source_port of node source to input port of node target (replacing what was "
          "linked there), as one undoable step; returns its name (\"Link A to B\"). A node with any "
          "number of inputs grows to the port asked for. ValueError for a port the node lacks or a "
          "link that would make a cycle.")
      .def(
          "unlink",
          [](const Handle& h, const QString& node, int port) {
            return HostLock::run([&] { return h->session().unlink(node, port); });
          },
          py::arg("node"), py::arg("port"),
          "Unlinks input port of the node, as one undoable step (\"Unlink N input I\").")
      .def(
          "enable",
          [](const Handle& h, const QString& node) {
            return HostLock::run([&] { return h->session().setEnabled(node, true); });
          },
          py::arg("node"), "Enables the node, as one undoable step (\"Enable N\").")
      .def(
          "disable",
          [](const Handle& h, const QString& node) {
            return HostLock::run([&] { return h->session().setEnabled(node, false); });
          },
          py::arg("node"),
          "Disables the node, as one undoable step (\"Disable N\"): it then passes on what arrives at "
          "its main input.")
      // --- Baking
      .def(
          "bake",
          [](const Handle& h, const QString& node, const QString& mode, std::optional<double> frame) {
            if (mode != QLatin1String("all") && mode != QLatin1String("immediate"))
              throw py::value_error("mode must be \"all\" or \"immediate\", not \"" + mode.toStdString() + "\"");
            const auto how = mode == QLatin1String("all") ? Session::BakeMode::All : Session::BakeMode::Immediate;
            return HostLock::run([&] { return h->session().bake(node, how, frame); });
          },
          py::arg("node"), py::arg("mode") = "all", py::arg("frame") = py::none(),
          "Presses a static transformation node's bake button at the frame (default: the current "
          "one): mode \"all\" bakes everything arriving at its input, \"immediate\" only its parent's "
          "own part. One undoable step; returns its name (\"Bake Transformation onto Constraint\").")
      .def(
          "bake_keys",
          [](const Handle& h, const QString& node, py::object frames, std::optional<QString> name, bool replace) {
            const auto range = Arguments::frameRange(frames);
            if (name && name->trimmed().isEmpty())
              throw py::value_error("name must not be blank");
            Progress interrupt{py::none()};
            return HostLock::run([&] {
              Session& s = h->session();
              return s.bakeKeys(node, range ? *range : s.frameRange(), name ? *name : QString(), replace,
                                interrupt.function());
            });
          },
          py::arg("node"), py::arg("frames") = py::none(), py::arg("name") = py::none(), py::arg("replace") = false,
          R"(Turns what the node computes into plain keys: a new unparented Peg (named name,
default NODE-baked) keyed at every frame of the range so that it gives the node's
output matrix there. frames: "A-B", range(A, B + 1), or None for the scene's range.
With replace, every link that left the node moves to the peg. One undoable step
("Bake Keys"). Returns a BakeResult with the largest residual and where it occurs.)")
      .def("export", &exportGltf, py::arg("path"), py::arg("nodes") = py::none(), py::arg("frames") = py::none(),
           py::arg("fps") = 24.0, py::arg("hierarchy") = false, py::arg("markers") = true, py::arg("name") = py::none(),
           py::arg("progress") = py::none(), kExportDoc)
      // --- The view
      .def(
          "pick",
          [](const Handle& h, double x, double y, std::optional<double> frame, const QString& view, py::object size,
             std::optional<QString> node, bool select) {
            const ViewSpec where = viewOf(frame, view, size);
            return HostLock::run([&] { return h->session().pick({x, y}, where, node ? *node : QString(), select); });
          },
          py::arg("x"), py::arg("y"), py::arg("frame") = py::none(), py::arg("view") = "camera",
          py::arg("size") = py::none(), py::arg("node") = py::none(), py::arg("select") = false,
          R"(Clicks pixel (x, y) of the view as render draws it (x right, y down from the top
left) and reports what lies there (a Pick), as vantorel pick does.

view: "camera", "top" or "side"; size: (width, height), default 960 wide with the
scene's aspect ratio. The control's node, or node when given, is told of the click;
a point constraint then reports the input it chooses as its main input. With select,
the click also selects as a click in the host's view does. ValueError for a point
outside the view.)")
      .def(
          "drag",
          [](const Handle& h, const QString& node, py::object from, py::object to, std::optional<double> frame,
             const QString& view, py::object size,
             bool offset) { return dragged(h, &Session::drag, node, from, to, viewOf(frame, view, size), offset); },
          py::arg("node"), py::arg("from_xy"), py::arg("to_xy"), py::arg("frame") = py::none(),
          py::arg("view") = "camera", py::arg("size") = py::none(), py::arg("offset") = false,
          "Drags the node's control (a switch's knob, a limit's control point) from one view pixel to "
          "another, as vantorel drag does: one undoable step named by the control (\"Change Switch "
          "Module\"). The value is set at the frame; with offset, the whole animation moves by the "
          "same amount instead. ValueError for a node without a control to drag.")
      .def(
          "drag_pivot",
          [](const Handle& h, const QString& node, py::object from, py::object to, std::optional<double> frame,
             const QString& view, py::object size, bool offset) {
            return dragged(h, &Session::dragPegPivot, node, from, to, viewOf(frame, view, size), offset);
          },
          py::arg("node"), py::arg("from_xy"), py::arg("to_xy"), py::arg("frame") = py::none(),
          py::arg("view") = "camera", py::arg("size") = py::none(), py::arg("offset") = false,
          "Moves a peg so that its pivot follows the pointer from one view pixel to another (one step, "
          "\"Move Peg\"); from_xy must lie on its pivot.")
      // --- Drawing
      .def(
          "render",
          [](const Handle& h, py::object path, std::optional<double> frame, const QString& view, py::object size,
             int onion, bool labels, bool pick, py::object onionNodes, bool caption) {
            const QString file = py::cast<QString>(py::module_::import("os").attr("fsdecode")(path));
            const RenderOptions options = renderOptions(frame, view, size, onion, labels, pick, onionNodes, caption);
            HostLock::run([&] {
              GuiApplication::ensure();
              h->session().render(file, options);
            });
          },
          py::arg("path"), py::arg("frame") = py::none(), py::arg("view") = "camera", py::arg("size") = py::none(),
          py::arg("onion") = 0, py::arg("labels") = false, py::arg("pick") = false, py::arg("onion_nodes") = py::none(),
          py::arg("caption") = true,
          R"(Draws the scene at the frame into a PNG or SVG file (by the path's extension),
written whole or not at all, as vantorel render does: each peg's pivot and the bone
to its parent, then every node's control.

view: "camera", "top" or "side"; size: (width, height), default 960 wide with the
scene's aspect ratio, the view letterboxed inside any other; onion: each node's
pivot path over that many frames before (magenta) and after (teal), of onion_nodes
only when given; labels: node names beside their pivots; pick: only the colours that
encode pick ids; caption: the frame and the view in the top left corner.)")
      .def(
          "image",
          [](const Handle& h, std::optional<double> frame, const QString& view, py::object size, int onion, bool labels,
             bool pick, py::object onionNodes, bool caption) {
            const RenderOptions options = renderOptions(frame, view, size, onion, labels, pick, onionNodes, caption);
            const QImage image = HostLock::run([&] {
              GuiApplication::ensure();
              return h->session().renderImage(options);
            });
            return imageOf(image);
          },
          py::arg("frame") = py::none(), py::arg("view") = "camera", py::arg("size") = py::none(), py::arg("onion") = 0,
          py::arg("labels") = false, py::arg("pick") = false, py::arg("onion_nodes") = py::none(),
          py::arg("caption") = true,
          "What render draws, as a uint8 array of shape (height, width, 4) holding RGBA (for "
          "matplotlib's imshow, say).")
      // --- Selection
      .def_property_readonly(
          "selection", [](const Handle& h) { return HostLock::run([&] { return h->session().selection(); }); },
          "The names of the selected nodes, in file order (kept in the file, not in the history).")
      .def(
          "select",
          [](const Handle& h, py::object names, bool add) {
            const QStringList chosen = Arguments::nodes(names).value_or(QStringList());
            HostLock::run([&] { h->session().select(chosen, add); });
          },
          py::arg("nodes"), py::arg("add") = false,
          "Selects the nodes (a name or a list of names), after clearing the selection unless add.")
      .def("clear_selection", [](const Handle& h) { HostLock::run([&] { h->session().clearSelection(); }); })
      // --- History
      .def(
          "undo",
          [](const Handle& h) {
            return HostLock::run([&]() -> std::optional<QString> {
              Session& s = h->session();
              const QString name = s.undoName();
              return s.undo() ? std::optional<QString>(name) : std::nullopt;
            });
          },
          "Takes back the last step; returns its name, or None when there was nothing to undo.")
      .def(
          "redo",
          [](const Handle& h) {
            return HostLock::run([&]() -> std::optional<QString> {
              Session& s = h->session();
              const QString name = s.redoName();
              return s.redo() ? std::optional<QString>(name) : std::nullopt;
            });
          },
          "Makes the last step undone again; returns its name, or None when there was nothing to redo.")
      .def_property_readonly(
          "history", [](const Handle& h) { return HostLock::run([&] { return h->session().history(); }); },
          "The names of the steps undo can take back, oldest first.")
      .def_property_readonly(
          "redo_name",
          [](const Handle& h) { return nameOrNone(HostLock::run([&] { return h->session().redoName(); })); },
          "The name of the step redo would make again; None when there is none.")
      .def_property(
          "history_limit", [](const Handle& h) { return HostLock::run([&] { return h->session().historyLimit(); }); },
          [](const Handle& h, int steps) { HostLock::run([&] { h->session().setHistoryLimit(steps); }); },
          "At most this many steps are kept to undo, the oldest forgotten first (0, the default: no "
          "limit). A script that edits without end sets one to keep its memory flat.")
      .def_property_readonly(
          "modified", [](const Handle& h) { return HostLock::run([&] { return h->session().isModified(); }); },
          "Whether the scene differs from the one loaded or last saved.")
      .def_property_readonly(
          "changed_on_disk",
          [](const Handle& h) { return HostLock::run([&] { return h->session().changedOnDisk(); }); },
          "Whether the file at path changed since it was loaded or saved.")
      // --- Saving
      .def(
          "save",
          [](const Handle& h, py::object path) {
            if (path.is_none())
              return HostLock::run([&] { h->session().save(); });
            const QString file = py::cast<QString>(py::module_::import("os").attr("fsdecode")(path));
            HostLock::run([&] { h->session().save(file); });
          },
          py::arg("path") = py::none(),
          "Writes the scene to path (default: Scene.path), which becomes the scene's path. Written "
          "whole or not at all: on failure (a ValueError) the old file is left as it was.")
      .def("__repr__", [](const Handle& h) {
        const auto [path, count, range] = HostLock::run([&] {
          Session& s = h->session();
          return std::make_tuple(s.path(), s.scene().nodes().size(), s.frameRange());
        });
        return "<vantorel.Scene " + quoted(path) + ": " + std::to_string(count) + " nodes, frames " +
               std::to_string(range.first) + "-" + std::to_string(range.last) + ">";
      });
}
