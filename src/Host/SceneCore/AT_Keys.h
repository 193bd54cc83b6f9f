#pragma once
// The keys of an animated number. Between two keys the value follows the interpolation of the
// earlier key: linear; constant (held until the next key); or smooth, a cubic Hermite segment
// whose slope at each of its two keys is (v_next - v_prev) / (f_next - f_prev) over that key's
// neighbouring keys, and 0 at the first and the last key, so that motion eases in and out of
// the ends and passes through the keys between without a kink. Outside the keys the end values
// hold. Frames are exact: a key stands at a frame only when the numbers are equal.
#include <map>
#include <optional>

class AT_Keys {
public:
  enum Interpolation { Linear, Constant, Smooth };
  struct Key {
    double value;
    Interpolation interpolation;
  };

  bool empty() const { return m_keys.empty(); }
  std::size_t size() const { return m_keys.size(); }
  const std::map<double, Key>& keys() const { return m_keys; }

  void setKey(double frame, double value, Interpolation interpolation = Linear) {
    m_keys[frame] = {value, interpolation};
  }
  bool removeKey(double frame) { return m_keys.erase(frame) > 0; }
  void clear() { m_keys.clear(); }
  bool isKey(double frame) const { return m_keys.count(frame) > 0; }

  // The value at a frame; empty without keys. `hold` reads every stretch as constant (for
  // integers and flags, which never take values between their keys).
  std::optional<double> value(double frame, bool hold = false) const;

  bool operator==(const AT_Keys& o) const;

private:
  using Iterator = std::map<double, Key>::const_iterator;
  // The slope a smooth stretch takes at a key, in value per frame.
  double slopeAt(Iterator key) const;

  std::map<double, Key> m_keys;
};
