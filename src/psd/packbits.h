#pragma once
// PackBits run-length decoding as PSD channels store it.
#include <cstddef>
#include <cstdint>

namespace quenvar {

class TPackbitsRLEDecoder {
 public:
  // Decodes up to `packedSize` bytes into at most `unpackedSize` plane bytes.
  // Runs are cut at the end of the plane; plane bytes that the packed data
  // does not reach are left as they are. Returns the number of bytes written.
  std::size_t Decode(const std::uint8_t* packed, std::uint8_t* plane, std::size_t packedSize,
                     std::size_t unpackedSize) const;
};

}  // namespace quenvar
