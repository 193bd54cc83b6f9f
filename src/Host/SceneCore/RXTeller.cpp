#include "SceneCore/RXTeller.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {
struct Lists {
  std::mutex mutex;
  std::unordered_map<const RXTeller*, std::vector<RXListener*>> listeners;
  // How many tellers have a list: while none has, nothing needs the lock.
  std::atomic<std::size_t> count{0};
};
Lists& lists() {
  // Never destroyed: tellers destroyed at exit may still look themselves up.
  static auto* const table = new Lists();
  return *table;
}
} // namespace

RXTeller::~RXTeller() {
  Lists& t = lists();
  if (t.count.load(std::memory_order_acquire) == 0)
    return;
  const std::lock_guard<std::mutex> lock(t.mutex);
  t.listeners.erase(this);
  t.count.store(t.listeners.size(), std::memory_order_release);
}

void RXTeller::addListener(RXListener* l) {
  if (!l)
    return;
  Lists& t = lists();
  const std::lock_guard<std::mutex> lock(t.mutex);
  std::vector<RXListener*>& mine = t.listeners[this];
  if (std::find(mine.begin(), mine.end(), l) == mine.end())
    mine.push_back(l);
  t.count.store(t.listeners.size(), std::memory_order_release);
}

void RXTeller::removeListener(RXListener* l) {
  Lists& t = lists();
  if (t.count.load(std::memory_order_acquire) == 0)
    return;
  const std::lock_guard<std::mutex> lock(t.mutex);
  const auto found = t.listeners.find(this);
  if (found == t.listeners.end())
    return;
  std::vector<RXListener*>& mine = found->second;
  mine.erase(std::remove(mine.begin(), mine.end(), l), mine.end());
  if (mine.empty())
    t.listeners.erase(found);
  t.count.store(t.listeners.size(), std::memory_order_release);
}

void RXTeller::tell() {
  Lists& t = lists();
  if (t.count.load(std::memory_order_acquire) == 0)
    return;
  std::vector<RXListener*> listeners;
  {
    // A listener may add or remove listeners while told: walk a copy, outside the lock.
    const std::lock_guard<std::mutex> lock(t.mutex);
    const auto found = t.listeners.find(this);
    if (found == t.listeners.end())
      return;
    listeners = found->second;
  }
  for (RXListener* l : listeners)
    l->told(this);
}
