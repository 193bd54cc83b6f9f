#pragma once
// A line of text, never animated (a parent node's name, for example).
#include "SceneCore/AT_SimpleAttr.h"

class AT_StringAttr : public AT_SimpleAttr {
public:
  AT_StringAttr(MO_Node* owner, const AT_AttrMeta& meta, const QString& defaultValue = QString(), bool = false,
                bool = false);

  QString className() const override { return QStringLiteral("AT_StringAttr"); }
  const QString& defaultValue() const { return m_default; }
  const QString& value() const { return m_local; }
  QString value(double) const { return m_local; }
  void setLocalValue(const QString& v);

  QString localValueString() const override { return m_local; }
  bool setLocalValueFromString(const QString& text, QString*) override {
    setLocalValue(text);
    return true;
  }
  // Any text is a valid value; the frame plays no part (text is never animated).
  CO_Command* setTextValue(double frame, const QString& text) override;

private:
  QString m_default;
  QString m_local;
};
