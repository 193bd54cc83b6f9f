#pragma once
// The declaration of a named input port: the name links and scripts use and the display name.
#include <QString>

class MO_SimplePortMetaData {
public:
  MO_SimplePortMetaData(const char* name, const char* displayName)
      : m_name(QString::fromLatin1(name)), m_displayName(QString::fromLatin1(displayName)) {}
  MO_SimplePortMetaData(const QString& name, const QString& displayName) : m_name(name), m_displayName(displayName) {}
  const QString& name() const { return m_name; }
  const QString& displayName() const { return m_displayName; }

private:
  QString m_name;
  QString m_displayName;
};
