#include "Command/CO_GraphCommands.h"

#include "Command/CO_Command.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

class AddNodeCmd : public CO_Command {
public:
  AddNodeCmd(SC_SceneCommon* scene, std::unique_ptr<MO_Module> node)
      : m_scene(scene), m_node(node.get()), m_held(std::move(node)) {}
  void execute() override {
    if (m_held)
      m_scene->addNode(std::move(m_held));
  }
  void undo() override {
    if (!m_held)
      m_held = m_scene->takeNode(m_node);
  }

private:
  SC_SceneCommon* m_scene;
  MO_Module* m_node;
  std::unique_ptr<MO_Module> m_held; // the node while it is not in the scene
};

class LinkCmd : public CO_Command {
public:
  LinkCmd(MO_Module* to, int inIndex, MO_Module* from, int outIndex)
      : m_to(to), m_in(inIndex), m_from(from), m_out(outIndex) {}
  void execute() override {
    const MO_Port* src = m_to->inPort(m_in)->srcPort();
    m_before = src ? src->node() : nullptr;
    m_beforeOut = src ? src->index() : 0;
    m_to->link(m_in, m_from, m_out);
  }
  void undo() override {
    if (m_before)
      m_to->link(m_in, m_before, m_beforeOut);
    else
      m_to->unlink(m_in);
  }

private:
  MO_Module* m_to;
  int m_in;
  MO_Module* m_from;
  int m_out;
  MO_Module* m_before = nullptr;
  int m_beforeOut = 0;
};

} // namespace

CO_Command* Graph::createAddNodeCmd(SC_SceneCommon* scene, std::unique_ptr<MO_Module> node) {
  if (!scene || !node)
    return nullptr;
  return new AddNodeCmd(scene, std::move(node));
}

CO_Command* Graph::createLinkCmd(MO_Module* to, int inIndex, MO_Module* from, int outIndex) {
  if (!to || !from || !to->inPort(inIndex) || !from->outPort(outIndex))
    return nullptr;
  return new LinkCmd(to, inIndex, from, outIndex);
}
