#pragma once
// A decoded picture as a reader hands it over, before TBitmap32::CopyFrom
// turns it into a surface. The kind tells CopyFrom how to treat alpha.
#include <string>
#include <vector>

#include "compose/color32.h"
#include "compose/pixelbuffer.h"

namespace quenvar {

enum class TPictureKind {
  Bitmap,    // a bitmap of fewer than 32 bits per pixel: made opaque
  Bitmap32,  // a 32-bit bitmap: keeps the alpha it carries
  Other,     // any other picture (photograph, metafile, ...): made opaque
};

struct TPicture {
  int width = 0;
  int height = 0;
  TPictureKind kind = TPictureKind::Bitmap;
  // width * height, row-major, top row first. A plain resize leaves new
  // pixels unset: the reader writes them next.
  TPixelBuffer pixels;
  // A bitmap marked transparent: pixels whose colour bytes equal this colour
  // get alpha 0.
  bool transparent = false;
  TColor32 transparentColor = 0;
  // The description of the embedded colour profile the reader converted the
  // pixels from into sRGB; empty when the picture was not converted.
  std::string convertedFrom;
};

}  // namespace quenvar
