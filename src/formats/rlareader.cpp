// Alias/Wavefront RLA and RPF pictures: a 740-byte big-endian header, a table
// of scan line offsets (bottom line first), and per scan line each channel as
// a 16-bit byte count and run-length data (a count byte c >= 0 repeats the next
// byte c + 1 times, c < 0 copies -c bytes). Colour channels come first, then
// the matte (alpha) channels, then auxiliary channels, which are not shown.
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

constexpr std::size_t kHeaderSize = 740;

struct RlaHeader {
  int activeLeft = 0, activeRight = 0, activeBottom = 0, activeTop = 0;
  int storageType = 0, colourChannels = 0, matteChannels = 0, auxChannels = 0;
  unsigned revision = 0;
  int colourBits = 0, matteBits = 0;
};

RlaHeader ReadHeader(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for an RLA header");
  ByteReader in(data, fileName);
  RlaHeader h;
  in.Skip(8);  // full window
  h.activeLeft = in.I16BE();
  h.activeRight = in.I16BE();
  h.activeBottom = in.I16BE();
  h.activeTop = in.I16BE();
  in.Skip(2);  // frame number
  h.storageType = in.I16BE();
  h.colourChannels = in.I16BE();
  h.matteChannels = in.I16BE();
  h.auxChannels = in.I16BE();
  h.revision = in.U16BE();
  in.Seek(658);
  h.colourBits = in.I16BE();
  in.Skip(2);  // matte type
  h.matteBits = in.I16BE();
  return h;
}

bool SampleBitsOk(int bits) {
  return bits >= 1 && bits <= 16;
}

bool IsRla(std::span<const std::uint8_t> head) {
  if (head.size() < kHeaderSize) return false;
  RlaHeader h = ReadHeader(head, "head");
  return (h.revision == 0xFFFE || h.revision == 0xFFFD) && h.activeRight >= h.activeLeft &&
         h.activeTop >= h.activeBottom && h.colourChannels >= 1 && h.colourChannels <= 16 &&
         h.matteChannels >= 0 && h.auxChannels >= 0 && SampleBitsOk(h.colourBits);
}

// Expands one channel's run-length data into `out` (whole bytes).
void UnpackChannel(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& out,
                   const std::string& fileName) {
  ByteReader in(src, fileName);
  std::size_t pos = 0;
  while (pos < out.size()) {
    const auto c = static_cast<std::int8_t>(in.U8());
    if (c >= 0) {
      const std::uint8_t v = in.U8();
      for (int n = c + 1; n && pos < out.size(); --n) out[pos++] = v;
    } else {
      auto bytes = in.Bytes(static_cast<std::size_t>(-c));
      for (std::size_t i = 0; i < bytes.size() && pos < out.size(); ++i) out[pos++] = bytes[i];
    }
  }
}

TPicture DecodeRla(std::span<const std::uint8_t> data, const std::string& fileName) {
  const RlaHeader h = ReadHeader(data, fileName);
  if (h.storageType != 0) FailDecode(fileName, "unsupported RLA storage type (not integer)");
  if (h.colourChannels != 1 && h.colourChannels != 3)
    FailDecode(fileName,
               "unsupported number of RLA colour channels: " + std::to_string(h.colourChannels));
  if (h.matteChannels < 0 || h.auxChannels < 0) FailDecode(fileName, "bad RLA channel counts");
  if (!SampleBitsOk(h.colourBits) || (h.matteChannels > 0 && !SampleBitsOk(h.matteBits)))
    FailDecode(fileName, "unsupported RLA sample size");
  const std::int64_t width = std::int64_t(h.activeRight) - h.activeLeft + 1;
  const std::int64_t height = std::int64_t(h.activeTop) - h.activeBottom + 1;
  const bool matte = h.matteChannels > 0;
  // A run of two bytes gives at most 128 samples of a channel.
  CheckDataCanFill(width, height, data.size(), 64, fileName);
  TPicture pic =
      MakePicture(width, height, fileName, matte ? TPictureKind::Bitmap32 : TPictureKind::Bitmap);
  const std::size_t w = pic.width, rows = pic.height;
  if (CheckedAdd(kHeaderSize, CheckedMul(rows, 4)) > data.size())
    FailDecode(fileName, "unexpected end of the scan line table");

  // Samples wider than 8 bits take two bytes, most significant first.
  const int channels = h.colourChannels + (matte ? 1 : 0);
  std::vector<std::vector<std::uint8_t>> planes(channels);
  ByteReader table(data, fileName);
  table.Seek(kHeaderSize);
  for (std::size_t line = 0; line < rows; ++line) {
    ByteReader in(data, fileName);
    in.Seek(table.U32BE());
    for (int c = 0; c < channels; ++c) {
      const int bits = c < h.colourChannels ? h.colourBits : h.matteBits;
      planes[c].assign(bits > 8 ? 2 * w : w, 0);
      const std::size_t length = in.U16BE();
      UnpackChannel(in.Bytes(length), planes[c], fileName);
    }
    auto sample = [&](int c, std::size_t x) -> unsigned {
      const int bits = c < h.colourChannels ? h.colourBits : h.matteBits;
      const unsigned max = (1u << bits) - 1;
      unsigned v = bits > 8 ? (planes[c][2 * x] << 8) | planes[c][2 * x + 1] : planes[c][x];
      return ScaleTo8(v > max ? max : v, max);
    };
    TColor32* out = pic.pixels.data() + (rows - 1 - line) * w;  // bottom line first
    for (std::size_t x = 0; x < w; ++x) {
      const unsigned r = sample(0, x);
      const unsigned g = h.colourChannels == 3 ? sample(1, x) : r;
      const unsigned b = h.colourChannels == 3 ? sample(2, x) : r;
      out[x] = Color32(r, g, b, matte ? sample(h.colourChannels, x) : 255);
    }
  }
  return pic;
}

}  // namespace

const TPictureReader& RlaReader() {
  static const TPictureReader reader{"RLA", &IsRla, &DecodeRla};
  return reader;
}

}  // namespace quenvar
