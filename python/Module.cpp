// The vantorel Python module: load a scene, then evaluate, edit, undo, pick, drag, bake, render
// and save it through the same in-process session as the vantorel command line.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "BaseCore/Processor.h"
#include "Bindings.h"
#include "Errors.h"
#include "HostLock.h"
#include "HostSetup.h"
#include "QtCasters.h"
#include "SceneHandle.h"

namespace py = pybind11;

namespace {

const char* kModuleDoc = R"(Vantorel scenes from Python: the scene, its evaluation and its edits, with
NumPy arrays. The same in-process session as the vantorel command line and window.

    import vantorel
    scene = vantorel.load("examples/two_points_arm.xml")
    a = scene.eval()                     # (frames, nodes, 4, 4) float64, row-major matrices
    arm = scene["Arm"]
    arm["STRETCHMAX"] = 120              # one undoable step, "Set STRETCHMAX of Arm"
    scene.eval(16, "Arm")[0, 0] @ (0, 0, 0, 1)
    scene.undo()                         # every matrix as it was
    scene.save("arm.xml")

Where the plug-ins come from: the node types of ConstraintModuleLib live in a plug-in
folder, loaded once per process, as vantorel loads them. Without plugins=... it is
the folder the build puts beside the vantorel binary (bin/plugins of the build this
module belongs to, found from the session library's own location, lib/ of that
build). A plug-in that fails to load is a RuntimeWarning; the others still load.

Errors: a scene file that cannot be read raises SceneError (with file, line and
column, the message the command line prints); a bad argument ValueError (or
TypeError for a value of the wrong kind); a node or attribute name the scene lacks
KeyError. A refused call changes nothing.

Threads: calls release the GIL while the host works and run one at a time.)";

std::shared_ptr<SceneHandle> opened(const std::function<std::unique_ptr<Session>(const HostOptions&)>& open,
                                    std::optional<QString> plugins, std::optional<QString> prefs) {
  const HostOptions options{plugins.value_or(QString()), prefs.value_or(QString())};
  std::vector<PLUG_PlugInManager::Failure> failed;
  std::unique_ptr<Session> session = HostLock::run([&] {
    const std::size_t before = HostSetup::failures().size();
    std::unique_ptr<Session> s = open(options);
    const auto& all = HostSetup::failures();
    failed.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    return s;
  });
  for (const auto& f : failed)
    PyErr_WarnEx(PyExc_RuntimeWarning,
                 ("plug-in " + f.path.toStdString() + " did not load: " + f.message.toStdString()).c_str(), 1);
  return std::make_shared<SceneHandle>(std::move(session));
}

// NumPy as this interpreter has it; failing that, when this Python is of the version the module
// was built for, the NumPy of the interpreter it was built for (appended to sys.path, so that a
// NumPy of this interpreter's own always comes first).
bool importNumPy() {
  try {
    py::module_::import("numpy");
    return true;
  } catch (py::error_already_set&) {
  }
  const py::module_ sys = py::module_::import("sys");
  const std::string version = py::str(
      py::str("{}.{}").attr("format")(sys.attr("version_info")[py::int_(0)], sys.attr("version_info")[py::int_(1)]));
  if (version != VANTOREL_PYTHON_VERSION)
    return false;
  sys.attr("path").attr("append")(VANTOREL_NUMPY_HOME);
  try {
    py::module_::import("numpy");
    return true;
  } catch (py::error_already_set&) {
    sys.attr("path").attr("remove")(VANTOREL_NUMPY_HOME);
    return false;
  }
}

QString pathOf(py::handle path) { return py::cast<QString>(py::module_::import("os").attr("fsdecode")(path)); }

} // namespace

PYBIND11_MODULE(vantorel, m) {
  m.doc() = kModuleDoc;
  if (const char* missing = missingProcessorFeature())
    throw py::import_error(std::string("vantorel: ") + missing);
  // Arrays are NumPy's: without it nothing here would work, so say so at once and which
  // interpreter the module was built for.
  if (!importNumPy()) {
    const std::string executable = py::str(py::module_::import("sys").attr("executable"));
    throw py::import_error("vantorel needs NumPy, which " + executable +
                           " does not have; the module was built for " VANTOREL_PYTHON
                           " (on Debian, NumPy is the package python3-numpy)");
  }
  Errors::install(m);
  Bindings::node(m);
  Bindings::scene(m);

  m.def(
      "load",
      [](py::object path, std::optional<QString> plugins, std::optional<QString> prefs) {
        const QString file = pathOf(path);
        return opened([&](const HostOptions& o) { return Session::open(file, o); }, plugins, prefs);
      },
      py::arg("path"), py::arg("plugins") = py::none(), py::arg("prefs") = py::none(),
      R"(Reads a scene file and returns its Scene.

plugins: the plug-in folder (default: the one beside the build's vantorel binary);
prefs: a preferences file. A file that cannot be read raises SceneError and nothing
of it is kept; a plug-in folder that does not exist or a bad preferences file
raises ValueError.)");

  m.def(
      "loads",
      [](const QString& text, const QString& label, std::optional<QString> plugins, std::optional<QString> prefs) {
        const QByteArray xml = text.toUtf8();
        return opened([&](const HostOptions& o) { return Session::openData(xml, label, o); }, plugins, prefs);
      },
      py::arg("text"), py::arg("label") = "<string>", py::arg("plugins") = py::none(), py::arg("prefs") = py::none(),
      "The same as load for a scene file's text; label names it in messages and becomes the "
      "scene's path.");
}
