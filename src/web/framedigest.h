#pragma once
// The digest that names a composed frame: SHA-256 of its pixels as red,
// green, blue and alpha bytes, top row first. The web page's ?frame= hook
// writes the same digest, so the two can be compared.
#include <string>

#include "compose/surface.h"

namespace quenvar {

// 64 lower-case hexadecimal digits.
std::string FrameDigest(const TBitmap32& frame);

}  // namespace quenvar
