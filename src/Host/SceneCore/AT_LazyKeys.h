#pragma once
// The keys of a number that may be animated, made on the first write: most numbers of a scene
// never hold any, and an empty set would still cost its full size in every one of them. Reading
// before then gives one shared empty set.
#include <memory>

#include "SceneCore/AT_Keys.h"

class AT_LazyKeys {
public:
  const AT_Keys& get() const { return m_keys ? *m_keys : none(); }
  // The keys to change, made empty when there were none.
  AT_Keys& edit() {
    if (!m_keys)
      m_keys = std::make_unique<AT_Keys>();
    return *m_keys;
  }
  bool empty() const { return !m_keys || m_keys->empty(); }

private:
  static const AT_Keys& none() {
    static const AT_Keys kNone;
    return kNone;
  }

  std::unique_ptr<AT_Keys> m_keys;
};
