#pragma once
// The program's one PSD image record: every layer of the last document read,
// with its bounds, blend settings, name, sample planes and decoded picture.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compose/surface.h"

namespace quenvar {

constexpr int kPsdMaxLayers = 512;
constexpr int kPsdMaxChannels = 30;

struct TPsdChannel {
  std::vector<std::uint8_t> data;  // decoded plane: bytes per sample x width x height
  std::int16_t id = 0;             // -1 transparency, 0.. colour, -2 layer mask
  std::uint16_t compression = 0;   // 0 raw, 1 RLE, 2 ZIP, 3 ZIP with prediction
  std::int32_t length = 0;         // data length without the compression word
  std::uint32_t position = 0;      // offset of the data, behind the compression word
};

struct PsdLayer {
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::uint32_t channelCount = 0;
  TBitmap32 picture;
  bool empty = false;  // a channel carries nothing beyond its compression word
  std::array<TPsdChannel, kPsdMaxChannels> channels;
  std::string blendKey;  // four characters as stored, e.g. "norm", "mul "
  std::uint8_t opacity = 0;
  std::uint8_t clipping = 0;
  bool visible = false;
  std::string name;  // UTF-8
  std::uint32_t extraLength = 0;
};

struct TPsdImage {
  TPsdImage() : layers(kPsdMaxLayers) {}
  std::vector<PsdLayer> layers;  // index 0 is the bottom of the stack
  std::uint16_t colorMode = 0;
  std::uint32_t resourceLength = 0;
  std::uint16_t layerCount = 0;
  std::uint32_t layerMaskLength = 0;
  // Shown by the import window: the layer info section length and the whole
  // layer and mask section length.
  std::int32_t layerInfoValue = 0;
  std::int32_t layerMaskValue = 0;
};

// Numbers zero, flags false, texts empty, no planes, an empty picture.
void ClearPsdLayer(PsdLayer& layer);

// The one record of the program, rewritten by every read.
TPsdImage& tPsdImage();

// "Bitmap", "Grayscale", ... for colour modes 0 to 10, "<invalid>" otherwise.
std::string PsdColorModeName(unsigned colorMode);
// "Raw", "RLE", "ZIP-p", "ZIP+p", "<invalid>" for 4 and above.
std::string PsdCompressionName(unsigned compression);

extern const std::array<const char*, 11> PsdColorModeNames;
extern const std::array<const char*, 5> PsdCompressionNames;

}  // namespace quenvar
