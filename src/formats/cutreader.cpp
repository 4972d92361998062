// Dr. Halo CUT pictures: a 6-byte little-endian header (width, height, a
// reserved word), then every scan line as a 16-bit byte count and run-length
// codes: 0 ends the line, a code with the high bit set repeats the next byte
// (code & 7Fh) times, any other code copies that many bytes. The colours live
// in a Dr. Halo palette file of the same name with the extension .pal; without
// one the indices are shown as grey levels.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kPalHeaderSize = 40;
constexpr std::size_t kPalBlock = 512;

// Decodes one line's codes into `out` (may be null when only checking).
// Returns the number of pixels the line holds; throws on data running out.
std::size_t DecodeLine(ByteReader& in, std::uint8_t* out, std::size_t width) {
  std::size_t pos = 0;
  while (!in.AtEnd()) {
    const std::uint8_t code = in.U8();
    if (code == 0) break;
    std::size_t n = code & 0x7F;
    if (code & 0x80) {
      const std::uint8_t v = in.U8();
      for (; n; --n, ++pos)
        if (out && pos < width) out[pos] = v;
    } else {
      auto bytes = in.Bytes(n);
      for (std::size_t i = 0; i < n; ++i, ++pos)
        if (out && pos < width) out[pos] = bytes[i];
    }
  }
  return pos;
}

bool IsCut(std::span<const std::uint8_t> head) {
  if (head.size() < kHeaderSize + 3) return false;
  ByteReader in(head);
  const unsigned width = in.U16LE(), height = in.U16LE(), reserved = in.U16LE();
  if (width == 0 || height == 0 || reserved != 0) return false;
  // The first lines present in the head must each decode to exactly one row.
  try {
    for (unsigned y = 0; y < height && y < 4 && !in.AtEnd(); ++y) {
      const std::size_t length = in.U16LE();
      if (length == 0 || length > in.Remaining()) return y > 0 && length > in.Remaining();
      ByteReader line(in.Bytes(length));
      if (DecodeLine(line, nullptr, width) != width || !line.AtEnd()) return false;
      if (line.Data()[length - 1] != 0) return false;
    }
  } catch (const Error&) {
    return false;
  }
  return true;
}

// The palette file beside the picture: same name, extension .pal (any case).
std::optional<std::vector<std::uint8_t>> ReadPaletteFile(const std::string& fileName) {
  namespace fs = std::filesystem;
  const fs::path picture(fileName);
  std::error_code ec;
  for (const char* ext : {".pal", ".PAL", ".Pal"}) {
    fs::path pal = picture;
    pal.replace_extension(ext);
    if (!fs::is_regular_file(pal, ec)) continue;
    std::ifstream f(pal, std::ios::binary);
    if (!f) continue;
    // A palette holds at most 256 entries: anything large is not one.
    if (fs::file_size(pal, ec) > 64 * 1024) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  return std::nullopt;
}

// Parses a Dr. Halo palette: the "AH" header with the largest index and the
// largest red, green and blue values, then 16-bit triples in 512-byte blocks
// (a triple never crosses a block). Returns nothing for files of another kind.
std::optional<std::vector<TColor32>> ParsePalette(std::span<const std::uint8_t> pal) {
  if (pal.size() < kPalHeaderSize || pal[0] != 'A' || pal[1] != 'H') return std::nullopt;
  ByteReader in(pal);
  in.Seek(12);
  const unsigned maxIndex = in.U16LE();
  const unsigned maxRed = in.U16LE(), maxGreen = in.U16LE(), maxBlue = in.U16LE();
  if (maxRed == 0 || maxGreen == 0 || maxBlue == 0) return std::nullopt;
  const unsigned count = maxIndex > 255 ? 256 : maxIndex + 1;
  std::vector<TColor32> colours;
  in.Seek(kPalHeaderSize);
  auto level = [](unsigned v, unsigned max) { return ScaleTo8(v > max ? max : v, max); };
  while (colours.size() < count && in.Remaining() >= 6) {
    if (in.Position() % kPalBlock + 6 > kPalBlock) {
      in.Seek(std::min(in.Size(), (in.Position() / kPalBlock + 1) * kPalBlock));
      continue;
    }
    const unsigned r = in.U16LE(), g = in.U16LE(), b = in.U16LE();
    colours.push_back(Color32(level(r, maxRed), level(g, maxGreen), level(b, maxBlue)));
  }
  return colours;
}

TPicture DecodeCut(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for a Dr. Halo header");
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Skip(2);
  CheckDataCanFill(width, height, data.size(), 64, fileName);
  TPicture pic = MakePicture(width, height, fileName);
  // Every line costs at least three bytes, and a code pair gives at most 127
  // pixels: refuse what the file cannot hold.
  if (std::size_t(height) * 3 > in.Remaining()) FailDecode(fileName, "unexpected end of data");

  std::vector<TColor32> palette;
  if (auto bytes = ReadPaletteFile(fileName))
    if (auto colours = ParsePalette(*bytes)) palette = std::move(*colours);
  if (palette.empty())
    for (unsigned i = 0; i < 256; ++i) palette.push_back(Color32(i, i, i));
  palette.resize(256, Color32(0, 0, 0));

  std::vector<std::uint8_t> indices(width);
  for (unsigned y = 0; y < height; ++y) {
    const std::size_t length = in.U16LE();
    ByteReader line(in.Bytes(length), fileName);
    std::fill(indices.begin(), indices.end(), 0);
    DecodeLine(line, indices.data(), width);
    TColor32* out = pic.pixels.data() + std::size_t(y) * width;
    for (unsigned x = 0; x < width; ++x) out[x] = palette[indices[x]];
  }
  return pic;
}

}  // namespace

const TPictureReader& CutReader() {
  static const TPictureReader reader{"Dr. Halo", &IsCut, &DecodeCut};
  return reader;
}

}  // namespace quenvar
