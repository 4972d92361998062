#pragma once
// Exporting the project as an OpenRaster (.ora) file, the layered format
// other painting programs read.
#include <string>

#include "host/progress.h"

namespace quenvar {

class TProject;

// Writes `path`: the mimetype entry first and stored, stack.xml with one
// layer per project layer (top first), each layer's picture as a PNG under
// data/ (at the size it is drawn; a stretched layer's own picture goes
// under quenvar/ for our reader), the first frame as mergedimage.png and its thumbnail. The canvas
// size is taken from the view window first, as a save does. Throws
// quenvar::Error when the file cannot be written and quenvar::Cancelled
// when `progress` stops it; either way a file already at `path` is kept.
void ExportOpenRaster(TProject& project, const std::string& path, const TProgress& progress = {});

}  // namespace quenvar
