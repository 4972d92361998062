#pragma once
// PackBits run-length decoding as PSD channels store it.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace quenvar {

// The PackBits control loop over any output that takes runs of one value
// (Fill) and copies of packed bytes (Copy). Decodes up to `packedSize`
// bytes into at most `unpackedSize` output bytes, cutting runs at that end;
// returns the number of bytes emitted.
template <class Out>
std::size_t DecodePackBits(const std::uint8_t* packed, std::size_t packedSize,
                           std::size_t unpackedSize, Out& out) {
  const std::uint8_t* in = packed;
  std::size_t p = packedSize;
  std::size_t u = unpackedSize;
  while (u > 0 && p > 0) {
    const int n = static_cast<std::int8_t>(*in++);
    --p;
    if (n == -128) continue;  // a no-op control byte
    if (n < 0) {
      if (p == 0) break;  // a repeat run without its value byte
      const std::size_t count = std::min<std::size_t>(std::size_t(1 - n), u);
      out.Fill(*in++, count);
      --p;
      u -= count;
    } else {
      const std::size_t count = std::min({std::size_t(n) + 1, u, p});
      out.Copy(in, count);
      in += count;
      p -= count;
      u -= count;
    }
  }
  return unpackedSize - u;
}

class TPackbitsRLEDecoder {
 public:
  // Decodes up to `packedSize` bytes into at most `unpackedSize` plane bytes.
  // Runs are cut at the end of the plane; plane bytes that the packed data
  // does not reach are left as they are. Returns the number of bytes written.
  std::size_t Decode(const std::uint8_t* packed, std::uint8_t* plane, std::size_t packedSize,
                     std::size_t unpackedSize) const;
};

}  // namespace quenvar
