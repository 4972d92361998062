#include "formats/pictureutil.h"

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
  p.pixels.assign(CheckedMul(std::size_t(width), std::size_t(height)), fill);
  return p;
}

}  // namespace quenvar
