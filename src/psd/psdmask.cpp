#include "psd/psdmask.h"

#include <algorithm>
#include <limits>
#include <string>

#include "host/error.h"
#include "psd/psdcolor.h"

namespace quenvar {

namespace {

constexpr std::uint8_t kFlagFromVectorData = 8;
constexpr std::uint8_t kFlagParameters = 16;
constexpr std::uint32_t kRectAndColours = 18;  // rectangle, default colour, flags

std::string LayerText(int index) {
  return "Layer " + std::to_string(index);
}

// Mask data is read field by field inside its stored length.
class MaskFields {
 public:
  MaskFields(PsdStream& s, std::uint32_t length, int index) : s_(s), left_(length), index_(index) {}
  void Need(std::uint32_t n) {
    if (n > left_)
      throw Error(LayerText(index_) + " mask data is shorter than the fields it announces");
    left_ -= n;
  }
  std::uint32_t Left() const { return left_; }
  std::uint8_t U8() {
    Need(1);
    return s_.U8();
  }
  void Skip(std::uint32_t n) {
    Need(n);
    s_.Bytes(n);
  }
  void Rect(TPsdMask& m) {
    Need(16);
    m.top = s_.I32();
    m.left = s_.I32();
    const std::int32_t bottom = s_.I32();
    const std::int32_t right = s_.I32();
    const std::int64_t h = std::int64_t(bottom) - m.top, w = std::int64_t(right) - m.left;
    if (h < 0 || w < 0 || h > std::numeric_limits<std::int32_t>::max() ||
        w > std::numeric_limits<std::int32_t>::max())
      throw Error(LayerText(index_) + " has an invalid mask rectangle (" + std::to_string(w) +
                  " x " + std::to_string(h) + ")");
    m.height = std::int32_t(h);
    m.width = std::int32_t(w);
  }

 private:
  PsdStream& s_;
  std::uint32_t left_;
  int index_;
};

struct Densities {
  std::uint8_t user = 255;
  std::uint8_t vector = 255;
};

// The parameters byte says which of the densities and feathers follow.
// Feathering (a blur) is not rendered; densities are.
Densities ReadParameters(MaskFields& f) {
  Densities d;
  const std::uint8_t which = f.U8();
  if (which & 1) d.user = f.U8();
  if (which & 2) f.Skip(8);
  if (which & 4) d.vector = f.U8();
  if (which & 8) f.Skip(8);
  return d;
}

}  // namespace

void ReadPsdMaskData(PsdStream& s, std::uint32_t length, PsdLayer& layer, int index) {
  if (length == 0) return;
  if (length > s.Remaining())
    throw Error(LayerText(index) + " mask data length points past the layer's extra data");
  const std::size_t end = s.Position() + length;
  MaskFields f(s, length, index);
  if (length < kRectAndColours)
    throw Error(LayerText(index) + " mask data of " + std::to_string(length) +
                " bytes is too short for a mask");
  f.Rect(layer.mask);
  layer.mask.defaultColor = f.U8();
  layer.mask.flags = f.U8();
  layer.mask.present = true;
  Densities d;
  if (layer.mask.flags & kFlagParameters) d = ReadParameters(f);
  // Room for the real user mask's flags, colour and rectangle: the first
  // mask is then the vector mask's rendering.
  if (f.Left() >= kRectAndColours) {
    layer.realMask.flags = f.U8();
    layer.realMask.defaultColor = f.U8();
    f.Rect(layer.realMask);
    layer.realMask.present = true;
  }
  const bool fromVector = layer.realMask.present || (layer.mask.flags & kFlagFromVectorData);
  layer.mask.density = fromVector ? d.vector : d.user;
  layer.realMask.density = d.user;
  s.Seek(end);
}

const TPsdMask* PsdMaskOfChannel(const PsdLayer& layer, const TPsdChannel& channel) {
  if (channel.id == -2) return &layer.mask;
  if (channel.id == -3) return &layer.realMask;
  return nullptr;
}

bool PsdMaskHasPlane(const TPsdMask& mask, const TPsdChannel& channel) {
  return mask.present && !mask.Empty() && channel.length > 0;
}

TPsdPlaneWindow PsdMaskKeptWindow(const PsdLayer& layer, const TPsdMask& mask) {
  // Editors store the rectangle in document pixels whatever the "relative
  // to layer" flag says (it tells whether the mask moves with the layer).
  const std::int64_t left = std::max<std::int64_t>(layer.left, mask.left);
  const std::int64_t top = std::max<std::int64_t>(layer.top, mask.top);
  const std::int64_t right =
      std::min(std::int64_t(layer.left) + layer.width, std::int64_t(mask.left) + mask.width);
  const std::int64_t bottom =
      std::min(std::int64_t(layer.top) + layer.height, std::int64_t(mask.top) + mask.height);
  if (left >= right || top >= bottom) return {};
  return {std::int32_t(left - mask.left), std::int32_t(top - mask.top), std::int32_t(right - left),
          std::int32_t(bottom - top)};
}

TPsdPlaneShape PsdChannelShape(const PsdLayer& layer, const TPsdChannel& channel,
                               int bytesPerSample, bool large) {
  TPsdPlaneShape shape{layer.width, layer.height, bytesPerSample, large ? 4 : 2, std::nullopt};
  if (const TPsdMask* mask = PsdMaskOfChannel(layer, channel)) {
    const bool plane = PsdMaskHasPlane(*mask, channel);
    shape.width = plane ? mask->width : 0;
    shape.height = plane ? mask->height : 0;
    if (plane) shape.keep = PsdMaskKeptWindow(layer, *mask);
  }
  return shape;
}

namespace {

// A weakened mask: density d keeps d / 255 of the mask's effect.
unsigned WithDensity(unsigned m, unsigned density) {
  if (density == 255) return m;
  return 255 - ((255 - m) * density + 127) / 255;
}

// `plane` holds the window of the mask that lies over the layer.
void ApplyMask(PsdLayer& layer, const TPsdMask& mask, const TPsdPlaneWindow& kept,
               const std::uint8_t* plane, int bps) {
  // Offset of the layer's top-left pixel inside the kept window:
  const std::int64_t dx = std::int64_t(layer.left) - mask.left - kept.left;
  const std::int64_t dy = std::int64_t(layer.top) - mask.top - kept.top;
  const unsigned outside = WithDensity(mask.defaultColor, mask.density);
  for (int y = 0; y < layer.picture.Height(); ++y) {
    TColor32* row = layer.picture.RowPointer(y);
    const std::int64_t my = dy + y;
    const bool rowInside = my >= 0 && my < kept.height;
    for (int x = 0; x < layer.picture.Width(); ++x) {
      const std::int64_t mx = dx + x;
      unsigned m = outside;
      if (rowInside && mx >= 0 && mx < kept.width)
        m = WithDensity(PsdCoverageSample(plane, std::size_t(my * kept.width + mx), bps),
                        mask.density);
      if (m == 255) continue;
      const unsigned a = row[x] >> 24;
      row[x] = (row[x] & 0x00FFFFFFu) | TColor32((a * m + 127) / 255) << 24;
    }
  }
}

}  // namespace

bool ApplyPsdMasks(PsdLayer& layer, int bytesPerSample) {
  bool applied = false;
  for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
    const TPsdChannel& ch = layer.channels[k];
    const TPsdMask* mask = PsdMaskOfChannel(layer, ch);
    if (!mask || mask->Disabled() || !PsdMaskHasPlane(*mask, ch)) continue;
    const TPsdPlaneWindow kept = PsdMaskKeptWindow(layer, *mask);
    const std::size_t planeSize =
        std::size_t(bytesPerSample) * std::size_t(kept.width) * std::size_t(kept.height);
    if (ch.data.size() < planeSize)
      throw Error("Layer \"" + layer.name + "\": mask channel " + std::to_string(ch.id) +
                  " holds no decoded plane");
    ApplyMask(layer, *mask, kept, ch.data.data(), bytesPerSample);
    applied = true;
  }
  return applied;
}

}  // namespace quenvar
