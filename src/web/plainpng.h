#pragma once
// PNG bytes for the web page: 8-bit RGBA with no gamma, chromaticity, sRGB or
// profile chunk, so that a browser hands its decoder nothing to convert by.
#include <cstdint>
#include <vector>

#include "compose/surface.h"

namespace quenvar {

// The picture as it is in memory, alpha kept, not premultiplied. Throws
// quenvar::Error for an empty picture or when the library fails.
std::vector<std::uint8_t> EncodePlainPng(const TBitmap32& picture);

}  // namespace quenvar
