#pragma once
// A surface as the bytes of a 32-bit Windows bitmap file: what SaveBmpFile
// writes, and how a project archive stores pictures as BMP data.
#include <cstdint>
#include <vector>

#include "compose/surface.h"

namespace quenvar {

// What a wholly transparent picture becomes. Readers take alpha bytes that
// are all 0 in a plain 32-bit bitmap as unused and show the picture opaque:
// right for frames, whose alpha nobody reads, wrong for a stored layer
// picture, which then declares its alpha with bit-field masks in a version 5
// header so that it reads back transparent.
enum class TBmpAlpha : std::uint8_t { Plain, Declared };

// 14-byte file header, 40-byte information header, 32 bits per pixel, no
// compression, rows bottom-up, pixels as blue, green, red, alpha; with
// TBmpAlpha::Declared, a wholly transparent picture as described above.
std::vector<std::uint8_t> EncodeBmp32(const TBitmap32& bitmap, TBmpAlpha alpha = TBmpAlpha::Plain);

}  // namespace quenvar
