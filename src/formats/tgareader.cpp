// Truevision TGA pictures: colour-mapped, true-colour and grey, raw or
// run-length encoded, with either origin and optional alpha.
#include <algorithm>
#include <vector>

#include "formats/bytereader.h"
#include "formats/limits.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

struct TgaHeader {
  unsigned idLength, mapType, imageType;
  unsigned mapFirst, mapLength, mapEntryBits;
  unsigned width, height, depth, descriptor;
};

TgaHeader ParseHeader(std::span<const std::uint8_t> h) {
  auto u16 = [&](int i) { return unsigned(h[i] | (h[i + 1] << 8)); };
  return TgaHeader{h[0], h[1], h[2], u16(3), u16(5), h[7], u16(12), u16(14), h[16], h[17]};
}

bool ValidEntryBits(unsigned bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// The header carries no signature, so the check asks that every field be
// one a TGA writer can produce.
bool IsTga(std::span<const std::uint8_t> head) {
  if (head.size() < 18) return false;
  const TgaHeader h = ParseHeader(head);
  if (h.mapType > 1 || h.width == 0 || h.height == 0 || (h.descriptor & 0xC0)) return false;
  const unsigned base = h.imageType & 7;
  if ((h.imageType & ~8u) > 3 || base == 0) return false;
  if (base == 1) {
    if (h.mapType != 1 || !ValidEntryBits(h.mapEntryBits) || h.mapLength == 0) return false;
    if (h.depth != 8 && h.depth != 16) return false;
  } else if (base == 2) {
    if (!ValidEntryBits(h.depth)) return false;
  } else if (h.depth != 8 && h.depth != 16) {
    return false;
  }
  if (h.mapType == 1 && !ValidEntryBits(h.mapEntryBits)) return false;
  return true;
}

// A colour of 15, 16, 24 or 32 bits stored little-endian, as B, G, R, A.
TColor32 ReadColor(const std::uint8_t* p, unsigned bits, bool useAlpha) {
  switch (bits) {
    case 15:
    case 16: {
      unsigned v = p[0] | (p[1] << 8);
      unsigned alpha = (bits == 16 && useAlpha) ? ((v & 0x8000) ? 255 : 0) : 255;
      return Color32(ScaleToByte((v >> 10) & 31, 5), ScaleToByte((v >> 5) & 31, 5),
                     ScaleToByte(v & 31, 5), alpha);
    }
    case 24:
      return Color32(p[2], p[1], p[0]);
    default:
      return Color32(p[2], p[1], p[0], useAlpha ? p[3] : 255);
  }
}

// Reads width * height pixel records of `bytes` bytes each, raw or RLE
// (runs may cross rows), into one flat buffer.
TPicture DecodeTga(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsTga(data)) FailPicture(fileName, "not a Truevision TGA file or an unsupported kind");
  ByteReader in(data, fileName);
  const TgaHeader h = ParseHeader(in.Bytes(18));
  in.Skip(h.idLength);
  CheckPictureSize(h.width, h.height, fileName);
  const unsigned alphaBits = h.descriptor & 15;
  const unsigned base = h.imageType & 7;

  std::vector<TColor32> map;
  if (h.mapType == 1) {
    const unsigned entryBytes = (h.mapEntryBits + 7) / 8;
    auto raw = in.Bytes(std::size_t(h.mapLength) * entryBytes);
    map.reserve(h.mapLength);
    for (unsigned i = 0; i < h.mapLength; ++i)
      map.push_back(ReadColor(raw.data() + i * entryBytes, h.mapEntryBits, alphaBits > 0));
  }

  const bool hasAlpha =
      alphaBits > 0 &&
      ((base == 2 && (h.depth == 32 || h.depth == 16)) || (base == 3 && h.depth == 16) ||
       (base == 1 && (h.mapEntryBits == 32 || h.mapEntryBits == 16)));
  // Check that the file can hold the pixels before allocating them: raw
  // records all, run-length packets at most 128 pixels per two bytes.
  const unsigned bytes = (h.depth + 7) / 8;
  const std::size_t count = CheckedMul(h.width, h.height);
  const bool rle = h.imageType & 8;
  if (rle ? CheckedMul(in.Remaining(), 64) < count : in.Remaining() < CheckedMul(count, bytes))
    FailPicture(fileName, "pixel data is truncated");
  TPicture picture = NewPicture(h.width, h.height,
                                hasAlpha ? TPictureKind::Bitmap32 : TPictureKind::Bitmap, fileName);
  const bool topDown = h.descriptor & 0x20, rightToLeft = h.descriptor & 0x10;
  const std::size_t w = h.width, rows = h.height;
  auto colorOf = [&](const std::uint8_t* p) -> TColor32 {
    if (base == 1) {
      const unsigned index = bytes == 1 ? p[0] : unsigned(p[0] | (p[1] << 8));
      return index >= h.mapFirst && index - h.mapFirst < map.size() ? map[index - h.mapFirst]
                                                                    : Color32(0, 0, 0);
    }
    if (base == 2) return ReadColor(p, h.depth, hasAlpha);
    return Color32(p[0], p[0], p[0], bytes == 2 && hasAlpha ? p[1] : 255);
  };
  // Pixels come in file order: rows from the origin's side, runs may cross
  // rows. Each stored row goes to its place in the top-down picture.
  std::size_t i = 0, row = 0, col = 0;
  auto lineOf = [&](std::size_t r) {
    return picture.pixels.data() + (topDown ? r : rows - 1 - r) * w;
  };
  TColor32* line = lineOf(0);
  auto put = [&](TColor32 c, std::size_t n) {
    while (n > 0) {
      const std::size_t span = std::min(n, w - col);
      if (span == 0) break;  // past the last row
      if (rightToLeft)
        std::fill(line + (w - col - span), line + (w - col), c);
      else
        std::fill(line + col, line + col + span, c);
      i += span, col += span, n -= span;
      if (col == w && ++row < rows) col = 0, line = lineOf(row);
    }
  };
  if (!rle) {
    const std::uint8_t* p = in.Bytes(CheckedMul(count, bytes)).data();
    for (std::size_t k = 0; k < count; ++k, p += bytes) put(colorOf(p), 1);
  }
  while (rle && i < count) {
    const unsigned packet = in.U8();
    const std::size_t n = std::min<std::size_t>((packet & 0x7F) + 1, count - i);
    if (packet & 0x80) {
      put(colorOf(in.Bytes(bytes).data()), n);
    } else {
      const std::uint8_t* p = in.Bytes(CheckedMul(n, bytes)).data();
      for (std::size_t k = 0; k < n; ++k, p += bytes) put(colorOf(p), 1);
    }
  }
  if (!hasAlpha)
    for (TColor32& px : picture.pixels) px |= 0xFF000000u;
  return picture;
}

}  // namespace

const TPictureReader& TgaReader() {
  static const TPictureReader reader{"Truevision", IsTga, DecodeTga};
  return reader;
}

}  // namespace quenvar
