#pragma once
// A whole number held to [min, max], animatable with keys when made so; between keys it holds
// the earlier key's value (a whole number never takes values in between).
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_SimpleAttr.h"

class AT_IntAttr : public AT_SimpleAttr {
public:
  AT_IntAttr(MO_Node* owner, const AT_AttrMeta& meta, bool animatable, int defaultValue, int min, int max, int step);

  QString className() const override { return QStringLiteral("AT_IntAttr"); }
  bool animatable() const { return m_animatable; }
  int defaultValue() const { return m_default; }
  int min() const { return m_min; }
  int max() const { return m_max; }
  int step() const { return m_step; }

  int value(double frame) const;
  int localValue() const { return m_local; }
  void setLocalValue(int v);
  void setKey(double frame, int v);
  // A key at the frame when the number has keys, else the local value.
  void setValue(double frame, int v);

  QString localValueString() const override;
  bool setLocalValueFromString(const QString& text, QString* why) override;
  AT_Keys* keys() override { return m_animatable ? &m_keys : nullptr; }
  bool acceptsKeyValue(double value, QString* why) const override;
  QString textValue(double frame) const override { return QString::number(value(frame)); }
  // Whole numbers within [min, max] only.
  CO_Command* setTextValue(double frame, const QString& text) override;

private:
  bool m_animatable;
  int m_default, m_min, m_max, m_step;
  int m_local;
  AT_Keys m_keys;
};
