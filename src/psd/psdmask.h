#pragma once
// Layer masks: the layer mask data of a layer record, the size each mask
// channel is decoded at, and the masks applied to a layer's alpha.
#include <cstdint>

#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

// Reads `length` bytes of layer mask data (its length field already read)
// into layer.mask and layer.realMask. Fails with a message when the data is
// shorter than its fields or a rectangle is inverted or beyond the limits.
void ReadPsdMaskData(PsdStream& s, std::uint32_t length, PsdLayer& layer, int index);

// The mask a channel is decoded by: layer.mask for id -2, layer.realMask
// for -3, nullptr for every other channel.
const TPsdMask* PsdMaskOfChannel(const PsdLayer& layer, const TPsdChannel& channel);

// Whether a mask channel has a plane to decode: its mask is described, has
// a rectangle of at least 1 x 1 and stored data. Otherwise it is no mask.
bool PsdMaskHasPlane(const TPsdMask& mask, const TPsdChannel& channel);

// Multiplies the picture's alpha by every enabled mask with a decoded
// plane; outside its rectangle a mask has its default colour. Returns
// whether any mask applied.
bool ApplyPsdMasks(PsdLayer& layer, int bytesPerSample);

}  // namespace quenvar
