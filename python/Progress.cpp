#include "Progress.h"

namespace py = pybind11;

namespace {
constexpr std::chrono::milliseconds kInterval(100);
} // namespace

Progress::Progress(py::object callback)
    : m_callback(callback.is_none() ? py::object() : std::move(callback)), m_last(std::chrono::steady_clock::now()) {
  if (m_callback && !PyCallable_Check(m_callback.ptr()))
    throw py::type_error("progress must be callable as progress(done, total), or None");
}

// Made with the GIL held and destroyed with it held, so the callback's reference is safe.
Progress::~Progress() = default;

Session::Progress Progress::function() {
  return [this](int done, int total) { report(done, total); };
}

void Progress::report(int done, int total) {
  const auto now = std::chrono::steady_clock::now();
  // A callback always hears of the end; Ctrl-C needs no check once the work is done.
  const bool end = done == total && m_callback;
  if (!end && now - m_last < kInterval)
    return;
  m_last = now;
  const py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0)
    throw py::error_already_set();
  if (m_callback)
    m_callback(done, total);
}
