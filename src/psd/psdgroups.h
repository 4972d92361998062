#pragma once
// Group nesting of a document's layer records.
#include "psd/psdimage.h"

namespace quenvar {

// Sets groupDepth and inHiddenGroup of records 0 to layerCount - 1 from
// their kinds and visibility. Records are stored bottom to top, so a group
// is its closing marker, its layers, then its own record; a marker without
// a group record above it closes nothing, and a group record whose marker
// is missing encloses the records down to the bottom.
void ResolvePsdGroups(TPsdImage& image);

}  // namespace quenvar
