#pragma once
// A module with any number of input ports, managed by a port manipulator that it owns. Links
// to an index past the last port grow the ports up to it.
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
