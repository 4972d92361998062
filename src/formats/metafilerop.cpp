#include "formats/metafilerop.h"

#include <algorithm>

namespace quenvar {

TColor32 ApplyRop3(std::uint8_t code, TColor32 pattern, TColor32 source, TColor32 dest) {
  // The sum of the minterms the code selects.
  TColor32 result = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    result |=
        ((i & 4) ? pattern : ~pattern) & ((i & 2) ? source : ~source) & ((i & 1) ? dest : ~dest);
  }
  return result & 0x00FFFFFFu;
}

TColor32 BlendPixel(TColor32 source, TColor32 dest, unsigned constant, bool premultiplied) {
  TColor32 out = 0xFF000000u;
  const unsigned alpha = premultiplied ? ((source >> 24) * constant + 127) / 255 : constant;
  for (unsigned shift = 0; shift < 24; shift += 8) {
    const unsigned s = (source >> shift) & 255, d = (dest >> shift) & 255;
    unsigned c;
    if (premultiplied)
      c = std::min(255u, (s * constant + 127) / 255 + (d * (255 - alpha) + 127) / 255);
    else
      c = (s * constant + d * (255 - constant) + 127) / 255;
    out |= TColor32(c) << shift;
  }
  return out;
}

}  // namespace quenvar
