#include "psd/packbits.h"

#include <cstring>

namespace quenvar {

namespace {

// Writes the decoded bytes one after another into a plane.
struct PlaneOut {
  std::uint8_t* at;
  void Fill(std::uint8_t value, std::size_t count) {
    std::memset(at, value, count);
    at += count;
  }
  void Copy(const std::uint8_t* bytes, std::size_t count) {
    std::memcpy(at, bytes, count);
    at += count;
  }
};

}  // namespace

std::size_t TPackbitsRLEDecoder::Decode(const std::uint8_t* packed, std::uint8_t* plane,
                                        std::size_t packedSize, std::size_t unpackedSize) const {
  PlaneOut out{plane};
  return DecodePackBits(packed, packedSize, unpackedSize, out);
}

}  // namespace quenvar
