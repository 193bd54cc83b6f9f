#include "SceneCore/SLB_SelectablePickAdaptor.h"

#include <atomic>

#include "SceneCore/SLB_ModuleDescriptor.h"

namespace {
// Id 0 is the background, so the first block starts at 1.
std::atomic<int> g_nextPickingId{1};
} // namespace

SLB_SelectablePickAdaptor::SLB_SelectablePickAdaptor(int nbHandles)
    : m_nbHandles(nbHandles > 0 ? nbHandles : 0),
      m_pickingId(g_nextPickingId.fetch_add(nbHandles > 0 ? nbHandles : 1)) {}

SLB_SelectablePickAdaptor::~SLB_SelectablePickAdaptor() = default;

int SLB_SelectablePickAdaptor::handleId(int i) const { return i >= 0 && i < m_nbHandles ? m_pickingId + i : 0; }

int SLB_SelectablePickAdaptor::handleOf(int id) const {
  if (id == 0)
    return -1;
  for (int i = 0; i < m_nbHandles; ++i)
    if (handleId(i) == id)
      return i;
  return -1;
}

std::shared_ptr<SLB_ModuleDescriptor> SLB_SelectablePickAdaptor::pick(int, bool, int) { return {}; }
