#pragma once
// Windows metafiles: the records that put bitmaps, patterns and single
// pixels on the picture, and the pattern brush.
#include <cstdint>
#include <span>
#include <string>

#include "formats/metafilecanvas.h"

namespace quenvar {

// Plays one such record (its parameters after the function word); false
// when `function` is none of them.
bool PlayWmfRaster(MetafileCanvas& canvas, std::uint16_t function,
                   std::span<const std::uint8_t> params, const std::string& fileName);

// CREATEREGION: the region object's rectangles, in logical units.
MetafileCanvas::Rects WmfRegion(MetafileCanvas& canvas, std::span<const std::uint8_t> params,
                                const std::string& fileName);

// DIBCREATEPATTERNBRUSH: the brush of the bitmap the record carries.
MfBrush WmfPatternBrush(MetafileCanvas& canvas, std::span<const std::uint8_t> params,
                        const std::string& fileName);

}  // namespace quenvar
