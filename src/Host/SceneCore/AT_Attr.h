#pragma once
// An attribute of a node, made from its declaration. Compound attributes (positions, angles,
// scales) own one part per component, named in the parent keyword's case ("POSITION.X",
// "translate.x"). Every change bumps the edit counter and the owner's stamp so that nothing
// computed from the old value is served again.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

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
  // The parts of a compound, in order: a view over the compound's own list.
  class Parts {
  public:
    Parts() = default;
    Parts(AT_Attr* const* first, std::size_t count) : m_first(first), m_count(count) {}
    AT_Attr* const* begin() const { return m_first; }
    AT_Attr* const* end() const { return m_first + m_count; }
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    AT_Attr* operator[](std::size_t i) const { return m_first[i]; }

  private:
    AT_Attr* const* m_first = nullptr;
    std::size_t m_count = 0;
  };

  AT_Attr(MO_Node* owner, const AT_AttrMeta& meta, AT_Attr* parent = nullptr);
  virtual ~AT_Attr();
  AT_Attr(const AT_Attr&) = delete;
  AT_Attr& operator=(const AT_Attr&) = delete;

  // A part's owner is its compound's.
  MO_Node* owner() const { return isPart() ? parentAttr()->owner() : reinterpret_cast<MO_Node*>(m_up & ~kBits); }
  const AT_AttrMeta& meta() const { return *m_meta; }
  const QString& name() const { return m_meta->keyword(); }
  const QString& keyword() const { return m_meta->keyword(); }
  const QString& displayName() const { return m_meta->displayName(); }
  AT_Attr* parentAttr() const { return isPart() ? reinterpret_cast<AT_Attr*>(m_up & ~kBits) : nullptr; }
  // The keyword path from the node: "POSITION.X" for a part, "POSITION" for the whole.
  QString path() const;
  // The class name tools show ("AT_DoubleAttr").
  virtual QString className() const = 0;

  // Compounds list their parts; other attributes have none.
  virtual Parts subAttrs() const { return Parts(); }
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
  // Two on/off bits a subclass keeps for itself, at no cost in size.
  bool spareBit(int i) const { return (m_up >> (1 + i)) & 1u; }
  void setSpareBit(int i, bool on) {
    const std::uintptr_t bit = std::uintptr_t(1) << (1 + i);
    m_up = on ? m_up | bit : m_up & ~bit;
  }
  virtual void onChanged() {}
  // What keys() const gives: by default the keys the attribute changes.
  virtual const AT_Keys* keysToRead() const { return const_cast<AT_Attr*>(this)->keys(); }

private:
  bool isPart() const { return m_up & 1u; }

  // A scene holds a great many attributes, so one word says where this one belongs: the parent
  // for a part (bit 0 set), else the owning node, with the spare bits in the low bits that the
  // addresses' alignment leaves free.
  static constexpr std::uintptr_t kBits = 7;
  std::uintptr_t m_up;
  const AT_AttrMeta* m_meta;
};
