#include "SceneCore/AT_SimpleAttr.h"

#include <mutex>
#include <unordered_map>

#include "SceneCore/MO_Revision.h"

namespace {
struct Attached {
  std::mutex mutex;
  std::unordered_map<const AT_SimpleAttr*, std::shared_ptr<AT_SimpleAttrSurrogate>> surrogates;
};
Attached& attached() {
  // Never destroyed: attributes destroyed at exit may still look themselves up.
  static auto* const table = new Attached();
  return *table;
}
} // namespace

AT_SimpleAttr::~AT_SimpleAttr() {
  if (spareBit(kSurrogateBit)) {
    Attached& a = attached();
    const std::lock_guard<std::mutex> lock(a.mutex);
    a.surrogates.erase(this);
  }
}

AT_SimpleAttrSurrogate* AT_SimpleAttr::attachedSurrogate() const {
  Attached& a = attached();
  const std::lock_guard<std::mutex> lock(a.mutex);
  const auto found = a.surrogates.find(this);
  return found == a.surrogates.end() ? nullptr : found->second.get();
}

void AT_SimpleAttr::setSurrogate(std::shared_ptr<AT_SimpleAttrSurrogate> surrogate) {
  {
    Attached& a = attached();
    const std::lock_guard<std::mutex> lock(a.mutex);
    setSpareBit(kSurrogateBit, surrogate != nullptr);
    if (surrogate)
      a.surrogates[this] = std::move(surrogate);
    else
      a.surrogates.erase(this);
  }
  // Values computed while the surrogate stood in (or before) must not be served as final.
  MO_Revision::bump();
}
