#include "SceneCore/AT_CompoundAttr.h"

#include <QHash>
#include <mutex>
#include <new>
#include <stdexcept>

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
    : AT_Attr(owner, meta), m_separate(owner, sharedPartMeta<AT_AttrMeta>(partName("separate")), false, this) {
  if (parts.size() > kMaxParts)
    throw std::logic_error("a compound attribute has at most three numeric parts");
  for (const PartSpec& p : parts) {
    const AT_DoubleAttrMeta& partMeta = sharedPartMeta<AT_DoubleAttrMeta>(partName(p.name));
    m_list[m_partCount] = new (m_numbers[m_partCount]) AT_DoubleAttr(
        owner, partMeta, linkable ? AT_DoubleAttr::eLinkable : AT_DoubleAttr::eNotLinkable, p.defaultValue, this);
    ++m_partCount;
  }
  m_list[m_partCount] = &m_separate;
}

AT_CompoundAttr::~AT_CompoundAttr() {
  for (int i = 0; i < m_partCount; ++i)
    part(i)->~AT_DoubleAttr();
}
