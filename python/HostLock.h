#pragma once
// Every call into the host, from any Python thread, runs under one process-wide lock with the
// GIL released: the host keeps process-wide state (the module factory, the evaluator's request
// depth, the current scene of a plug-in call) and must not be entered from two threads at once,
// while other Python threads run on meanwhile. A call made from within another on the same
// thread (a progress callback that uses a scene) is refused with a RuntimeError rather than
// left to deadlock.
#include <memory>
#include <pybind11/pybind11.h>
#include <utility>

class Session;

class HostLock {
public:
  HostLock() = delete;

  // Runs `call` under the lock without the GIL; it must not touch Python objects (see Progress
  // for calls back into Python) and what it returns must be plain C++ values.
  template <class Call> static auto run(Call&& call) -> decltype(call()) {
    refuseReentry();
    const pybind11::gil_scoped_release release;
    const Held held;
    return std::forward<Call>(call)();
  }

  // Destroys the session under the lock: now, or, when this thread is inside a host call
  // already, as that call ends. Called with the GIL held.
  static void dispose(std::unique_ptr<Session> session);

private:
  struct Held {
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
  };
  static void refuseReentry();
};
