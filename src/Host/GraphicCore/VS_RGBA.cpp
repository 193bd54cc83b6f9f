#include "GraphicCore/VS_RGBA.h"

namespace {
std::uint8_t clampByte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
} // namespace

VS_RGBA::VS_RGBA(int r, int g, int b, int a)
    : red(clampByte(r)), green(clampByte(g)), blue(clampByte(b)), alpha(clampByte(a)) {}

VS_RGBA::VS_RGBA(std::uint32_t packedArgb)
    : red(static_cast<std::uint8_t>(packedArgb >> 16)), green(static_cast<std::uint8_t>(packedArgb >> 8)),
      blue(static_cast<std::uint8_t>(packedArgb)), alpha(static_cast<std::uint8_t>(packedArgb >> 24)) {}

std::uint32_t VS_RGBA::packedArgb() const {
  return (std::uint32_t(alpha) << 24) | (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | std::uint32_t(blue);
}
