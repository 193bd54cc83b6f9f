#include "SceneCore/AT_CompoundAttr.h"

#include "SceneCore/AT_BoolAttr.h"

AT_CompoundAttr::AT_CompoundAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable,
                                 std::initializer_list<PartSpec> parts)
    : AT_Attr(owner, meta) {
  for (const PartSpec& p : parts) {
    const QString name = partName(p.name);
    auto partMeta = std::make_unique<AT_DoubleAttrMeta>(name, name, QString());
    auto attr = std::make_unique<AT_DoubleAttr>(
        owner, *partMeta, linkable ? AT_DoubleAttr::eLinkable : AT_DoubleAttr::eNotLinkable, p.defaultValue, this);
    adoptSubAttr(std::move(attr), std::move(partMeta));
    ++m_partCount;
  }
  const QString flag = partName("separate");
  auto flagMeta = std::make_unique<AT_AttrMeta>(flag, flag);
  auto separate = std::make_unique<AT_BoolAttr>(owner, *flagMeta, false, this);
  m_separate = separate.get();
  adoptSubAttr(std::move(separate), std::move(flagMeta));
}
