// Autodesk Animator PIC and CEL pictures (the original Animator's format): a
// 32-byte little-endian header with the id 9119h, a 256-entry palette of
// 6-bit components, then one palette index per pixel, top row first.
#include <cstdint>
#include <span>
#include <string>

#include "compose/color32.h"
#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kPaletteSize = 768;
constexpr std::uint16_t kId = 0x9119;

bool IsAutodesk(std::span<const std::uint8_t> head) {
  if (head.size() < kHeaderSize) return false;
  ByteReader in(head);
  if (in.U16LE() != kId) return false;
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Skip(4);
  const unsigned depth = in.U8(), compression = in.U8();
  return width > 0 && height > 0 && depth == 8 && compression == 0;
}

// Six-bit palette components (0..63) scaled to 0..255, rounded.
unsigned SixTo8(unsigned v) {
  return ScaleTo8(v > 63 ? 63 : v, 63);
}

TPicture DecodeAutodesk(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for an Autodesk header");
  if (in.U16LE() != kId) FailDecode(fileName, "not an Autodesk PIC/CEL picture (bad id)");
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Skip(4);  // the cel's position on the screen
  const unsigned depth = in.U8(), compression = in.U8();
  if (depth != 8) FailDecode(fileName, "unsupported depth of " + std::to_string(depth) + " bits");
  if (compression != 0) FailDecode(fileName, "unsupported compressed Autodesk picture");
  TPicture pic = MakePicture(width, height, fileName);
  in.Seek(kHeaderSize);
  if (in.Remaining() < kPaletteSize + pic.pixels.size())
    FailDecode(fileName, "unexpected end of data");
  TColor32 palette[256];
  for (auto& c : palette) {
    unsigned r = in.U8(), g = in.U8(), b = in.U8();
    c = Color32(SixTo8(r), SixTo8(g), SixTo8(b));
  }
  auto indices = in.Bytes(pic.pixels.size());
  for (std::size_t i = 0; i < indices.size(); ++i) pic.pixels[i] = palette[indices[i]];
  return pic;
}

}  // namespace

const TPictureReader& AutodeskReader() {
  static const TPictureReader reader{"Autodesk", &IsAutodesk, &DecodeAutodesk};
  return reader;
}

}  // namespace quenvar
