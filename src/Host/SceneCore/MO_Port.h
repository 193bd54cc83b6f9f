#pragma once
// A node's input or output port. An input port links to one output port of another node; an
// output port keeps the transformations computed for its most recently used frames until the next
// edit anywhere (MO_PortTransformStore), made when it keeps its first one: input ports never do.
// Ports carry matrices or images; only matrix ports take part in evaluation.
#include <QString>
#include <cstdint>
#include <memory>

#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/MO_PortTransform.h"
#include "SceneCore/MO_PortTransformStore.h"
#include "SceneCore/MO_Revision.h"

class MO_Node;
class MO_Module;

class MO_Port {
public:
  enum Direction { In, Out };
  enum Kind { Matrix, Image };

  MO_Port(MO_Module* owner, Direction direction, Kind kind, const QString& name);
  ~MO_Port();
  MO_Port(const MO_Port&) = delete;
  MO_Port& operator=(const MO_Port&) = delete;

  MO_Module* node() const { return m_owner; }
  Direction direction() const { return m_direction; }
  Kind kind() const { return m_kind; }
  const QString& name() const { return m_name; }
  void setName(const QString& name) { m_name = name; }
  // Unique among all ports of the process; a link names its source port by this id.
  int id() const { return m_id; }
  int index() const;

  // Input side: the output port this input is linked to (null when unlinked).
  MO_Port* srcPort() const { return m_src; }
  MO_Port* realSrcPort() const { return m_src; }
  MO_Module* realSrcNode() const;

  // Output side: the stored transformation for a frame, or null when none is kept or the kept
  // one predates the latest edit.
  MO_PortTransform* transform(const MO_FrameKey& key) {
    dropStale();
    return m_transforms ? m_transforms->find(key) : nullptr;
  }
  // Output side: the stored transformation for the frame, created empty when missing.
  MO_PortTransform* addTransform(const MO_FrameKey& key) { return store().findOrAdd(key); }
  void clearTransforms();
  // Asks the processor to bring in the port and what it keeps, ahead of a computation.
  void prefetch() const {
    __builtin_prefetch(this);
    if (m_transforms)
      __builtin_prefetch(m_transforms.get());
  }

private:
  friend class MO_Module;
  // The stored transformation for the frame, a new one left unset when missing: for the host's
  // own computations, which set it at once.
  MO_PortTransform* transformToSet(const MO_FrameKey& key) { return store().findOrAddUnset(key); }
  MO_PortTransformStore& store() {
    dropStale();
    if (!m_transforms)
      m_transforms = std::make_unique<MO_PortTransformStore>();
    return *m_transforms;
  }
  void dropStale() {
    if (m_storedRevision != MO_Revision::current())
      dropAll();
  }
  void dropAll();

  MO_Module* m_owner;
  Direction m_direction;
  Kind m_kind;
  QString m_name;
  int m_id;
  MO_Port* m_src = nullptr;
  std::int64_t m_storedRevision = 0;
  std::unique_ptr<MO_PortTransformStore> m_transforms;
};
