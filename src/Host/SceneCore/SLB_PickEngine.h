#pragma once
// Encodes picking ids as opaque colours and back, so that a view drawn in pick colours tells
// which handle lies under a pixel. Colours are packed 0xAARRGGBB (as QColor::rgb gives them).
// Id 0 is the white background (no pick); ids outside 1..kMaxId and unknown colours give 0.
#include <cstdint>

class SLB_PickEngine {
public:
  static constexpr int kMaxId = 0xFFFFFF;

  // One-to-one on 0..kMaxId; the colour is fully opaque.
  static std::uint32_t idToColor(int id);
  // The inverse of idToColor; the alpha byte is ignored, so a pixel read back from an opaque
  // image decodes whatever its alpha.
  static int colorToId(std::uint32_t rgba);
};
