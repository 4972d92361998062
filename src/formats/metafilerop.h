#pragma once
// Pixel arithmetic of the metafile's bitmap records: the 256 ternary raster
// operations on pattern, source and destination bits, and alpha blending of
// a bitmap onto the picture. Exact integer arithmetic on 0xAARRGGBB pixels.
#include <cstdint>

#include "compose/color32.h"

namespace quenvar {

// Bit i of `code` is the result for pattern bit (i >> 2) & 1, source bit
// (i >> 1) & 1 and destination bit i & 1; applied to every colour bit. The
// alpha byte of the result is left to the caller.
TColor32 ApplyRop3(std::uint8_t code, TColor32 pattern, TColor32 source, TColor32 dest);

// Whether the result depends on the source, or on the pattern, at all.
inline bool RopUsesSource(std::uint8_t code) {
  return ((code >> 2) ^ code) & 0x33;
}
inline bool RopUsesPattern(std::uint8_t code) {
  return ((code >> 4) ^ code) & 0x0F;
}

// One source pixel blended onto an opaque destination pixel, scaled by the
// constant alpha (0..255). With `premultiplied` the source's colours are
// premultiplied by its alpha byte, which then decides how much of the
// destination shows; otherwise the constant alone does. The result is
// opaque.
TColor32 BlendPixel(TColor32 source, TColor32 dest, unsigned constant, bool premultiplied);

}  // namespace quenvar
