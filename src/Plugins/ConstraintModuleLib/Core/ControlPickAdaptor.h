#pragma once
// The pick adaptor of a node whose control can be dragged (switch, limit): three handles, the
// first of which is the control itself. Picking that handle selects the node's first handle
// (added to the selection with Shift) and answers with a descriptor of the node; any other id
// answers nothing.
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"

class ControlPickAdaptor : public SLB_ModulePickAdaptor {
public:
  explicit ControlPickAdaptor(MO_Module* node);

  std::shared_ptr<SLB_ModuleDescriptor> pick(int id, bool select, int modifiers) override;
  int handleId(int i) const override;

  MO_Module* node() const { return m_node; }

private:
  MO_Module* m_node;
};
