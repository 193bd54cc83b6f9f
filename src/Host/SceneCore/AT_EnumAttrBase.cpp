#include "SceneCore/AT_EnumAttrBase.h"

#include <QStringList>

AT_EnumAttrBase::SetLocalValueCmd::SetLocalValueCmd(AT_EnumAttrBase* attr, int value)
    : AT_EditCmd(attr, [attr, value] { attr->setLocalValue(value); }), m_value(value) {}

QString AT_EnumAttrBase::localValueString() const {
  const int v = localValue();
  for (auto it = enumBegin(); it != enumEnd(); ++it)
    if (it->first == v)
      return it->second.m_keyword;
  return QString::number(v);
}

bool AT_EnumAttrBase::setLocalValueFromString(const QString& text, QString* why) {
  for (auto it = enumBegin(); it != enumEnd(); ++it) {
    if (it->second.m_keyword == text) {
      parseLocalValueString(text);
      return true;
    }
  }
  if (why) {
    QStringList known;
    for (auto it = enumBegin(); it != enumEnd(); ++it)
      known << it->second.m_keyword;
    *why = QStringLiteral("\"%1\" is not a value of \"%2\" (one of %3)")
               .arg(text, path(), known.join(QLatin1String(", ")));
  }
  return false;
}

QString AT_EnumAttrBase::textValue(double frame) const {
  const int v = value(frame);
  for (auto it = enumBegin(); it != enumEnd(); ++it)
    if (it->first == v)
      return it->second.m_text;
  return QString();
}

CO_Command* AT_EnumAttrBase::setTextValue(double, const QString& text) {
  for (auto it = enumBegin(); it != enumEnd(); ++it)
    if (it->second.m_text == text || it->second.m_keyword == text)
      return new SetLocalValueCmd(this, it->first);
  return nullptr;
}
