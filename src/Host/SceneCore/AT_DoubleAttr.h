#pragma once
// A number that may be animated with keys. Values are held to the declaration's hard range
// (min to max); the weak range is only what editors offer. Percentages, angles and lengths are
// stored as the user typed them: callers convert (divide by 100, toOGL) where they use them.
#include "SceneCore/AT_DoubleAttrMeta.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_SimpleAttr.h"

class AT_DoubleAttr : public AT_SimpleAttr {
public:
  enum Linkable { eNotLinkable = 0, eLinkable = 1 };

  AT_DoubleAttr(MO_Node* owner, const AT_DoubleAttrMeta& meta, Linkable linkable = eLinkable, double defaultValue = 0.0,
                AT_Attr* parent = nullptr, const QString& = QString());
  AT_DoubleAttr(MO_Node* owner, const AT_DoubleAttrMeta& meta, int linkable, double defaultValue,
                AT_Attr* parent = nullptr, const QString& extra = QString())
      : AT_DoubleAttr(owner, meta, static_cast<Linkable>(linkable), defaultValue, parent, extra) {}

  QString className() const override { return QStringLiteral("AT_DoubleAttr"); }
  const AT_DoubleAttrMeta& doubleMeta() const { return static_cast<const AT_DoubleAttrMeta&>(meta()); }
  Linkable linkable() const { return spareBit(kSubclassBit) ? eLinkable : eNotLinkable; }
  double defaultValue() const { return m_default; }

  // The value at a frame: the surrogate's while one is attached, else the keys', else the local
  // value. isKey says a key stands at that frame, isAnimated that there are keys at all.
  double value(double frame, bool* isKey = nullptr, bool* isAnimated = nullptr) const;
  // The value the scene holds at a frame (keys, else the local value), whatever surrogate is
  // attached: what an edit starts from.
  double storedValue(double frame) const;
  double localValue() const { return m_local; }
  void setLocalValue(double v);
  // An edit at a frame: a key there when animated (a key already there keeps its
  // interpolation), else the local value.
  void setValue(double frame, double v);
  void setKey(double frame, double v, AT_Keys::Interpolation interpolation = AT_Keys::Linear);
  void removeKey(double frame);
  void setKeys(const AT_Keys& keys);
  bool isAnimated() const { return !m_keys.empty(); }
  // The keys held, whether or not the number animates (without keys when it does not).
  const AT_Keys& storedKeys() const { return m_keys; }

  QString localValueString() const override;
  bool setLocalValueFromString(const QString& text, QString* why) override;
  // Only linkable numbers animate; the others hold one value at every frame.
  AT_Keys* keys() override { return linkable() == eLinkable ? &m_keys : nullptr; }
  bool acceptsKeyValue(double value, QString* why) const override;
  QString textValue(double frame) const override;
  CO_Command* setTextValue(double frame, const QString& text) override;

protected:
  const AT_Keys* keysToRead() const override { return linkable() == eLinkable ? &m_keys : nullptr; }

private:
  double clamp(double v) const;

  double m_default;
  double m_local;
  AT_Keys m_keys;
};
