#include "SceneCore/MO_Port.h"

#include <atomic>

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/UT_ThreadLocal.h"

namespace {
std::atomic<int> g_nextPortId{1};
}

MO_Port::MO_Port(MO_Module* owner, Direction direction, Kind kind, const QString& name)
    : m_owner(owner), m_direction(direction), m_kind(kind), m_name(name), m_id(g_nextPortId++) {}

MO_Port::~MO_Port() = default;

int MO_Port::index() const {
  if (!m_owner)
    return -1;
  const int n = m_direction == In ? m_owner->nInPorts() : m_owner->nOutPorts();
  for (int i = 0; i < n; ++i) {
    const MO_Port* p = m_direction == In ? m_owner->inPort(i) : m_owner->outPort(i);
    if (p == this)
      return i;
  }
  return -1;
}

MO_Module* MO_Port::realSrcNode() const { return m_src ? m_src->node() : nullptr; }

void MO_Port::dropAll() {
  // The first lookup after an edit: what was computed before it is never handed out again.
  const std::int64_t now = MO_Revision::current();
  UT_THREAD_LOCAL std::int64_t recycledAt = 0;
  if (recycledAt != now) {
    MO_PortTransformStore::recycleRetired();
    recycledAt = now;
  }
  if (m_transforms)
    m_transforms->clear();
  m_storedRevision = now;
}

void MO_Port::clearTransforms() {
  if (m_transforms)
    m_transforms->clear();
}
