#pragma once
// TPSDGraphic: the PSD reader as the format registry sees it, for the "psd"
// and "pdd" extensions. Decoding a file through it reads the whole document
// into tPsdImage (the PSD image record) as a side effect.
#include "formats/picturereader.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"

namespace quenvar {

// Name "PSD". The content check is IsPsdStream on the head bytes; decoding
// returns the reader's own document picture: the document's size, every
// pixel kPsdDocumentColor (opaque white).
const TPictureReader& PsdReader();

}  // namespace quenvar
