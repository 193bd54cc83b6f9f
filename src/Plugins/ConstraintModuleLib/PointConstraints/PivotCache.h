#pragma once
// Where a point node's input pivots were at each whole frame it computed (scene space, drawing
// units), for its control and for the clicks that choose its main input. An entry is keyed by
// the frame truncated towards zero and overwritten at each computation of that frame; it is
// never saved. Frames from 0 up are kept in a growing array as the host's views expect; others
// (negative or far-off frames) in a map, so that no frame number makes the array huge. A frame
// that is not finite is not kept.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

#include "HostInterface/HostMath.h"

template <std::size_t N> class PivotCache {
public:
  using Points = std::array<Math::Point3d, N>;

  void store(double frame, const Points& points) {
    long long index = 0;
    if (!indexOf(frame, index))
      return;
    if (index >= 0 && index < kDenseFrames) {
      const auto i = static_cast<std::size_t>(index);
      // Grown by doubling: frames asked in order would otherwise grow it one entry at a time.
      if (m_dense.size() < i + 1)
        m_dense.resize(std::min(std::max(i + 1, 2 * m_dense.size()), static_cast<std::size_t>(kDenseFrames)));
      m_dense[i] = {points, true};
    } else {
      m_sparse[index] = {points, true};
    }
  }

  // The points of the frame's whole number, or null when that frame was never computed.
  const Points* find(double frame) const {
    long long index = 0;
    if (!indexOf(frame, index))
      return nullptr;
    if (index >= 0 && index < kDenseFrames) {
      const auto i = static_cast<std::size_t>(index);
      return i < m_dense.size() && m_dense[i].valid ? &m_dense[i].points : nullptr;
    }
    const auto it = m_sparse.find(index);
    return it == m_sparse.end() ? nullptr : &it->second.points;
  }

private:
  struct Entry {
    Points points{};
    bool valid = false;
  };
  static constexpr long long kDenseFrames = 1 << 16;

  static bool indexOf(double frame, long long& index) {
    if (!(std::fabs(frame) < 1e15))
      return false;
    index = static_cast<long long>(std::trunc(frame));
    return true;
  }

  std::vector<Entry> m_dense;
  std::map<long long, Entry> m_sparse;
};
