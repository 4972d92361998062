#include "psd/psdlayerinfo.h"

#include "host/error.h"
#include "psd/psdtaggedblock.h"

namespace quenvar {

namespace {

std::string LayerText(int index) {
  return "Layer " + std::to_string(index);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// A count of UTF-16 code units, then the units.
std::string ReadUnicodeName(PsdStream& s, const TPsdTaggedBlock& block, int index) {
  if (block.length < 4)
    throw Error(LayerText(index) + " Unicode name block of " + std::to_string(block.length) +
                " bytes has no character count");
  const std::uint64_t count = s.U32();
  if (count * 2 > block.length - 4)
    throw Error(LayerText(index) + " Unicode name of " + std::to_string(count) +
                " characters is longer than its block");
  return Utf16BeToUtf8(s.Bytes(std::size_t(count * 2)));
}

// Section divider type 1 or 2 (an expanded or collapsed group) opens a
// group, 3 is the bounding marker; 0 and unknown types are normal layers.
TPsdLayerKind KindOfDivider(std::uint32_t type) {
  if (type == 1 || type == 2) return TPsdLayerKind::GroupOpen;
  if (type == 3) return TPsdLayerKind::GroupClose;
  return TPsdLayerKind::Normal;
}

TPsdLayerKind ReadDivider(PsdStream& s, const TPsdTaggedBlock& block, int index) {
  if (block.length < 4)
    throw Error(LayerText(index) + " section divider of " + std::to_string(block.length) +
                " bytes has no type");
  return KindOfDivider(s.U32());
}

}  // namespace

std::string Utf16BeToUtf8(std::span<const std::uint8_t> units) {
  std::string out;
  const std::size_t n = units.size() / 2;
  auto unit = [&](std::size_t i) { return std::uint32_t(units[2 * i] << 8 | units[2 * i + 1]); };
  std::size_t end = n;
  while (end > 0 && unit(end - 1) == 0) --end;
  for (std::size_t i = 0; i < end; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < end && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

void ReadPsdLayerInfo(PsdStream& s, std::size_t end, PsdLayer& layer, int index, bool large) {
  while (auto block = ReadPsdBlockHeader(s, end, large)) {
    const bool known = block->key == "luni" || block->key == "lsct" || block->key == "lsdk";
    if (block->length > end - block->position) {
      if (!known) return;  // the rest of the extra data is not needed
      throw Error(LayerText(index) + " '" + block->key +
                  "' block length points past the layer's extra data");
    }
    if (block->key == "luni") {
      std::string name = ReadUnicodeName(s, *block, index);
      if (!name.empty()) layer.name = std::move(name);
    } else if (block->key == "lsct" || block->key == "lsdk") {
      layer.kind = ReadDivider(s, *block, index);
    }
    s.Seek(block->position + std::size_t(block->length));
  }
}

}  // namespace quenvar
