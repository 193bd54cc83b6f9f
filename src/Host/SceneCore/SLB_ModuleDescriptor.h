#pragma once
// What a pick hands back to the view: the node picked, the kind of selection it asks for (a
// number the adaptor chooses; 9 for a node's own control) and a flag kept for the caller.
// A null module is allowed and means nothing was picked.
class MO_Module;

class SLB_ModuleDescriptor {
public:
  SLB_ModuleDescriptor(MO_Module* module, int selectionType, bool flag);
  virtual ~SLB_ModuleDescriptor();

  MO_Module* module() const { return m_module; }
  int selectionType() const { return m_selectionType; }
  bool flag() const { return m_flag; }

private:
  MO_Module* m_module;
  int m_selectionType;
  bool m_flag;
};
