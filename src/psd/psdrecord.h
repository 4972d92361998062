#pragma once
// One layer record: bounds, channel records, blend settings and the extra
// data (mask, blending ranges, name and additional layer information).
#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

// Clears `layer` and reads record `index` from the stream position; the
// stream is left at the next record. Large documents store 8-byte channel
// data lengths.
void ReadPsdLayerRecord(PsdStream& s, PsdLayer& layer, int index, bool large);

// The record's three account lines.
void LogPsdLayerRecord(const PsdLayer& layer, int index);

}  // namespace quenvar
