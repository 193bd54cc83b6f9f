#include "SceneCore/AT_AttrSnapshot.h"

#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_EnumAttrBase.h"

#include <cstring>

namespace {
// Bit for bit: AT_Keys' own equality takes -0.0 for 0.0, which would leave a key's sign
// unrestored.
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameKeys(const AT_Keys& a, const AT_Keys& b) {
  if (a.size() != b.size())
    return false;
  for (auto i = a.keys().begin(), j = b.keys().begin(); i != a.keys().end(); ++i, ++j)
    if (!sameBits(i->first, j->first) || !sameBits(i->second.value, j->second.value) ||
        i->second.interpolation != j->second.interpolation)
      return false;
  return true;
}

bool sameKeys(const std::optional<AT_Keys>& a, const std::optional<AT_Keys>& b) {
  return a.has_value() == b.has_value() && (!a || sameKeys(*a, *b));
}
} // namespace

AT_AttrSnapshot::AT_AttrSnapshot(AT_Attr* attr) : m_attr(attr) {
  if (!attr)
    return;
  m_hasLocal = attr->hasLocalValue();
  if (auto* option = dynamic_cast<AT_EnumAttrBase*>(attr))
    m_option = option->localValue();
  else if (m_hasLocal)
    m_local = attr->localValueString();
  // Read through the const attribute, so that taking a snapshot makes no keys.
  if (const AT_Keys* k = static_cast<const AT_Attr*>(attr)->keys())
    m_keys = *k;
  for (AT_Attr* part : attr->subAttrs())
    m_parts.emplace_back(part);
}

bool AT_AttrSnapshot::restore(QString* why) const {
  if (!m_attr)
    return true;
  bool ok = true;
  auto fail = [&](const QString& reason) {
    if (ok && why)
      *why = reason;
    ok = false;
  };
  if (m_keys) {
    AT_Keys* keys = m_attr->keys();
    if (!keys)
      fail(QStringLiteral("attribute \"%1\" no longer holds keys").arg(m_attr->path()));
    else if (!sameKeys(*keys, *m_keys)) {
      // Written back as taken: they were valid then, and a range check could only lose some.
      *keys = *m_keys;
      m_attr->changed();
    }
  }
  if (m_option) {
    auto* option = dynamic_cast<AT_EnumAttrBase*>(m_attr);
    if (option && option->localValue() != *m_option && !option->setLocalValue(*m_option))
      fail(QStringLiteral("%1 is not a value of \"%2\"").arg(*m_option).arg(m_attr->path()));
  } else if (m_hasLocal && m_attr->localValueString() != m_local) {
    QString reason;
    if (!m_attr->setLocalValueFromString(m_local, &reason))
      fail(reason);
  }
  for (const AT_AttrSnapshot& part : m_parts) {
    QString reason;
    if (!part.restore(&reason))
      fail(reason);
  }
  return ok;
}

bool AT_AttrSnapshot::operator==(const AT_AttrSnapshot& o) const {
  return m_attr == o.m_attr && m_hasLocal == o.m_hasLocal && m_local == o.m_local && m_option == o.m_option &&
         sameKeys(m_keys, o.m_keys) && m_parts == o.m_parts;
}
