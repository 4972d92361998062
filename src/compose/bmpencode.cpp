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

}  // namespace

std::vector<std::uint8_t> EncodeBmp32(const TBitmap32& bitmap) {
  constexpr std::size_t kHeaders = 14 + 40;
  const std::size_t w = std::size_t(bitmap.Width()), h = std::size_t(bitmap.Height());
  const std::size_t pixelBytes = CheckedMul(CheckedMul(w, h), 4);
  std::vector<std::uint8_t> out(CheckedAdd(kHeaders, pixelBytes));
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, std::uint32_t(out.size()));
  Put32(p + 10, kHeaders);
  Put32(p + 14, 40);
  Put32(p + 18, std::uint32_t(w));
  Put32(p + 22, std::uint32_t(h));
  Put16(p + 26, 1);
  Put16(p + 28, 32);
  Put32(p + 34, std::uint32_t(pixelBytes));
  std::uint8_t* dst = p + kHeaders;
  for (std::size_t row = h; row-- > 0;) {
    const TColor32* src = bitmap.RowPointer(int(row));
    for (std::size_t x = 0; x < w; ++x, dst += 4) Put32(dst, src[x]);
  }
  return out;
}

}  // namespace quenvar
