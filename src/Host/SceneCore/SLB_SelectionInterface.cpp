#include "SceneCore/SLB_SelectionInterface.h"

#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"

SLB_SelectionInterface::~SLB_SelectionInterface() { SLB_NodePickAdaptorFactory::forget(m_owner); }

void SLB_SelectionInterface::subSelect(int handle, bool add) {
  if (!add) {
    if (SC_SceneCommon* scene = m_owner->sceneCommon())
      for (MO_Module* n : scene->nodes())
        n->selInterface()->clear();
    clear();
  }
  if (!m_handles)
    m_handles = std::make_unique<std::set<int>>();
  m_handles->insert(handle);
  m_owner->setSelected(true);
}

const std::set<int>& SLB_SelectionInterface::none() {
  static const std::set<int> kNone;
  return kNone;
}

void SLB_SelectionInterface::clear() {
  m_handles.reset();
  m_owner->setSelected(false);
}
