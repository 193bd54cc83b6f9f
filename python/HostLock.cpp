#include "HostLock.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Session.h"

namespace {

std::mutex& hostMutex() {
  static std::mutex m;
  return m;
}

// The thread inside the host now, default-constructed when none.
std::atomic<std::thread::id>& owner() {
  static std::atomic<std::thread::id> id{};
  return id;
}

// Sessions dropped inside a host call, destroyed as it ends (only touched under the lock).
std::vector<std::unique_ptr<Session>>& pending() {
  static std::vector<std::unique_ptr<Session>> sessions;
  return sessions;
}

bool finalizing() {
#if PY_VERSION_HEX >= 0x030D0000
  return Py_IsFinalizing();
#else
  return _Py_IsFinalizing();
#endif
}

} // namespace

HostLock::Held::Held() {
  hostMutex().lock();
  owner() = std::this_thread::get_id();
}

HostLock::Held::~Held() {
  // Moved out first: destroying one may not add to the list being cleared.
  while (!pending().empty()) {
    std::vector<std::unique_ptr<Session>> sessions = std::move(pending());
    pending().clear();
    sessions.clear();
  }
  owner() = std::thread::id();
  hostMutex().unlock();
}

void HostLock::dispose(std::unique_ptr<Session> session) {
  if (!session)
    return;
  if (owner() == std::this_thread::get_id()) {
    pending().push_back(std::move(session));
    return;
  }
  // While the interpreter shuts down the GIL stays where it is.
  if (finalizing()) {
    const Held held;
    session.reset();
    return;
  }
  run([&] { session.reset(); });
}

void HostLock::refuseReentry() {
  if (owner() == std::this_thread::get_id())
    throw std::runtime_error("a scene cannot be used from inside another scene call on the same thread "
                             "(from a progress callback, say); use it once the call has returned");
}
