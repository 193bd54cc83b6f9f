#include "Core/ControlPickAdaptor.h"

namespace {
// The Shift key's bit in the modifier word the host hands over.
constexpr int kShiftModifier = 0x02000000;
// The selection type the host gives to a whole node picked through one of its handles.
constexpr int kNodeSelectionType = 9;
} // namespace

ControlPickAdaptor::ControlPickAdaptor(MO_Module* node) : SLB_ModulePickAdaptor(node, 3), m_node(node) {}

std::shared_ptr<SLB_ModuleDescriptor> ControlPickAdaptor::pick(int id, bool select, int modifiers) {
  if (id != handleId(0))
    return nullptr;
  if (select && m_node && m_node->selInterface())
    m_node->selInterface()->subSelect(0, (modifiers & kShiftModifier) != 0);
  return std::make_shared<SLB_ModuleDescriptor>(m_node, kNodeSelectionType, false);
}

int ControlPickAdaptor::handleId(int i) const { return i >= 0 && i < 3 ? pickingId() + i : 0; }
