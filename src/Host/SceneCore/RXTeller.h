#pragma once
// Change notification: a teller keeps a list of listeners and tells each of them, in the order
// they were added, when something about it changed. Listeners must remove themselves before
// they die.
#include <memory>
#include <vector>

class RXTeller;

class RXListener {
public:
  virtual ~RXListener() = default;
  virtual void told(RXTeller* teller) = 0;
};

class RXTeller {
public:
  void addListener(RXListener* l);
  void removeListener(RXListener* l);
  void tell();

protected:
  // Not destroyed through a teller pointer, so tellers (every number of a scene) carry no table
  // of virtual functions for it.
  ~RXTeller() = default;

private:
  // Made when the first listener comes: most tellers (a scene's numbers) never have one.
  std::unique_ptr<std::vector<RXListener*>> m_listeners;
};
