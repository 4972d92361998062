#include "formats/pictureutil.h"

#include <cstring>

#include "formats/limits.h"
#include "host/error.h"

namespace quenvar {

void FailPicture(const std::string& fileName, const std::string& problem) {
  throw Error(fileName + ": " + problem);
}

TPicture NewPicture(std::int64_t width, std::int64_t height, TPictureKind kind,
                    const std::string& fileName, TColor32 fill) {
  CheckPictureSize(width, height, fileName);
  TPicture p;
  p.width = int(width);
  p.height = int(height);
  p.kind = kind;
  const std::size_t count = CheckedMul(std::size_t(width), std::size_t(height));
  // Pages of metafiles and blank pictures are large and mostly one byte
  // repeated (white, clear): those are set with memset, not a loop.
  const std::uint8_t byte = std::uint8_t(fill);
  if (fill == TColor32(byte) * 0x01010101u) {
    // The store's plain resize leaves pixels unset, so clear ones are set too.
    p.pixels.resize(count);
    std::memset(p.pixels.data(), byte, count * sizeof(TColor32));
  } else {
    p.pixels.assign(count, fill);
  }
  return p;
}

}  // namespace quenvar
