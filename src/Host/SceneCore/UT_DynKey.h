#pragma once
// A key made unique at construction: each default-constructed key differs from every other,
// copies compare equal. Used to name an attribute class in a visitor's registry.
#include <atomic>
#include <cstdint>

class UT_DynKey {
public:
  UT_DynKey() : m_id(next()) {}
  std::uint64_t id() const { return m_id; }
  bool operator==(const UT_DynKey& o) const { return m_id == o.m_id; }
  bool operator!=(const UT_DynKey& o) const { return m_id != o.m_id; }
  bool operator<(const UT_DynKey& o) const { return m_id < o.m_id; }

private:
  static std::uint64_t next() {
    static std::atomic<std::uint64_t> counter{1};
    return counter++;
  }
  std::uint64_t m_id;
};
