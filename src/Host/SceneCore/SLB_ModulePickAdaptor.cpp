#include "SceneCore/SLB_ModulePickAdaptor.h"

SLB_ModulePickAdaptor::SLB_ModulePickAdaptor(MO_Module* module, int nbHandles)
    : SLB_SelectablePickAdaptor(nbHandles), m_module(module) {}

SLB_ModulePickAdaptor::~SLB_ModulePickAdaptor() = default;
