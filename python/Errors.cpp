#include "Errors.h"

#include "QtCasters.h"
#include "SessionError.h"

namespace py = pybind11;

namespace {

PyObject* g_sceneError = nullptr;

const char* kSceneErrorDoc = "A scene file (or text) that cannot be read; nothing of it was kept.\n\n"
                             "str(error) is the command line's message, \"file:line:column: what is wrong\".\n"
                             "Attributes: file (str), line and column (1-based; 0 when the file could not be opened),\n"
                             "reason (what is wrong, without the place). A subclass of ValueError.";

void raiseSceneError(const SceneFileError& e) {
  py::object error = py::reinterpret_borrow<py::object>(g_sceneError)(e.message());
  error.attr("file") = e.file();
  error.attr("line") = e.line();
  error.attr("column") = e.column();
  error.attr("reason") = e.reason();
  PyErr_SetObject(g_sceneError, error.ptr());
}

} // namespace

void Errors::install(py::module_& module) {
  g_sceneError = PyErr_NewExceptionWithDoc("vantorel.SceneError", kSceneErrorDoc, PyExc_ValueError, nullptr);
  if (!g_sceneError)
    throw py::error_already_set();
  module.add_object("SceneError", py::handle(g_sceneError));
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p)
        std::rethrow_exception(p);
    } catch (const SceneFileError& e) {
      raiseSceneError(e);
    } catch (const UnknownNameError& e) {
      PyErr_SetString(PyExc_KeyError, e.what());
    } catch (const SessionError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
}
