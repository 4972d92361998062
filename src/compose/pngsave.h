#pragma once
// Writing a surface as PNG (8-bit RGBA, alpha kept): to a file or to memory.
#include <cstdint>
#include <string>
#include <vector>

#include "compose/surface.h"

namespace quenvar {

// Written beside the target and renamed over it only when complete, so a
// failed write leaves neither a half file nor a damaged old one.
void SavePngFile(const TBitmap32& picture, const std::string& fileName);

// The PNG bytes of a picture. Throws quenvar::Error for an empty picture or
// when the library fails.
std::vector<std::uint8_t> EncodePng(const TBitmap32& picture);

}  // namespace quenvar
