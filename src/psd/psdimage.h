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
  std::int16_t id = 0;             // -1 transparency, 0.. colour, -2 layer mask, -3 user mask
  std::uint16_t compression = 0;   // 0 raw, 1 RLE, 2 ZIP, 3 ZIP with prediction
  std::int32_t length = 0;         // data length without the compression word
  std::uint32_t position = 0;      // offset of the data, behind the compression word
};

// What a layer record stands for. Groups are stored as a pair of records
// around their layers: the closing marker (named "</Layer group>" by the
// usual editors) below them, the record with the group's name and
// visibility above them.
enum class TPsdLayerKind : std::uint8_t {
  Normal,      // a picture layer
  GroupOpen,   // the group's own record: a group row, no picture
  GroupClose,  // the marker that bounds the group: neither row nor picture
};

// A layer mask as the layer's mask data describes it.
struct TPsdMask {
  bool present = false;  // the mask data describes this mask
  // The rectangle in document pixels, as stored.
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::uint8_t defaultColor = 0;  // the mask's value outside its rectangle
  // Bit 0 position relative to layer, bit 1 disabled, bit 3 rendered from
  // vector data, bit 4 parameters follow.
  std::uint8_t flags = 0;
  std::uint8_t density = 255;  // 255: full effect; lower values weaken the mask

  bool RelativeToLayer() const { return (flags & 1) != 0; }
  bool Disabled() const { return (flags & 2) != 0; }
  bool Empty() const { return width == 0 || height == 0; }
};

struct PsdLayer {
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::uint32_t channelCount = 0;
  TBitmap32 picture;
  // A colour or transparency channel carries nothing beyond its compression
  // word (a mask channel without data is no mask and leaves this alone).
  bool empty = false;
  std::array<TPsdChannel, kPsdMaxChannels> channels;
  std::string blendKey;  // four characters as stored, e.g. "norm", "mul "
  std::uint8_t opacity = 0;
  std::uint8_t clipping = 0;
  bool visible = false;
  std::string name;  // UTF-8; the Unicode name when the record has one
  std::uint32_t extraLength = 0;

  TPsdLayerKind kind = TPsdLayerKind::Normal;
  // Groups enclosing the record; a group's two records count the groups
  // around the group.
  std::int32_t groupDepth = 0;
  // An enclosing group is hidden, or lies in a hidden group: the document
  // does not show the record whatever its own `visible`.
  bool inHiddenGroup = false;
  // The document shows every pixel of the layer opaque: it has no
  // transparency channel and no mask applies. Layers with exactly three
  // channel records keep alpha 0 in `picture`; PsdLayerAsShown fills it in.
  bool opaque = false;
  TPsdMask mask;      // decodes channel -2
  TPsdMask realMask;  // decodes channel -3, the user mask beside a vector mask
};

struct TPsdImage {
  TPsdImage() : layers(kPsdMaxLayers) {}
  std::vector<PsdLayer> layers;  // index 0 is the bottom of the stack
  std::uint16_t colorMode = 0;
  std::uint32_t resourceLength = 0;
  std::uint16_t layerCount = 0;
  std::uint32_t layerMaskLength = 0;
  // Shown by the import window: the layer info section length (of the block
  // that holds the layers, for 16- and 32-bit documents) and the whole layer
  // and mask section length.
  std::int32_t layerInfoValue = 0;
  std::int32_t layerMaskValue = 0;
  bool large = false;  // a large document (version 2)
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
