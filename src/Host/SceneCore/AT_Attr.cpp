#include "SceneCore/AT_Attr.h"

#include "SceneCore/AT_Keys.h"
#include "SceneCore/MO_Node.h"
#include "SceneCore/MO_Revision.h"

AT_Attr::AT_Attr(MO_Node* owner, const AT_AttrMeta& meta, AT_Attr* parent)
    : m_owner(owner), m_meta(&meta), m_parent(parent) {}

AT_Attr::~AT_Attr() = default;

QString AT_Attr::path() const { return m_parent ? m_parent->path() + QLatin1Char('.') + keyword() : keyword(); }

AT_Attr* AT_Attr::subAttr(const QString& part) const {
  for (AT_Attr* a : m_subAttrRefs)
    if (a->keyword() == part)
      return a;
  return nullptr;
}

bool AT_Attr::setLocalValueFromString(const QString&, QString* why) {
  if (why)
    *why = QStringLiteral("attribute \"%1\" takes no value of its own").arg(path());
  return false;
}

bool AT_Attr::acceptsKeyValue(double, QString* why) const {
  if (why)
    *why = QStringLiteral("attribute \"%1\" cannot be animated").arg(path());
  return false;
}

QString AT_Attr::textValue(double) const { return localValueString(); }

void AT_Attr::changed() {
  MO_Revision::bump();
  onChanged();
  if (m_owner)
    m_owner->attrChanged(this);
}

void AT_Attr::adoptSubAttr(std::unique_ptr<AT_Attr> part, std::unique_ptr<AT_AttrMeta> meta) {
  m_subAttrRefs.push_back(part.get());
  m_subAttrs.push_back(std::move(part));
  m_subMetas.push_back(std::move(meta));
}

QString AT_Attr::partName(const char* lower) const {
  const QString part = QString::fromLatin1(lower);
  // Parts follow the parent's case: "POSITION.X" but "translate.x".
  return keyword() == keyword().toUpper() ? part.toUpper() : part;
}
