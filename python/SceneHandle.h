#pragma once
// The session a Python Scene holds, shared with the Node objects taken from it so that a node
// keeps its scene alive. The session is destroyed under the host lock; when that happens inside
// another host call on the same thread (a progress callback dropping the last reference to some
// other scene), it waits until that call has returned.
#include <memory>

#include "Session.h"

class SceneHandle {
public:
  explicit SceneHandle(std::unique_ptr<Session> session) : m_session(std::move(session)) {}
  ~SceneHandle();
  SceneHandle(const SceneHandle&) = delete;
  SceneHandle& operator=(const SceneHandle&) = delete;

  // Only under the host lock.
  Session& session() const { return *m_session; }

private:
  std::unique_ptr<Session> m_session;
};
