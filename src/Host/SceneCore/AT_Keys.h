#pragma once
// The keys of an animated number. Between two keys the value follows the interpolation of the
// earlier key (linear, or constant: held until the next key); outside the keys the end values
// hold. Frames are exact: a key stands at a frame only when the numbers are equal.
#include <map>
#include <optional>

class AT_Keys {
public:
  enum Interpolation { Linear, Constant };
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
  std::map<double, Key> m_keys;
};
