#pragma once
// The pick adaptor of one node: a SLB_SelectablePickAdaptor that knows the node its handles
// belong to, so that a click on any of them finds the node. The node may be null (nothing to
// select); the adaptor never owns it.
#include "SceneCore/SLB_SelectablePickAdaptor.h"

class MO_Module;

class SLB_ModulePickAdaptor : public SLB_SelectablePickAdaptor {
public:
  SLB_ModulePickAdaptor(MO_Module* module, int nbHandles);
  ~SLB_ModulePickAdaptor() override;

  MO_Module* module() const { return m_module; }

private:
  MO_Module* m_module;
};
