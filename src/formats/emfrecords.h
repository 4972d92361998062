#pragma once
// What the enhanced metafile player's record handlers share.
#include <cstdint>
#include <span>
#include <string>

#include "formats/metafilecanvas.h"

namespace quenvar {

// Plays one drawing, path, clipping or bitmap record (the whole record,
// type and size included); false when `type` is none of those.
bool PlayEmfDrawing(MetafileCanvas& canvas, std::uint32_t type,
                    std::span<const std::uint8_t> record, const std::string& fileName);

}  // namespace quenvar
