#pragma once
// Writing a surface as a PNG file (8-bit RGBA, alpha kept).
#include <string>

#include "compose/surface.h"

namespace quenvar {

// Written beside the target and renamed over it only when complete, so a
// failed write leaves neither a half file nor a damaged old one.
void SavePngFile(const TBitmap32& picture, const std::string& fileName);

}  // namespace quenvar
