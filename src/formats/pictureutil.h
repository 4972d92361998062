#pragma once
// Small helpers every reader shares: a checked new picture and a failure that
// names the file.
#include <bit>
#include <cstdint>
#include <string>

#include "formats/picture.h"

namespace quenvar {

// Readers that let a library write B, G, R, A bytes straight into the pixel
// store rely on 0xAARRGGBB being stored in that byte order.
static_assert(std::endian::native == std::endian::little);

// Throws quenvar::Error "<fileName>: <problem>".
[[noreturn]] void FailPicture(const std::string& fileName, const std::string& problem);

// A picture of width x height after the size limits were checked, pixels
// filled with `fill`.
TPicture NewPicture(std::int64_t width, std::int64_t height, TPictureKind kind,
                    const std::string& fileName, TColor32 fill = 0xFF000000u);

// Scales a sample of `bits` bits (1..16) to 0..255, rounding to nearest.
inline unsigned ScaleToByte(unsigned value, unsigned bits) {
  const unsigned max = (1u << bits) - 1;
  return (value * 255u + max / 2) / max;
}

}  // namespace quenvar
