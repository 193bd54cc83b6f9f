#include "SceneCore/MO_AutoInPortsModule.h"

void MO_AutoInPortsModule::ensureInPort(int index) {
  while (nInPorts() <= index && m_manipulator)
    if (!m_manipulator->insertPort(nInPorts()))
      return;
}

int MO_AutoInPortsModule::linkedInPortCount() const {
  for (int i = nInPorts(); i > 0; --i)
    if (inputModule(i - 1))
      return i;
  return 0;
}
