#pragma once
// A pickable thing in a view: a block of consecutive picking ids, one per handle, taken from a
// process-wide counter when the adaptor is made, so that no two adaptors share an id. Handle i
// is drawn in SLB_PickEngine::idToColor(handleId(i)); an index outside the handles gives id 0.
#include <memory>

class SLB_ModuleDescriptor;

class SLB_SelectablePickAdaptor {
public:
  // A count below 1 still reserves one id, so that pickingId() is always a real id.
  explicit SLB_SelectablePickAdaptor(int nbHandles);
  virtual ~SLB_SelectablePickAdaptor();
  SLB_SelectablePickAdaptor(const SLB_SelectablePickAdaptor&) = delete;
  SLB_SelectablePickAdaptor& operator=(const SLB_SelectablePickAdaptor&) = delete;

  int pickingId() const { return m_pickingId; }
  int nbHandles() const { return m_nbHandles; }
  // The id the view's selection records for the whole object: its first id.
  int selectionId() const { return m_pickingId; }
  virtual int handleId(int i) const;
  // The handle owning `id`, or -1.
  int handleOf(int id) const;
  // Called when the user clicks `id`; `select` asks to select, `modifiers` are Qt's keyboard
  // modifier bits. The default picks nothing.
  virtual std::shared_ptr<SLB_ModuleDescriptor> pick(int id, bool select, int modifiers);

private:
  int m_nbHandles;
  int m_pickingId;
};
