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
class AT_AttrVisitor;
class CO_Command;
class PIO_WritingContext;
class RXLex;
class UT_DynKey;

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

  const std::vector<AT_Attr*>& subAttrs() const { return m_parts ? *m_parts : noParts(); }
  AT_Attr* subAttr(const QString& part) const;

  // Whether the attribute holds a value of its own that a scene file stores (push buttons and
  // compounds do not; their parts do).
  virtual bool hasLocalValue() const { return false; }
  // The local value as the scene file writes it.
  virtual QString localValueString() const { return QString(); }
  // Reads a value as the scene file writes it; false with a reason when it is not one.
  virtual bool setLocalValueFromString(const QString& text, QString* why);
  // The keys when the attribute can be animated, else null. Asking for keys to change may make
  // them; reading through a const attribute never does.
  virtual AT_Keys* keys() { return nullptr; }
  const AT_Keys* keys() const { return keysToRead(); }
  // Whether it holds any key (an attribute without keys has one value at every frame).
  bool hasKeys() const;
  // Whether a value read from a file may be stored as a key (range checks for numbers).
  virtual bool acceptsKeyValue(double value, QString* why) const;
  // The value at a frame as editors show it.
  virtual QString textValue(double frame) const;
  // A new command (the caller owns it) that sets the value typed as text: a key at the frame
  // when the attribute is animated, else the local value. Null when the text is no valid value
  // or the attribute takes none. Nothing changes until the command runs.
  virtual CO_Command* setTextValue(double frame, const QString& text);

  // The key of the attribute's class in attribute visitors' registries.
  virtual UT_DynKey typeKey() const;
  // A registered operation for typeKey() when the visitor has one, else its generic visit.
  virtual void accept(AT_AttrVisitor& visitor);
  // A command giving this attribute the local value of `other` (same class and name, different
  // value); null otherwise. The caller owns and runs it.
  virtual CO_Command* dropLocalValue(const AT_Attr* other);
  // Reads the local value from the older text format (one word); with `store` false the word
  // is consumed and the value left as it was.
  virtual void parseLocalValue(RXLex& lex, bool store);
  // Writes the local value as the scene file's value attribute.
  virtual void writeXmlLocalValue(PIO_WritingContext& context) const;
  // Whether `other` is of the same class and holds the same value.
  virtual bool isEquivalentLocalValue(const AT_Attr& other) const;
  // Sets the local value from its file form; nothing happens when the text is not one.
  virtual void parseLocalValueString(const QString& s);
  // Consumes `keyword` from the lexer when it comes next.
  static bool parseString(RXLex& lex, const QString& keyword);

  // Records an edit: the counter moves on and the owner learns of it.
  void changed();

protected:
  // Compounds call this from their constructor, in the order the parts are listed, `count`
  // being how many parts they will have in all. The part's declaration must outlive it (parts
  // share theirs, see partMeta).
  void adoptSubAttr(std::unique_ptr<AT_Attr> part, std::size_t count);
  // The part name in the case of this attribute's keyword.
  QString partName(const char* lower) const;
  virtual void onChanged() {}
  // What keys() const gives: by default the keys the attribute changes.
  virtual const AT_Keys* keysToRead() const { return const_cast<AT_Attr*>(this)->keys(); }

private:
  MO_Node* m_owner;
  const AT_AttrMeta* m_meta;
  AT_Attr* m_parent;
  static const std::vector<AT_Attr*>& noParts();

  // Owned; only compounds have a list (a node holds many more numbers than compounds).
  std::unique_ptr<std::vector<AT_Attr*>> m_parts;
};
