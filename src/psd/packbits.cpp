#include "psd/packbits.h"

#include <algorithm>
#include <cstring>

namespace quenvar {

std::size_t TPackbitsRLEDecoder::Decode(const std::uint8_t* packed, std::uint8_t* plane,
                                        std::size_t packedSize, std::size_t unpackedSize) const {
  const std::uint8_t* in = packed;
  std::uint8_t* out = plane;
  std::size_t p = packedSize;
  std::size_t u = unpackedSize;
  while (u > 0 && p > 0) {
    const int n = static_cast<std::int8_t>(*in++);
    --p;
    if (n == -128) continue;  // a no-op control byte
    if (n < 0) {
      if (p == 0) break;  // a repeat run without its value byte
      const std::size_t count = std::min<std::size_t>(std::size_t(1 - n), u);
      std::memset(out, *in++, count);
      --p;
      out += count;
      u -= count;
    } else {
      const std::size_t count = std::min({std::size_t(n) + 1, u, p});
      std::memcpy(out, in, count);
      in += count;
      out += count;
      p -= count;
      u -= count;
    }
  }
  return std::size_t(out - plane);
}

}  // namespace quenvar
