#include "formats/limits.h"

#include <limits>

#include "host/error.h"

namespace quenvar {

PictureLimits& CurrentPictureLimits() {
  static PictureLimits limits;
  return limits;
}

void CheckPictureSize(std::int64_t width, std::int64_t height, const std::string& what,
                      bool allowEmpty) {
  const PictureLimits& lim = CurrentPictureLimits();
  if (width < 0 || height < 0)
    throw Error(what + ": negative picture size " + std::to_string(width) + " x " +
                std::to_string(height));
  if ((width == 0 || height == 0) && !allowEmpty)
    throw Error(what + ": empty picture (" + std::to_string(width) + " x " +
                std::to_string(height) + ")");
  if (width > lim.maxSide || height > lim.maxSide || width * height > lim.maxPixels)
    throw Error(what + ": picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is larger than the limit of " + std::to_string(lim.maxSide) +
                " per side and " + std::to_string(lim.maxPixels) + " pixels");
}

std::size_t CheckedMul(std::size_t a, std::size_t b) {
  if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a)
    throw Error("size arithmetic overflow");
  return a * b;
}

std::size_t CheckedAdd(std::size_t a, std::size_t b) {
  if (b > std::numeric_limits<std::size_t>::max() - a) throw Error("size arithmetic overflow");
  return a + b;
}

}  // namespace quenvar
