#pragma once
// The state of one attribute: its own value as the scene file spells it (numbers with 17
// significant digits, so reading them back gives the same double), its keys with their
// interpolations, and the same for each part of a compound. restore() writes back only what
// differs, through the attribute's setters, so the edit counter moves exactly when something
// changes. Options keep their number instead, since files only spell values of their table.
// A null attribute gives an empty snapshot that restores nothing.
#include <QString>
#include <optional>
#include <vector>

#include "SceneCore/AT_Keys.h"

class AT_Attr;

class AT_AttrSnapshot {
public:
  AT_AttrSnapshot() = default;
  explicit AT_AttrSnapshot(AT_Attr* attr);

  AT_Attr* attr() const { return m_attr; }
  // False, with the first reason, when a value could not be written back; the rest is still
  // restored.
  bool restore(QString* why = nullptr) const;
  // Same attribute, same values bit for bit, same keys.
  bool operator==(const AT_AttrSnapshot& o) const;
  bool operator!=(const AT_AttrSnapshot& o) const { return !(*this == o); }

private:
  AT_Attr* m_attr = nullptr;
  bool m_hasLocal = false;
  QString m_local;
  std::optional<int> m_option;
  std::optional<AT_Keys> m_keys;
  std::vector<AT_AttrSnapshot> m_parts;
};
