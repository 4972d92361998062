#pragma once
// TColor32: one pixel, 0xAARRGGBB, not premultiplied.
#include <cstdint>

namespace quenvar {

using TColor32 = std::uint32_t;

constexpr TColor32 Color32(unsigned r, unsigned g, unsigned b, unsigned a = 255) {
  return (TColor32(a & 255) << 24) | (TColor32(r & 255) << 16) | (TColor32(g & 255) << 8) |
         TColor32(b & 255);
}
constexpr unsigned AlphaOf(TColor32 c) {
  return c >> 24;
}
constexpr unsigned RedOf(TColor32 c) {
  return (c >> 16) & 255;
}
constexpr unsigned GreenOf(TColor32 c) {
  return (c >> 8) & 255;
}
constexpr unsigned BlueOf(TColor32 c) {
  return c & 255;
}

}  // namespace quenvar
