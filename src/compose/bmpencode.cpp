#include "compose/bmpencode.h"

#include "formats/limits.h"

namespace quenvar {

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

bool AllAlphaZero(const TBitmap32& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const TColor32* row = bitmap.RowPointer(y);
    for (int x = 0; x < bitmap.Width(); ++x)
      if (row[x] >> 24) return false;
  }
  return true;
}

constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kSrgbSpace = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kImageIntent = 4;

}  // namespace

std::vector<std::uint8_t> EncodeBmp32(const TBitmap32& bitmap, TBmpAlpha alpha) {
  const bool declareAlpha = alpha == TBmpAlpha::Declared && !bitmap.Empty() && AllAlphaZero(bitmap);
  const std::size_t infoSize = declareAlpha ? 124 : 40;
  const std::size_t headers = 14 + infoSize;
  const std::size_t w = std::size_t(bitmap.Width()), h = std::size_t(bitmap.Height());
  const std::size_t pixelBytes = CheckedMul(CheckedMul(w, h), 4);
  std::vector<std::uint8_t> out(CheckedAdd(headers, pixelBytes));
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, std::uint32_t(out.size()));
  Put32(p + 10, std::uint32_t(headers));
  Put32(p + 14, std::uint32_t(infoSize));
  Put32(p + 18, std::uint32_t(w));
  Put32(p + 22, std::uint32_t(h));
  Put16(p + 26, 1);
  Put16(p + 28, 32);
  Put32(p + 34, std::uint32_t(pixelBytes));
  if (declareAlpha) {
    Put32(p + 30, kBitFields);
    Put32(p + 54, 0x00FF0000u);
    Put32(p + 58, 0x0000FF00u);
    Put32(p + 62, 0x000000FFu);
    Put32(p + 66, 0xFF000000u);
    Put32(p + 70, kSrgbSpace);
    Put32(p + 122, kImageIntent);
  }
  std::uint8_t* dst = p + headers;
  for (std::size_t row = h; row-- > 0;) {
    const TColor32* src = bitmap.RowPointer(int(row));
    for (std::size_t x = 0; x < w; ++x, dst += 4) Put32(dst, src[x]);
  }
  return out;
}

}  // namespace quenvar
