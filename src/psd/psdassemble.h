#pragma once
// A PSD layer's decoded sample planes into its 32-bit ARGB picture.
#include "psd/psdimage.h"

namespace quenvar {

// Makes `layer.picture` (width x height) from the layer's planes and writes
// "rgb mix" or "rgba mix" to the PSD log. Layers whose ids hold red, green
// and blue (0, 1, 2) take their planes by id, with transparency from -1;
// other layers take them by record position. In CMYK documents (colour mode
// 4) layers with ids 0 to 3 are converted from their inverted ink planes.
// An empty layer gets a fully transparent picture.
void AssemblePsdLayer(PsdLayer& layer, int bytesPerSample, unsigned colorMode = 3);

// A 16-bit sample reduced to 8 bits, the remainder dropped.
constexpr unsigned ReducePsdSample16(unsigned v) {
  return v * 255 / 65535;
}

}  // namespace quenvar
