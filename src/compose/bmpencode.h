#pragma once
// A surface as the bytes of a 32-bit Windows bitmap file: what SaveBmpFile
// writes, and how a project archive stores pictures as BMP data.
#include <cstdint>
#include <vector>

#include "compose/surface.h"

namespace quenvar {

// 14-byte file header, 40-byte information header, 32 bits per pixel, no
// compression, rows bottom-up, pixels as blue, green, red, alpha.
std::vector<std::uint8_t> EncodeBmp32(const TBitmap32& bitmap);

}  // namespace quenvar
