#pragma once
// The keys of an animated number. Between two keys the value follows the interpolation of the
// earlier key: linear; constant (held until the next key); or smooth, a cubic Hermite segment
// whose slope at each of its two keys is (v_next - v_prev) / (f_next - f_prev) over that key's
// neighbouring keys, and 0 at the first and the last key, so that motion eases in and out of
// the ends and passes through the keys between without a kink. Outside the keys the end values
// hold. Frames are exact: a key stands at a frame only when the numbers are equal.
//
// The keys are kept in frame order in one array. A lookup starts from the stretch the previous
// one ended in, so playing or scrubbing forward finds its stretch without a search.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

class AT_Keys {
public:
  enum Interpolation { Linear, Constant, Smooth };
  struct Key {
    double value;
    Interpolation interpolation;
  };
  using Entry = std::pair<double, Key>; // frame, key

  // The entries in frame order. Every number of a scene holds a set of keys, most of them none,
  // so the set is one pointer: null without keys, else one block with the count, the lookup
  // hint and the entries (a copy takes no more room than its entries).
  class List {
  public:
    List() = default;
    List(const List& o);
    List& operator=(const List& o);
    ~List();

    const Entry* begin() const { return m_block ? entries() : nullptr; }
    const Entry* end() const { return begin() + size(); }
    std::size_t size() const { return m_block ? m_block->size : 0; }
    bool empty() const { return size() == 0; }
    const Entry& operator[](std::size_t i) const { return entries()[i]; }
    const Entry& front() const { return entries()[0]; }
    const Entry& back() const { return entries()[size() - 1]; }

  private:
    friend class AT_Keys;
    struct Block {
      std::uint32_t size;
      std::uint32_t capacity;
      // Where the last lookup ended. Relaxed: it only speeds the next search up, and any value
      // within the array gives the same answer.
      std::atomic<std::size_t> hint;
    };
    Entry* entries() const { return reinterpret_cast<Entry*>(m_block + 1); }
    std::size_t hint() const { return m_block ? m_block->hint.load(std::memory_order_relaxed) : 0; }
    void setHint(std::size_t i) const {
      if (m_block)
        m_block->hint.store(i, std::memory_order_relaxed);
    }
    void insert(std::size_t at, const Entry& e);
    void erase(std::size_t at);
    void clear();
    static Block* allocate(std::size_t capacity);

    Block* m_block = nullptr;
  };

  AT_Keys() = default;

  bool empty() const { return m_keys.empty(); }
  std::size_t size() const { return m_keys.size(); }
  // In increasing frame order, one entry per frame.
  const List& keys() const { return m_keys; }
  // The key standing at the frame, or null.
  const Key* find(double frame) const;

  void setKey(double frame, double value, Interpolation interpolation = Linear);
  bool removeKey(double frame);
  void clear() { m_keys.clear(); }
  bool isKey(double frame) const { return find(frame) != nullptr; }

  // The value at a frame; empty without keys. `hold` reads every stretch as constant (for
  // integers and flags, which never take values between their keys).
  std::optional<double> value(double frame, bool hold = false) const;

  // The run of frames around one over which value() follows one rule, for callers that keep it
  // and ask again only once a frame falls outside: frames `from` <= f < `to` (either end may be
  // infinite). Held: the value is `v0`. Linear: v0 at `from`, else v0 + dv * ((f - from) / span),
  // as value() works it out. Smooth: only value() gives it. Needs keys.
  struct Stretch {
    enum Kind { Held, Linear, Smooth };
    double from, to;
    double v0, dv, span;
    Kind kind;
  };
  Stretch stretch(double frame) const;

  bool operator==(const AT_Keys& o) const;

private:
  // The index of the first key after the frame (size() when none), searched from the hint.
  std::size_t upperBound(double frame) const;
  // The slope a smooth stretch takes at the key with this index, in value per frame.
  double slopeAt(std::size_t key) const;

  List m_keys;
};
