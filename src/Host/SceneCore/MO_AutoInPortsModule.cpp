#include "SceneCore/MO_AutoInPortsModule.h"

void MO_AutoInPortsModule::ensureInPort(int index) {
  while (nInPorts() <= index && m_manipulator)
    if (!m_manipulator->insertPort(nInPorts()))
      return;
}
