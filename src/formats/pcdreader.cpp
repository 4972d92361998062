// Kodak Photo-CD image packs: the base image (768 x 512) is stored without
// compression at 30000h, as pairs of luma rows followed by one row of each
// chroma component at half resolution. The PhotoYCC samples become RGB with
// Kodak's published equations, in exact integer arithmetic.
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "compose/color32.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

constexpr std::size_t kSignatureAt = 0x800;
constexpr char kSignature[] = "PCD_IPI";
constexpr std::size_t kBaseAt = 0x30000;
constexpr int kWidth = 768, kHeight = 512;
constexpr std::size_t kPairBytes = 2 * kWidth + 2 * (kWidth / 2);  // Y, Y, C1, C2

bool IsPcd(std::span<const std::uint8_t> head) {
  return head.size() >= kSignatureAt + 7 &&
         std::memcmp(head.data() + kSignatureAt, kSignature, 7) == 0;
}

// n / d rounded to the nearest integer, ties to even (d > 0).
std::int64_t RoundDiv(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d, r = n % d;
  if (r < 0) {
    q -= 1;
    r += d;
  }
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return q;
}

unsigned Clip(std::int64_t v) {
  return v < 0 ? 0 : v > 255 ? 255 : unsigned(v);
}

// PhotoYCC to RGB: L = 1.3584 Y, C1 = 2.2179 (c1 - 156), C2 = 1.8215 (c2 - 137);
// R = L + C2, G = L - 0.194 C1 - 0.509 C2, B = L + C1; clipped to 0..255.
TColor32 YccToRgb(unsigned y, unsigned c1, unsigned c2) {
  const std::int64_t l = 13584 * std::int64_t(y);            // x 10^4
  const std::int64_t b1 = 22179 * (std::int64_t(c1) - 156);  // x 10^4
  const std::int64_t r2 = 18215 * (std::int64_t(c2) - 137);  // x 10^4
  return Color32(Clip(RoundDiv(l + r2, 10000)),
                 Clip(RoundDiv(1000 * l - 194 * b1 - 509 * r2, 10000000)),
                 Clip(RoundDiv(l + b1, 10000)));
}

TPicture DecodePcd(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsPcd(data)) FailDecode(fileName, "not a Photo-CD image pack (no PCD_IPI signature)");
  TPicture pic = MakePicture(kWidth, kHeight, fileName, TPictureKind::Other);
  if (data.size() < kBaseAt + kPairBytes * (kHeight / 2))
    FailDecode(fileName, "unexpected end of data before the end of the base image");
  for (int pair = 0; pair < kHeight / 2; ++pair) {
    const std::uint8_t* p = data.data() + kBaseAt + pair * kPairBytes;
    const std::uint8_t* c1 = p + 2 * kWidth;
    const std::uint8_t* c2 = c1 + kWidth / 2;
    for (int line = 0; line < 2; ++line) {
      TColor32* out = pic.pixels.data() + (2 * pair + line) * kWidth;
      for (int x = 0; x < kWidth; ++x)
        out[x] = YccToRgb(p[line * kWidth + x], c1[x / 2], c2[x / 2]);
    }
  }
  return pic;
}

}  // namespace

const TPictureReader& PcdReader() {
  static const TPictureReader reader{"Photo-CD", &IsPcd, &DecodePcd};
  return reader;
}

}  // namespace quenvar
