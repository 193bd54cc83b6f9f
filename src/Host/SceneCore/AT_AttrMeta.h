#pragma once
// The declaration of an attribute: its keyword (the name in scene files and scripts) and its
// display name. Declarations outlive the attributes made from them.
#include <QString>

class AT_AttrMeta {
public:
  AT_AttrMeta(const char* keyword, const char* displayName, bool isParentName = false)
      : m_keyword(QString::fromLatin1(keyword)), m_displayName(QString::fromLatin1(displayName)), m_flag(isParentName) {
  }
  AT_AttrMeta(const QString& keyword, const QString& displayName, bool flag = false)
      : m_keyword(keyword), m_displayName(displayName), m_flag(flag) {}
  virtual ~AT_AttrMeta() = default;

  const QString& keyword() const { return m_keyword; }
  const QString& displayName() const { return m_displayName; }
  // Set on declarations that name another node (a parent's name); editors offer node names.
  bool flag() const { return m_flag; }

private:
  QString m_keyword;
  QString m_displayName;
  bool m_flag;
};
