#include "SceneCore/RXTeller.h"

#include <algorithm>

void RXTeller::addListener(RXListener* l) {
  if (l && std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end())
    m_listeners.push_back(l);
}

void RXTeller::removeListener(RXListener* l) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), l), m_listeners.end());
}

void RXTeller::tell() {
  // A listener may remove itself while told: walk a copy.
  const std::vector<RXListener*> listeners = m_listeners;
  for (RXListener* l : listeners)
    l->told(this);
}
