#include "SceneCore/SLB_PickEngine.h"

namespace {
constexpr std::uint32_t kRgbMask = 0xFFFFFFu;
constexpr std::uint32_t kOpaque = 0xFF000000u;
} // namespace

// The complement of the id, so that the white background is id 0 and low ids (the ones handed
// out first) are near-white only in their lowest byte: never mistaken for the background.
std::uint32_t SLB_PickEngine::idToColor(int id) {
  if (id <= 0 || id > kMaxId)
    return kOpaque | kRgbMask;
  return kOpaque | (kRgbMask - static_cast<std::uint32_t>(id));
}

int SLB_PickEngine::colorToId(std::uint32_t rgba) { return static_cast<int>(kRgbMask - (rgba & kRgbMask)); }
