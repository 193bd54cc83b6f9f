#include "SceneHandle.h"

#include "HostLock.h"

SceneHandle::~SceneHandle() { HostLock::dispose(std::move(m_session)); }
