#pragma once
// The edit counter. Every edit (attribute value, link, enable flag) takes the next number;
// stored port transformations remember the number they were computed under and are dropped
// when it has moved on, so nothing stale is ever served. There is one counter per thread: a
// scene is read, edited and evaluated on one thread (evaluation on several threads gives each
// its own copy of the scene), and an edit there never disturbs a computation under way on
// another thread.
#include <cstdint>
#include <utility>

namespace MO_Revision {
std::int64_t current();
std::int64_t bump();
} // namespace MO_Revision

// A value worked out from a scene's attributes and kept until the next edit: `get` gives the
// kept value while the edit counter stands where it stood when the value was made (and, with
// a key, while the key is the same), else makes it again with `make`.
struct MO_NoKey {
  bool operator!=(const MO_NoKey&) const { return false; }
};

template <class T, class Key = MO_NoKey> class MO_UntilEdit {
public:
  template <class Make> const T& get(Make&& make, const Key& key = Key()) const {
    const std::int64_t revision = MO_Revision::current();
    if (m_at != revision || m_key != key) {
      m_value = std::forward<Make>(make)();
      m_key = key;
      m_at = revision;
    }
    return m_value;
  }
  // What is kept, current or not: for reading ahead of a computation, never for its result.
  const T& kept() const { return m_value; }

private:
  mutable T m_value{};
  mutable Key m_key{};
  mutable std::int64_t m_at = -1;
};
