#include "psd/psdimage.h"

namespace quenvar {

const std::array<const char*, 11> PsdColorModeNames = {
    "Bitmap",    "Grayscale",    "Indexed Color", "RGB Color", "CMYK Color", "<invalid>",
    "<invalid>", "Multichannel", "Duotone",       "Lab Color", "<invalid>"};

const std::array<const char*, 5> PsdCompressionNames = {"Raw", "RLE", "ZIP-p", "ZIP+p",
                                                        "<invalid>"};

void ClearPsdLayer(PsdLayer& layer) {
  layer.top = layer.left = layer.height = layer.width = 0;
  layer.channelCount = 0;
  layer.picture.Resize(0, 0);
  layer.empty = false;
  for (TPsdChannel& ch : layer.channels) {
    std::vector<std::uint8_t>().swap(ch.data);
    ch.id = 0;
    ch.compression = 0;
    ch.length = 0;
    ch.position = 0;
  }
  layer.blendKey.clear();
  layer.opacity = layer.clipping = 0;
  layer.visible = false;
  layer.name.clear();
  layer.extraLength = 0;
  layer.kind = TPsdLayerKind::Normal;
  layer.groupDepth = 0;
  layer.inHiddenGroup = false;
  layer.opaque = false;
  layer.mask = TPsdMask();
  layer.realMask = TPsdMask();
}

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
