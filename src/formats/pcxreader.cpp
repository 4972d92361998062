// ZSoft PCX: a 128-byte header, run-length coded scan lines (each the planes
// of one row, bytesPerLine bytes apiece), and for 256-colour pictures a
// palette after the pixel data. Handles 1, 2 and 4 bits in one plane, 1 bit in
// up to four planes, 8 bits in one plane (palette or grey) and 8 bits in
// three or four planes (RGB, RGB plus alpha).
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

constexpr std::size_t kHeaderSize = 128;

struct PcxHeader {
  unsigned version = 0, encoding = 0, bitsPerPixel = 0, planes = 0, bytesPerLine = 0;
  int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::array<TColor32, 16> egaPalette{};
  bool egaPaletteEmpty = true;
};

PcxHeader ReadHeader(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for a PCX header");
  PcxHeader h;
  if (in.U8() != 0x0A) FailDecode(fileName, "not a PCX file (bad manufacturer byte)");
  h.version = in.U8();
  h.encoding = in.U8();
  h.bitsPerPixel = in.U8();
  h.xMin = in.U16LE();
  h.yMin = in.U16LE();
  h.xMax = in.U16LE();
  h.yMax = in.U16LE();
  in.Skip(4);  // resolution
  for (auto& c : h.egaPalette) {
    unsigned r = in.U8(), g = in.U8(), b = in.U8();
    c = Color32(r, g, b);
    if (r | g | b) h.egaPaletteEmpty = false;
  }
  in.Skip(1);  // reserved
  h.planes = in.U8();
  h.bytesPerLine = in.U16LE();
  return h;
}

bool ValidLayout(const PcxHeader& h) {
  const unsigned bpp = h.bitsPerPixel, planes = h.planes;
  if (bpp == 8) return planes == 1 || planes == 3 || planes == 4;
  if (bpp == 1) return planes >= 1 && planes <= 4;
  return (bpp == 2 || bpp == 4) && planes == 1;
}

bool IsPcx(std::span<const std::uint8_t> head) {
  if (head.size() < kHeaderSize || head[0] != 0x0A) return false;
  const unsigned v = head[1];
  if (v != 0 && v != 2 && v != 3 && v != 4 && v != 5) return false;
  if (head[2] > 1) return false;
  try {
    PcxHeader h = ReadHeader(head, "head");
    return ValidLayout(h) && h.xMax >= h.xMin && h.yMax >= h.yMin && h.bytesPerLine > 0;
  } catch (const Error&) {
    return false;
  }
}

// The colours of the standard 16-colour EGA palette, for files that carry none.
std::array<TColor32, 16> DefaultEgaPalette() {
  std::array<TColor32, 16> p{};
  for (unsigned i = 0; i < 16; ++i) {
    unsigned hi = (i & 8) ? 85 : 0;
    unsigned r = ((i & 4) ? 170 : 0) + hi, g = ((i & 2) ? 170 : 0) + hi,
             b = ((i & 1) ? 170 : 0) + hi;
    if (i == 6) g = 85;  // brown, not dark yellow
    p[i] = Color32(r, g, b);
  }
  return p;
}

// Expands the run-length coded (or plain) pixel data into `out`.
void Unpack(ByteReader& in, const PcxHeader& h, std::vector<std::uint8_t>& out,
            const std::string& fileName) {
  if (h.encoding == 0) {
    if (in.Remaining() < out.size()) FailDecode(fileName, "unexpected end of pixel data");
    in.Read(out.data(), out.size());
    return;
  }
  std::size_t pos = 0;
  while (pos < out.size()) {
    std::uint8_t c = in.U8();
    std::size_t count = 1;
    if ((c & 0xC0) == 0xC0) {
      count = c & 0x3F;
      c = in.U8();
    }
    // A run may cross scan lines (some writers do that); it never leaves the
    // picture.
    for (; count && pos < out.size(); --count) out[pos++] = c;
  }
}

TPicture DecodePcx(std::span<const std::uint8_t> data, const std::string& fileName) {
  const PcxHeader h = ReadHeader(data, fileName);
  if (h.encoding > 1) FailDecode(fileName, "unknown PCX encoding " + std::to_string(h.encoding));
  if (!ValidLayout(h))
    FailDecode(fileName, "unsupported PCX layout: " + std::to_string(h.bitsPerPixel) + " bits in " +
                             std::to_string(h.planes) + " planes");
  if (h.xMax < h.xMin || h.yMax < h.yMin) FailDecode(fileName, "bad PCX picture window");
  const std::int64_t width = std::int64_t(h.xMax) - h.xMin + 1;
  const std::int64_t height = std::int64_t(h.yMax) - h.yMin + 1;
  CheckPictureSize(width, height, fileName);
  if (std::int64_t(h.bytesPerLine) * 8 < width * h.bitsPerPixel)
    FailDecode(fileName, "bytes per line too small for the picture width");

  const std::size_t lineBytes = CheckedMul(h.planes, h.bytesPerLine);
  // Plain data holds every byte, and each coded byte yields at most 63: refuse
  // sizes the file cannot hold before allocating for them.
  const std::size_t total = CheckedMul(lineBytes, static_cast<std::size_t>(height));
  const std::size_t stored = data.size() - std::min(data.size(), kHeaderSize);
  if ((h.encoding == 0 ? total : total / 63) > stored)
    FailDecode(fileName, "unexpected end of pixel data");
  const bool alpha = h.bitsPerPixel == 8 && h.planes == 4;
  TPicture pic =
      MakePicture(width, height, fileName, alpha ? TPictureKind::Bitmap32 : TPictureKind::Bitmap);
  std::vector<std::uint8_t> raw(total);
  ByteReader in(data, fileName);
  in.Seek(kHeaderSize);
  Unpack(in, h, raw, fileName);

  // Palette for the indexed layouts.
  std::vector<TColor32> palette;
  const unsigned indexBits = h.bitsPerPixel * (h.bitsPerPixel == 8 ? 1 : h.planes);
  if (h.bitsPerPixel == 8 && h.planes == 1) {
    const std::size_t at = data.size() - 769;
    if (h.version >= 5 && data.size() >= kHeaderSize + 769 && in.Position() <= at &&
        data[at] == 0x0C) {
      for (unsigned i = 0; i < 256; ++i)
        palette.push_back(
            Color32(data[at + 1 + 3 * i], data[at + 2 + 3 * i], data[at + 3 + 3 * i]));
    } else {
      for (unsigned i = 0; i < 256; ++i) palette.push_back(Color32(i, i, i));
    }
  } else if (indexBits == 1 && (h.version == 3 || h.egaPaletteEmpty)) {
    // Monochrome without colours of its own: black and white.
    palette = {Color32(0, 0, 0), Color32(255, 255, 255)};
  } else if (h.bitsPerPixel < 8) {
    auto ega = h.version == 3 ? DefaultEgaPalette() : h.egaPalette;
    palette.assign(ega.begin(), ega.end());
  }

  const std::size_t w = pic.width;
  for (std::size_t y = 0; y < std::size_t(pic.height); ++y) {
    const std::uint8_t* line = raw.data() + y * lineBytes;
    TColor32* out = pic.pixels.data() + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      if (h.bitsPerPixel == 8 && h.planes >= 3) {
        unsigned a = alpha ? line[3 * h.bytesPerLine + x] : 255;
        out[x] = Color32(line[x], line[h.bytesPerLine + x], line[2 * h.bytesPerLine + x], a);
        continue;
      }
      unsigned index = 0;
      if (h.bitsPerPixel == 8) {
        index = line[x];
      } else if (h.planes == 1) {
        const unsigned bpp = h.bitsPerPixel, perByte = 8 / bpp;
        const unsigned shift = 8 - bpp * (x % perByte + 1);
        index = (line[x / perByte] >> shift) & ((1u << bpp) - 1);
      } else {
        for (unsigned p = 0; p < h.planes; ++p)
          index |= ((line[p * h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
      }
      out[x] = index < palette.size() ? palette[index] : Color32(0, 0, 0);
    }
  }
  return pic;
}

}  // namespace

const TPictureReader& PcxReader() {
  static const TPictureReader reader{"PCX", &IsPcx, &DecodePcx};
  return reader;
}

}  // namespace quenvar
