#include "SceneCore/MO_PortManipulator.h"

#include <algorithm>

#include "SceneCore/MO_Module.h"

MO_Port* MO_PortManipulator::insertPort(int index, const QString& name) {
  auto& ports = m_module->inPorts();
  if (index < 0 || index > static_cast<int>(ports.size()))
    return nullptr;
  return m_module->insertPort(ports, index, MO_Port::In, imagePorts() ? MO_Port::Image : MO_Port::Matrix, name);
}

bool MO_PortManipulator::removePort(int index) {
  auto& ports = m_module->inPorts();
  if (index < 0 || index >= static_cast<int>(ports.size()))
    return false;
  ports.erase(ports.begin() + index);
  m_module->touch();
  return true;
}

bool MO_PortManipulator::movePort(int from, int to) {
  auto& ports = m_module->inPorts();
  const int n = static_cast<int>(ports.size());
  if (from < 0 || from >= n || to < 0 || to >= n)
    return false;
  if (from < to)
    std::rotate(ports.begin() + from, ports.begin() + from + 1, ports.begin() + to + 1);
  else if (from > to)
    std::rotate(ports.begin() + to, ports.begin() + from, ports.begin() + from + 1);
  m_module->touch();
  return true;
}
