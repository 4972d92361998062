#pragma once
// Writing the layers of tPsdImage out for inspection: one PNG per layer
// picture and a tab-separated table of the layer records.
#include <string>

#include "compose/surface.h"
#include "psd/psdimage.h"

namespace quenvar {

// The table: a header line, then one line per layer record: index, name,
// left, top, width, height, channel count, channel ids, blend key, the blend
// mode the key maps to, opacity, visible, kind ("layer", "group" for a
// group's own record, "groupend" for its closing marker), group depth,
// whether an enclosing group is hidden and the record the layer is clipped
// to (-1 when it is shown unclipped).
std::string PsdLayersTsv(const TPsdImage& image);

// Creates `dir` when needed and writes DIR/NNN.png for every picture layer
// of at least 1 x 1 pixel, as the document shows it (PsdLayerAsShown of the
// image, so clipped to its base), and DIR/layers.tsv.
void ExtractPsdLayers(const TPsdImage& image, const std::string& dir);

}  // namespace quenvar
