#include "psd/psdrecord.h"

#include <limits>
#include <string>

#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdlayerinfo.h"
#include "psd/psdmask.h"

namespace quenvar {

namespace {

std::string N(std::int64_t v) {
  return std::to_string(v);
}

std::string Latin1ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::uint8_t c : bytes) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::int32_t Extent(std::int32_t from, std::int32_t to, int index) {
  const std::int64_t size = std::int64_t(to) - from;
  if (size < 0 || size > std::numeric_limits<std::int32_t>::max())
    throw Error("Layer " + N(index) + " has invalid bounds (size " + N(size) + ")");
  return std::int32_t(size);
}

void ReadChannelRecords(PsdStream& s, PsdLayer& layer, int index, bool large) {
  for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
    TPsdChannel& ch = layer.channels[k];
    ch.id = s.I16();
    const std::int64_t dataLength = large ? std::int64_t(std::min<std::uint64_t>(
                                                s.U64(), std::numeric_limits<std::int64_t>::max()))
                                          : s.I32();
    if (dataLength < 2)
      throw Error("Layer " + N(index) + " channel " + N(k + 1) + " has a data length of " +
                  N(dataLength) + ", below the 2 bytes of its compression code");
    if (dataLength - 2 > std::numeric_limits<std::int32_t>::max())
      throw Error("Layer " + N(index) + " channel " + N(k + 1) + " data length of " +
                  N(dataLength) + " points past the end of the file");
    ch.length = std::int32_t(dataLength - 2);
  }
}

// Mask data, blending ranges, the name padded to 4 bytes, then tagged
// blocks, all inside the extra data.
void ReadExtraData(PsdStream& s, PsdLayer& layer, int index, bool large) {
  const std::size_t end = s.Position() + layer.extraLength;
  PsdStreamLimit limit(s, end);
  ReadPsdMaskData(s, s.U32(), layer, index);
  s.SkipLength(s.U32(), "Layer " + N(index) + " blending ranges length");
  const std::size_t nameStart = s.Position();
  const std::uint8_t nameLength = s.U8();
  if (nameLength != 0) layer.name = Latin1ToUtf8(s.Bytes(nameLength));
  const std::size_t padded = nameStart + ((1 + std::size_t(nameLength) + 3) & ~std::size_t(3));
  if (padded > end) return;
  s.Seek(padded);
  ReadPsdLayerInfo(s, end, layer, index, large);
}

}  // namespace

void ReadPsdLayerRecord(PsdStream& s, PsdLayer& layer, int index, bool large) {
  ClearPsdLayer(layer);
  layer.top = s.I32();
  layer.left = s.I32();
  const std::int32_t bottom = s.I32();
  const std::int32_t right = s.I32();
  layer.channelCount = s.U16();
  layer.height = Extent(layer.top, bottom, index);
  layer.width = Extent(layer.left, right, index);
  CheckPictureSize(layer.width, layer.height, "Layer " + N(index), true);
  if (layer.channelCount > kPsdMaxChannels)
    throw Error("Layer " + N(index) + " has " + N(layer.channelCount) +
                " channels; at most 30 are read");
  ReadChannelRecords(s, layer, index, large);
  s.Bytes(4);  // blend signature, not compared
  auto key = s.Bytes(4);
  layer.blendKey.assign(key.begin(), key.end());
  layer.opacity = s.U8();
  layer.clipping = s.U8();
  layer.visible = (s.U8() & 2) == 0;
  s.U8();
  layer.extraLength = s.U32();
  const std::size_t q = s.Position();
  if (layer.extraLength > s.Remaining())
    throw Error("Layer " + N(index) + " extra data length points past the end of the file");
  ReadExtraData(s, layer, index, large);
  s.Seek(q + layer.extraLength);
}

void LogPsdLayerRecord(const PsdLayer& l, int i) {
  PsdLog("Layer " + N(i) + " \"" + l.name);
  PsdLog("  pos x:" + N(l.left) + ",y:" + N(l.top) + " / Size: " + N(l.width) + "x" + N(l.height));
  PsdLog("  " + N(l.channelCount) + "ch" + " blend:" + l.blendKey + " opacity:" + N(l.opacity) +
         " vis :" + (l.visible ? "1" : "0"));
}

}  // namespace quenvar
