#include "Core/AncestorClimb.h"

namespace {

// The index of the output of `node` that `source` is, or `index` unchanged when none is.
int outputIndexOf(const MO_Module& node, const MO_Port& source, int index) {
  for (int i = 0; i < node.nOutPorts(); ++i)
    if (node.outPort(i)->id() == source.id())
      return i;
  return index;
}

} // namespace

Ancestor climbToAncestor(const MO_FrameKey& key, MO_Module* from, std::uint32_t levels, const QString& name) {
  Ancestor reached;
  std::uint32_t steps = 0;
  for (MO_Module* node = from; node;) {
    const int main = node->mainInPortIdAtFrame(key);
    MO_Port* port = node->inPort(main);
    MO_Module* up = node->inputModule(main);
    if (!port || !up)
      break;
    reached.node = up;
    if (const MO_Port* source = port->realSrcPort())
      reached.outPort = outputIndexOf(*up, *source, reached.outPort);
    if (up->instanceName() == name || ++steps >= levels) {
      reached.stopped = true;
      break;
    }
    node = up;
  }
  return reached;
}
