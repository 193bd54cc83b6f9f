#include "SceneCore/RXTeller.h"

#include <algorithm>

void RXTeller::addListener(RXListener* l) {
  if (!l)
    return;
  if (!m_listeners)
    m_listeners = std::make_unique<std::vector<RXListener*>>();
  if (std::find(m_listeners->begin(), m_listeners->end(), l) == m_listeners->end())
    m_listeners->push_back(l);
}

void RXTeller::removeListener(RXListener* l) {
  if (m_listeners)
    m_listeners->erase(std::remove(m_listeners->begin(), m_listeners->end(), l), m_listeners->end());
}

void RXTeller::tell() {
  if (!m_listeners || m_listeners->empty())
    return;
  // A listener may remove itself while told: walk a copy.
  const std::vector<RXListener*> listeners = *m_listeners;
  for (RXListener* l : listeners)
    l->told(this);
}
