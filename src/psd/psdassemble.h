#pragma once
// A PSD layer's decoded sample planes into its 32-bit ARGB picture.
#include "psd/psdimage.h"

namespace quenvar {

// Makes `layer.picture` (width x height) from the layer's planes and writes
// "rgb mix" or "rgba mix" to the PSD log. Layers whose ids hold their colour
// channels take their planes by id, with transparency from -1; other layers
// take them by record position. Grey and duotone documents (colour modes 1
// and 8) give grey from id 0 to red, green and blue; CMYK documents (4)
// convert their inverted ink planes, Lab documents (9) their L, a and b to
// sRGB. 32-bit samples are linear light and pass the sRGB transfer curve.
// Enabled layer masks then multiply the alpha, and `layer.opaque` tells
// whether the layer is shown opaque. An empty layer gets a fully
// transparent picture.
void AssemblePsdLayer(PsdLayer& layer, int bytesPerSample, unsigned colorMode = 3);

// A 16-bit sample reduced to 8 bits, the remainder dropped.
constexpr unsigned ReducePsdSample16(unsigned v) {
  return v * 255 / 65535;
}

}  // namespace quenvar
