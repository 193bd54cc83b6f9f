#pragma once
// A module with any number of input ports, managed by a port manipulator that it owns. Ports
// are added with the manipulator or ensureInPort; a link needs its port to exist first.
#include <memory>

#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_PortManipulator.h"

class MO_AutoInPortsModule : public MO_Module {
public:
  explicit MO_AutoInPortsModule(MO_PortManipulator* manipulator) : m_manipulator(manipulator) {}
  MO_PortManipulator* portManipulator() const { return m_manipulator.get(); }
  // Makes sure input `index` exists, adding ports at the end as needed.
  void ensureInPort(int index);

private:
  std::unique_ptr<MO_PortManipulator> m_manipulator;
};
