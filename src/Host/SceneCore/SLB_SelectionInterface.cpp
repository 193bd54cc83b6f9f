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
  m_handles.insert(handle);
  m_owner->setSelected(true);
}

void SLB_SelectionInterface::clear() {
  m_handles.clear();
  m_owner->setSelected(false);
}
