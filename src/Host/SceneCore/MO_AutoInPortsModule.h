#pragma once
// A module with any number of input ports, managed by a port manipulator that it owns. Ports
// are added with the manipulator or ensureInPort; a link needs its port to exist first. An
// unlinked port between linked ones stays where it is (a gap); removing a port moves the ports
// after it, links and all, down by one.
#include <memory>

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_PortManipulator.h"

class MO_AutoInPortsModule : public MO_Module {
public:
  explicit MO_AutoInPortsModule(MO_PortManipulator* manipulator) : m_manipulator(manipulator) {}
  MO_PortManipulator* portManipulator() const { return m_manipulator.get(); }
  // Makes sure input `index` exists, adding ports at the end as needed.
  void ensureInPort(int index);
  // The editor's operations on the variable ports (false or null when the index is out of range).
  MO_Port* insertInPort(int index) { return m_manipulator ? m_manipulator->insertPort(index) : nullptr; }
  bool removeInPort(int index) { return m_manipulator && m_manipulator->removePort(index); }
  bool reorderInPort(int from, int to) { return m_manipulator && m_manipulator->movePort(from, to); }
  // The number of ports the links need: one past the highest linked port (0 without links).
  int linkedInPortCount() const;

private:
  std::unique_ptr<MO_PortManipulator> m_manipulator;
};
