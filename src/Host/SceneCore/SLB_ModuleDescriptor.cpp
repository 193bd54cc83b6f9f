#include "SceneCore/SLB_ModuleDescriptor.h"

SLB_ModuleDescriptor::SLB_ModuleDescriptor(MO_Module* module, int selectionType, bool flag)
    : m_module(module), m_selectionType(selectionType), m_flag(flag) {}

SLB_ModuleDescriptor::~SLB_ModuleDescriptor() = default;
