#pragma once
// Change notification: a teller keeps a list of listeners and tells each of them, in the order
// they were added, when something about it changed. Listeners must remove themselves before
// they die. Tellers (every number of a scene) hold nothing themselves: the lists of the few that
// have listeners are kept in one table for all, and telling costs one load while none has any.
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
  RXTeller() = default;
  RXTeller(const RXTeller&) = delete;
  RXTeller& operator=(const RXTeller&) = delete;
  // Not destroyed through a teller pointer, so tellers (every number of a scene) carry no table
  // of virtual functions for it.
  ~RXTeller();
};
