#pragma once
// Decoding of a device-independent bitmap (a BITMAPINFOHEADER or one of its
// later or earlier forms, its colour table and its pixels). Windows bitmap
// files and icons share it.
#include <cstdint>
#include <span>
#include <string>

#include "formats/picture.h"

namespace quenvar {

struct DibOptions {
  // Where the pixels start, counted from the start of `data`; 0 means right
  // after the header, bit masks and colour table.
  std::size_t pixelOffset = 0;
  // Icons store the XOR picture and the AND mask in one DIB of twice the
  // height; with this set the height is halved and the mask is applied.
  bool iconMask = false;
};

// Decodes the DIB whose header starts at `headerPos` in `data`.
TPicture DecodeDib(std::span<const std::uint8_t> data, std::size_t headerPos,
                   const DibOptions& options, const std::string& fileName);

}  // namespace quenvar
