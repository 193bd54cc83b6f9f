#include "SceneCore/AT_CompoundAttr.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace {

// The declarations of compounds' parts, one per part name and shared by every compound that has
// the part ("POSITION.X" and "SCALE.X" both use the one for "X"): a scene of ten thousand pegs
// would otherwise hold two hundred thousand copies of a few names. Parts follow their compound's
// case ("POSITION.X" but "translate.x"); `lower` is the name in lower case, a literal. Made on
// first use and kept for the life of the program; compounds are made on several threads at once.
// The few names are looked up by their letters, without making the name itself.
template <class Meta> const Meta& sharedPartMeta(const char* lower, bool upper) {
  struct Shared {
    const char* lower;
    bool upper;
    const Meta* meta;
  };
  static std::mutex mutex;
  // Never destroyed: attributes destroyed at exit may still refer to their declarations.
  static auto* const metas = new std::vector<Shared>();
  const std::lock_guard<std::mutex> lock(mutex);
  for (const Shared& s : *metas)
    if (s.upper == upper && std::strcmp(s.lower, lower) == 0)
      return *s.meta;
  QString name = QString::fromLatin1(lower);
  if (upper)
    name = name.toUpper();
  const Meta* meta = nullptr;
  if constexpr (std::is_same_v<Meta, AT_DoubleAttrMeta>)
    meta = new AT_DoubleAttrMeta(name, name, QString());
  else
    meta = new AT_AttrMeta(name, name);
  metas->push_back({lower, upper, meta});
  return *meta;
}

// Whether a compound with this keyword names its parts in upper case: when it has no lower-case
// letter.
bool upperCaseParts(const AT_AttrMeta& meta) {
  const QString& k = meta.keyword();
  return std::none_of(k.cbegin(), k.cend(), [](QChar c) { return c.isLower(); });
}

} // namespace

AT_CompoundAttr::AT_CompoundAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable,
                                 std::initializer_list<PartSpec> parts)
    : AT_Attr(owner, meta),
      m_separate(owner, sharedPartMeta<AT_AttrMeta>("separate", upperCaseParts(meta)), false, this) {
  if (parts.size() > kMaxParts)
    throw std::logic_error("a compound attribute has at most three numeric parts");
  const bool upper = upperCaseParts(meta);
  for (const PartSpec& p : parts) {
    const AT_DoubleAttrMeta& partMeta = sharedPartMeta<AT_DoubleAttrMeta>(p.name, upper);
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
