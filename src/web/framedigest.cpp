#include "web/framedigest.h"

#include <nettle/sha2.h>

#include <vector>

namespace quenvar {

std::string FrameDigest(const TBitmap32& frame) {
  sha256_ctx context;
  sha256_init(&context);
  std::vector<std::uint8_t> row(std::size_t(frame.Width()) * 4);
  for (int y = 0; y < frame.Height(); ++y) {
    const TColor32* pixels = frame.RowPointer(y);
    for (int x = 0; x < frame.Width(); ++x) {
      const TColor32 c = pixels[x];
      std::uint8_t* out = row.data() + std::size_t(x) * 4;
      out[0] = std::uint8_t(RedOf(c));
      out[1] = std::uint8_t(GreenOf(c));
      out[2] = std::uint8_t(BlueOf(c));
      out[3] = std::uint8_t(AlphaOf(c));
    }
    sha256_update(&context, row.size(), row.data());
  }
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, SHA256_DIGEST_SIZE, digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : digest) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

}  // namespace quenvar
