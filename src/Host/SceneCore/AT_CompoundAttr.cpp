#include "SceneCore/AT_CompoundAttr.h"

#include <QHash>
#include <mutex>

#include "SceneCore/AT_BoolAttr.h"

namespace {

// The declarations of compounds' parts, one per part name and shared by every compound that has
// the part ("POSITION.X" and "SCALE.X" both use the one for "X"): a scene of ten thousand pegs
// would otherwise hold two hundred thousand copies of a few names. Made on first use and kept for
// the life of the program; compounds are made on several threads at once.
template <class Meta> const Meta& sharedPartMeta(const QString& name) {
  static std::mutex mutex;
  // Never destroyed: attributes destroyed at exit may still refer to their declarations.
  static auto* const metas = new QHash<QString, const Meta*>();
  const std::lock_guard<std::mutex> lock(mutex);
  const Meta*& meta = (*metas)[name];
  if (!meta) {
    if constexpr (std::is_same_v<Meta, AT_DoubleAttrMeta>)
      meta = new AT_DoubleAttrMeta(name, name, QString());
    else
      meta = new AT_AttrMeta(name, name);
  }
  return *meta;
}

} // namespace

AT_CompoundAttr::AT_CompoundAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable,
                                 std::initializer_list<PartSpec> parts)
    : AT_Attr(owner, meta) {
  const std::size_t count = parts.size() + 1; // and the flag
  for (const PartSpec& p : parts) {
    const AT_DoubleAttrMeta& partMeta = sharedPartMeta<AT_DoubleAttrMeta>(partName(p.name));
    adoptSubAttr(std::make_unique<AT_DoubleAttr>(owner, partMeta,
                                                 linkable ? AT_DoubleAttr::eLinkable : AT_DoubleAttr::eNotLinkable,
                                                 p.defaultValue, this),
                 count);
    ++m_partCount;
  }
  auto separate = std::make_unique<AT_BoolAttr>(owner, sharedPartMeta<AT_AttrMeta>(partName("separate")), false, this);
  m_separate = separate.get();
  adoptSubAttr(std::move(separate), count);
}
