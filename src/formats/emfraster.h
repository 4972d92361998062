#pragma once
// Enhanced metafiles: the records that put bitmaps, patterns, gradients,
// regions and single pixels on the picture, and the pattern brushes.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "formats/metafilecanvas.h"

namespace quenvar {

// The brush a record names by its object index (none when unknown).
using EmfBrushLookup = std::function<const MfBrush*(std::uint32_t index)>;

// Plays one such record (the whole record, type and size included); false
// when `type` is none of them.
bool PlayEmfRaster(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                   const EmfBrushLookup& brushes, const std::string& fileName);

// CREATEMONOBRUSH (93) and CREATEDIBPATTERNBRUSHPT (94): the brush of the
// bitmap the record carries.
MfBrush EmfPatternBrush(MetafileCanvas& canvas, std::span<const std::uint8_t> record,
                        const std::string& fileName);

}  // namespace quenvar
