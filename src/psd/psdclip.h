#pragma once
// Clipped layers: a layer whose clipping byte is set shows only where the
// layer it is clipped to, its base, shows.
#include <cstdint>

#include "compose/surface.h"
#include "psd/psdimage.h"

namespace quenvar {

// The record that layer `index` is clipped to, or -1 when it is shown
// unclipped. The base is the nearest picture layer below that is not
// clipped itself, so consecutive clipped layers share one base. Clipping
// stays inside a group: when the run of clipped layers reaches a group's
// record, a closing marker or the bottom of the stack, the lowest of the
// run has no base, is shown unclipped and is the base of those above it.
int PsdClipBase(const TPsdImage& image, int index);

// Alpha a clipped by alpha b: a * b / 255 rounded to nearest, in integers
// ((a * b + 127) / 255; a tie cannot occur).
constexpr std::uint32_t ClipAlpha(std::uint32_t a, std::uint32_t b) {
  return (a * b + 127) / 255;
}

// Multiplies the alpha of `picture`, whose top-left pixel lies at (left,
// top) in document pixels, by the alpha of `base` at the same document
// pixel; outside `base` the picture becomes transparent. Colours stay.
void ClipToBase(TBitmap32& picture, std::int32_t left, std::int32_t top, const TBitmap32& base,
                std::int32_t baseLeft, std::int32_t baseTop);

}  // namespace quenvar
