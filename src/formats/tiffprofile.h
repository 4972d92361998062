#pragma once
// The embedded ICC profile of a TIFF picture (the ICC tag): RGB, grey and
// CMYK pictures become sRGB through it after they were decoded as usual.
#include <tiffio.h>

#include "formats/picture.h"

namespace quenvar {

// `picture` is the page as decoded without regard to the profile. A usable
// profile converts it; otherwise, or when the samples cannot be read again,
// it stays as it is.
void ApplyTiffProfile(TIFF* tif, TPicture& picture);

}  // namespace quenvar
