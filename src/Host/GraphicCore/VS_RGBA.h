#pragma once
// A drawing colour: red, green, blue and alpha bytes, 0 to 255, in that storage order. Built
// from four numbers (clamped to 0..255) or from a packed 0xAARRGGBB value as QColor::rgb and
// SLB_PickEngine::idToColor give it, so that pick colours go straight to the painter.
#include <cstdint>

struct VS_RGBA {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 255;

  VS_RGBA() = default;
  VS_RGBA(int r, int g, int b, int a = 255);
  // Implicit on purpose: painters take idToColor's packed value as it is.
  VS_RGBA(std::uint32_t packedArgb);

  std::uint32_t packedArgb() const;
  bool operator==(const VS_RGBA& o) const {
    return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
  }
  bool operator!=(const VS_RGBA& o) const { return !(*this == o); }
};
