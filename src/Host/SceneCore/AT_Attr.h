#pragma once
// An attribute of a node, made from its declaration. Compound attributes (positions, angles,
// scales) own one part per component, named in the parent keyword's case ("POSITION.X",
// "translate.x"). Every change bumps the edit counter and the owner's stamp so that nothing
// computed from the old value is served again.
#include <QString>
#include <memory>
#include <vector>

#include "SceneCore/AT_AttrMeta.h"

class MO_Node;
class AT_Keys;
class CO_Command;

class AT_Attr {
public:
  AT_Attr(MO_Node* owner, const AT_AttrMeta& meta, AT_Attr* parent = nullptr);
  virtual ~AT_Attr();
  AT_Attr(const AT_Attr&) = delete;
  AT_Attr& operator=(const AT_Attr&) = delete;

  MO_Node* owner() const { return m_owner; }
  const AT_AttrMeta& meta() const { return *m_meta; }
  const QString& name() const { return m_meta->keyword(); }
  const QString& keyword() const { return m_meta->keyword(); }
  const QString& displayName() const { return m_meta->displayName(); }
  AT_Attr* parentAttr() const { return m_parent; }
  // The keyword path from the node: "POSITION.X" for a part, "POSITION" for the whole.
  QString path() const;
  // The class name tools show ("AT_DoubleAttr").
  virtual QString className() const = 0;

  const std::vector<AT_Attr*>& subAttrs() const { return m_subAttrRefs; }
  AT_Attr* subAttr(const QString& part) const;

  // Whether the attribute holds a value of its own that a scene file stores (push buttons and
  // compounds do not; their parts do).
  virtual bool hasLocalValue() const { return false; }
  // The local value as the scene file writes it.
  virtual QString localValueString() const { return QString(); }
  // Reads a value as the scene file writes it; false with a reason when it is not one.
  virtual bool setLocalValueFromString(const QString& text, QString* why);
  // The keys when the attribute can be animated, else null.
  virtual AT_Keys* keys() { return nullptr; }
  const AT_Keys* keys() const { return const_cast<AT_Attr*>(this)->keys(); }
  // Whether a value read from a file may be stored as a key (range checks for numbers).
  virtual bool acceptsKeyValue(double value, QString* why) const;
  // The value at a frame as editors show it.
  virtual QString textValue(double frame) const;

  // Records an edit: the counter moves on and the owner learns of it.
  void changed();

protected:
  // Compounds call this from their constructor, in the order the parts are listed.
  void adoptSubAttr(std::unique_ptr<AT_Attr> part, std::unique_ptr<AT_AttrMeta> meta);
  // The part name in the case of this attribute's keyword.
  QString partName(const char* lower) const;
  virtual void onChanged() {}

private:
  MO_Node* m_owner;
  const AT_AttrMeta* m_meta;
  AT_Attr* m_parent;
  std::vector<std::unique_ptr<AT_AttrMeta>> m_subMetas;
  std::vector<std::unique_ptr<AT_Attr>> m_subAttrs;
  std::vector<AT_Attr*> m_subAttrRefs;
};
