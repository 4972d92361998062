#include "psd/psdimage.h"

namespace quenvar {

const std::array<const char*, 11> PsdColorModeNames = {
    "Bitmap",    "Grayscale",    "Indexed Color", "RGB Color", "CMYK Color", "<invalid>",
    "<invalid>", "Multichannel", "Duotone",       "Lab Color", "<invalid>"};

const std::array<const char*, 5> PsdCompressionNames = {"Raw", "RLE", "ZIP-p", "ZIP+p",
                                                        "<invalid>"};

TPsdImage& tPsdImage() {
  static TPsdImage image;
  return image;
}

std::string PsdColorModeName(unsigned colorMode) {
  return colorMode < PsdColorModeNames.size() ? PsdColorModeNames[colorMode] : "<invalid>";
}

std::string PsdCompressionName(unsigned compression) {
  return PsdCompressionNames[compression < 4 ? compression : 4];
}

}  // namespace quenvar
