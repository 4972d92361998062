// SGI image files: a 512-byte big-endian header, then the channels either
// verbatim (plane after plane, bottom row first) or run-length coded row by
// row through a table of row offsets and lengths. One to four channels (grey,
// grey and alpha, RGB, RGBA) of 8 or 16 bits; 16-bit samples are rescaled to
// 8 bits.
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

constexpr std::size_t kHeaderSize = 512;
constexpr std::uint16_t kMagic = 474;

struct SgiHeader {
  unsigned storage = 0, bytesPerChannel = 0, dimension = 0;
  unsigned xsize = 0, ysize = 0, zsize = 0;
  std::uint32_t colormap = 0;
};

SgiHeader ReadHeader(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for an SGI header");
  if (in.U16BE() != kMagic) FailDecode(fileName, "not an SGI image (bad magic number)");
  SgiHeader h;
  h.storage = in.U8();
  h.bytesPerChannel = in.U8();
  h.dimension = in.U16BE();
  h.xsize = in.U16BE();
  h.ysize = in.U16BE();
  h.zsize = in.U16BE();
  in.Seek(104);
  h.colormap = in.U32BE();
  // One- and two-dimensional images have one row and one channel.
  if (h.dimension == 1) h.ysize = 1;
  if (h.dimension <= 2) h.zsize = 1;
  return h;
}

bool IsSgi(std::span<const std::uint8_t> head) {
  if (head.size() < kHeaderSize || head[0] != 0x01 || head[1] != 0xDA) return false;
  SgiHeader h = ReadHeader(head, "head");
  return h.storage <= 1 && (h.bytesPerChannel == 1 || h.bytesPerChannel == 2) && h.dimension >= 1 &&
         h.dimension <= 3 && h.xsize > 0 && h.ysize > 0 && h.zsize > 0;
}

// Expands one run-length coded row of `count` samples of `size` bytes.
void UnpackRow(std::span<const std::uint8_t> src, unsigned size, std::size_t count,
               std::vector<std::uint16_t>& out, const std::string& fileName) {
  ByteReader in(src, fileName);
  auto sample = [&]() -> std::uint16_t { return size == 2 ? in.U16BE() : in.U8(); };
  std::size_t pos = 0;
  for (;;) {
    const unsigned code = sample();
    std::size_t n = code & 0x7F;
    if (n == 0) break;
    if (pos + n > count) FailDecode(fileName, "run-length data overflows a row");
    if (code & 0x80) {
      while (n--) out[pos++] = sample();
    } else {
      const std::uint16_t v = sample();
      while (n--) out[pos++] = v;
    }
  }
  if (pos != count) FailDecode(fileName, "run-length data leaves a row short");
}

TPicture DecodeSgi(std::span<const std::uint8_t> data, const std::string& fileName) {
  const SgiHeader h = ReadHeader(data, fileName);
  if (h.storage > 1) FailDecode(fileName, "unknown SGI storage " + std::to_string(h.storage));
  if (h.bytesPerChannel != 1 && h.bytesPerChannel != 2)
    FailDecode(fileName, "unsupported SGI sample size " + std::to_string(h.bytesPerChannel));
  if (h.dimension < 1 || h.dimension > 3)
    FailDecode(fileName, "bad SGI dimension " + std::to_string(h.dimension));
  if (h.colormap != 0)
    FailDecode(fileName, "unsupported SGI colour map mode " + std::to_string(h.colormap));
  if (h.zsize == 0) FailDecode(fileName, "SGI image without channels");
  // Channels past the fourth are extra data; the first four are the picture.
  const unsigned channels = h.zsize > 4 ? 4 : h.zsize;
  const bool alpha = channels == 2 || channels == 4;
  const std::size_t w = h.xsize, rows = h.ysize, size = h.bytesPerChannel;
  const std::size_t rowBytes = w * size;
  CheckPictureSize(h.xsize, h.ysize, fileName);

  // Every check on the data comes before the picture is made, so a small
  // file cannot claim a large one.
  ByteReader in(data, fileName);
  std::vector<std::uint32_t> starts, lengths;
  if (h.storage == 0) {
    const std::size_t need =
        CheckedAdd(kHeaderSize, CheckedMul(CheckedMul(rowBytes, rows), channels));
    if (need > data.size()) FailDecode(fileName, "unexpected end of pixel data");
  } else {
    const std::size_t tableSize = CheckedMul(rows, h.zsize);
    if (CheckedAdd(kHeaderSize, CheckedMul(tableSize, 8)) > data.size())
      FailDecode(fileName, "unexpected end of the row offset table");
    in.Seek(kHeaderSize);
    starts.resize(tableSize);
    lengths.resize(tableSize);
    for (auto& s : starts) s = in.U32BE();
    for (auto& l : lengths) l = in.U32BE();
    // A run codes at most 127 samples in two samples' bytes, and a zero
    // count ends the row: shorter rows cannot fill the picture's width.
    const std::size_t least = ((w + 126) / 127 * 2 + 1) * size;
    for (std::size_t i = 0; i < rows * channels; ++i)
      if (lengths[i] < least)
        FailDecode(fileName, "run-length row of " + std::to_string(lengths[i]) +
                                 " bytes cannot fill a row of " + std::to_string(w) + " pixels");
  }
  TPicture pic = MakePicture(h.xsize, h.ysize, fileName,
                             alpha ? TPictureKind::Bitmap32 : TPictureKind::Bitmap);

  // Each decoded row goes straight into its lanes of the picture.
  auto to8 = [&](std::uint16_t v) { return size == 2 ? ScaleTo8(v, 65535) : unsigned(v); };
  auto lanesOf = [&](unsigned c) -> std::uint32_t {
    if (channels <= 2) return c == 0 ? 0x00FFFFFFu : 0xFF000000u;
    return 0xFFu << (c == 3 ? 24 : 16 - 8 * c);
  };
  std::vector<std::uint16_t> row(w);
  for (unsigned c = 0; c < channels; ++c) {
    const std::uint32_t lanes = lanesOf(c);
    for (std::size_t r = 0; r < rows; ++r) {
      if (h.storage == 0) {
        in.Seek(kHeaderSize + (c * rows + r) * rowBytes);
        for (std::size_t x = 0; x < w; ++x) row[x] = size == 2 ? in.U16BE() : in.U8();
      } else {
        const std::size_t at = starts[c * rows + r], len = lengths[c * rows + r];
        if (at > data.size() || len > data.size() - at)
          FailDecode(fileName, "row data lies past the end of the file");
        UnpackRow(data.subspan(at, len), size, w, row, fileName);
      }
      TColor32* out = pic.pixels.data() + (rows - 1 - r) * w;  // stored bottom row first
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint32_t v = to8(row[x]) * 0x01010101u;
        out[x] = (out[x] & ~lanes) | (v & lanes);
      }
    }
  }
  return pic;
}

}  // namespace

const TPictureReader& SgiReader() {
  static const TPictureReader reader{"SGI", &IsSgi, &DecodeSgi};
  return reader;
}

}  // namespace quenvar
