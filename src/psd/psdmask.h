#pragma once
// Layer masks: the layer mask data of a layer record, the part of each mask
// channel that is decoded and kept, and the masks applied to a layer's alpha.
#include <cstdint>

#include "psd/psdchannel.h"
#include "psd/psdimage.h"
#include "psd/psdplanewindow.h"
#include "psd/psdstream.h"

namespace quenvar {

// Reads `length` bytes of layer mask data (its length field already read)
// into layer.mask and layer.realMask. Fails with a message when the data is
// shorter than its fields or a rectangle is inverted. A rectangle may be far
// larger than its layer: only the part over the layer is kept.
void ReadPsdMaskData(PsdStream& s, std::uint32_t length, PsdLayer& layer, int index);

// The mask a channel is decoded by: layer.mask for id -2, layer.realMask
// for -3, nullptr for every other channel.
const TPsdMask* PsdMaskOfChannel(const PsdLayer& layer, const TPsdChannel& channel);

// Whether a mask channel has a plane to decode: its mask is described, has
// a rectangle of at least 1 x 1 and stored data. Otherwise it is no mask.
bool PsdMaskHasPlane(const TPsdMask& mask, const TPsdChannel& channel);

// The part of a mask's rectangle that lies over its layer, in mask pixels;
// 0 x 0 when they do not meet.
TPsdPlaneWindow PsdMaskKeptWindow(const PsdLayer& layer, const TPsdMask& mask);

// The plane a channel's data describes and the part of it that is kept:
// the layer's bounds, or for a mask channel its mask's rectangle of which
// the part over the layer is kept (nothing for an empty mask).
TPsdPlaneShape PsdChannelShape(const PsdLayer& layer, const TPsdChannel& channel,
                               int bytesPerSample, bool large);

// Multiplies the picture's alpha by every enabled mask with a decoded
// plane (its kept part); outside its rectangle a mask has its default
// colour. Returns
// whether any mask applied.
bool ApplyPsdMasks(PsdLayer& layer, int bytesPerSample);

}  // namespace quenvar
