#pragma once
// An on/off flag; it may carry keys, each holding until the next.
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_SimpleAttr.h"

class AT_BoolAttr : public AT_SimpleAttr {
public:
  AT_BoolAttr(MO_Node* owner, const AT_AttrMeta& meta, bool defaultValue, AT_Attr* parent = nullptr);

  QString className() const override { return QStringLiteral("AT_BoolAttr"); }
  bool defaultValue() const { return m_default; }
  bool value(double frame) const;
  bool localValue() const { return m_local; }
  void setLocalValue(bool v);
  void setKey(double frame, bool v);
  // A key at the frame when the flag has keys, else the local value.
  void setValue(double frame, bool v);

  QString localValueString() const override;
  bool setLocalValueFromString(const QString& text, QString* why) override;
  AT_Keys* keys() override { return &m_keys; }
  bool acceptsKeyValue(double value, QString* why) const override;
  QString textValue(double frame) const override;
  // Accepts "true"/"false" (and "1"/"0").
  CO_Command* setTextValue(double frame, const QString& text) override;

protected:
  const AT_Keys* keysToRead() const override { return &m_keys; }

private:
  bool m_default;
  bool m_local;
  AT_Keys m_keys;
};
