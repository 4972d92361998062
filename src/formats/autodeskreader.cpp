// Autodesk Animator PIC and CEL pictures. The original Animator's format: a
// 32-byte little-endian header with the id 9119h, a 256-entry palette of
// 6-bit components, then one palette index per pixel, top row first.
// Animator Pro's PIC format: a 64-byte header with the id 9500h, then blocks
// (32-bit size including the 6-byte block header, 16-bit type): type 0 holds
// a version word and 256 palette entries of 8-bit components, type 1 one
// palette index per pixel, top row first.
#include <algorithm>
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

constexpr std::size_t kProHeaderSize = 64;
constexpr std::uint16_t kProId = 0x9500;
enum ProBlock : unsigned { kProPalette = 0, kProPixels = 1 };

bool IsAnimatorPro(std::span<const std::uint8_t> head) {
  if (head.size() < kProHeaderSize) return false;
  ByteReader in(head);
  in.Skip(4);
  if (in.U16LE() != kProId) return false;
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Seek(18);
  return width > 0 && height > 0 && in.U8() == 8;
}

bool IsAutodesk(std::span<const std::uint8_t> head) {
  if (IsAnimatorPro(head)) return true;
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

TPicture DecodeAnimatorPro(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  in.Skip(6);
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Seek(18);
  const unsigned depth = in.U8();
  if (depth != 8) FailDecode(fileName, "unsupported depth of " + std::to_string(depth) + " bits");
  // The pixel block holds one byte per pixel.
  CheckDataCanFill(width, height, data.size() - std::min(data.size(), kProHeaderSize), 1, fileName);
  TPicture pic = MakePicture(width, height, fileName);
  // Without a palette block the indices are grey levels.
  TColor32 palette[256];
  for (unsigned i = 0; i < 256; ++i) palette[i] = Color32(i, i, i);
  bool havePixels = false;
  in.Seek(kProHeaderSize);
  while (!in.AtEnd()) {
    const std::uint32_t size = in.U32LE();
    const unsigned type = in.U16LE();
    if (size < 6 || size - 6 > in.Remaining()) FailDecode(fileName, "block runs past the end");
    ByteReader block(in.Bytes(size - 6), fileName);
    if (type == kProPalette) {
      block.Skip(2);  // version
      for (auto& c : palette) {
        unsigned r = block.U8(), g = block.U8(), b = block.U8();
        c = Color32(r, g, b);
      }
    } else if (type == kProPixels) {
      if (block.Remaining() < pic.pixels.size()) FailDecode(fileName, "pixel block too short");
      auto indices = block.Bytes(pic.pixels.size());
      for (std::size_t i = 0; i < indices.size(); ++i) pic.pixels[i] = indices[i];
      havePixels = true;
    }
  }
  if (!havePixels) FailDecode(fileName, "no pixel block");
  for (TColor32& px : pic.pixels) px = palette[px & 255];
  return pic;
}

TPicture DecodeAutodesk(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (IsAnimatorPro(data)) return DecodeAnimatorPro(data, fileName);
  ByteReader in(data, fileName);
  if (data.size() < kHeaderSize) FailDecode(fileName, "file too short for an Autodesk header");
  if (in.U16LE() != kId) FailDecode(fileName, "not an Autodesk PIC/CEL picture (bad id)");
  const unsigned width = in.U16LE(), height = in.U16LE();
  in.Skip(4);  // the cel's position on the screen
  const unsigned depth = in.U8(), compression = in.U8();
  if (depth != 8) FailDecode(fileName, "unsupported depth of " + std::to_string(depth) + " bits");
  if (compression != 0) FailDecode(fileName, "unsupported compressed Autodesk picture");
  CheckPictureSize(width, height, fileName);
  in.Seek(kHeaderSize);
  if (in.Remaining() < kPaletteSize + std::size_t(width) * height)
    FailDecode(fileName, "unexpected end of data");
  TPicture pic = MakePicture(width, height, fileName);
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
