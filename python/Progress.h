#pragma once
// Long work seen from Python: while the host evaluates without the GIL, now and then (every
// tenth of a second, and once at the end) the GIL is taken back to let Ctrl-C stop the work (a
// KeyboardInterrupt, raised once the host is back at rest) and to tell a Python callback how
// far it has got, as callback(done, total). An exception the callback raises stops the work the
// same way. Only work that changes nothing (evaluations, the keying before a bake) reports, so
// work stopped this way leaves the scene as it was.
#include <chrono>
#include <pybind11/pybind11.h>

#include "Session.h"

class Progress {
public:
  // `callback` may be None (Ctrl-C is still heard).
  explicit Progress(pybind11::object callback);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // What to hand to the session; called without the GIL, it takes the GIL when it reports.
  Session::Progress function();

private:
  void report(int done, int total);

  pybind11::object m_callback;
  std::chrono::steady_clock::time_point m_last;
};
