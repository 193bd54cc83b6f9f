#pragma once
// A node's selection as the views change it: which of its handles are sub-selected. Selecting a
// handle selects the node; without `add` it first clears the selection of every node of the
// node's scene (a plain click), with `add` it extends it (shift-click). Every MO_Module owns one.
#include <memory>
#include <set>

class MO_Module;

class SLB_SelectionInterface {
public:
  explicit SLB_SelectionInterface(MO_Module* owner) : m_owner(owner) {}
  // Drops what the view factories keep for the owner, which is going away with it.
  ~SLB_SelectionInterface();
  SLB_SelectionInterface(const SLB_SelectionInterface&) = delete;
  SLB_SelectionInterface& operator=(const SLB_SelectionInterface&) = delete;

  void subSelect(int handle, bool add);
  // Deselects the node and forgets its handles.
  void clear();
  const std::set<int>& selectedHandles() const { return m_handles ? *m_handles : none(); }
  bool isHandleSelected(int handle) const { return m_handles && m_handles->count(handle) != 0; }

private:
  static const std::set<int>& none();

  MO_Module* m_owner;
  // Made on the first sub-selection: every node owns a selection, few ever have handles in it.
  std::unique_ptr<std::set<int>> m_handles;
};
