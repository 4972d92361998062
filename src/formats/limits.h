#pragma once
// The one place that holds how large a decoded picture may be. Every reader
// checks a header's size here before it allocates anything.
#include <cstdint>
#include <string>

namespace quenvar {

struct PictureLimits {
  std::int64_t maxSide = 32768;
  std::int64_t maxPixels = std::int64_t(1) << 28;
  // All the pictures and sample planes one document read may decode into:
  // a layered document holds many pictures at once.
  std::int64_t maxReadBytes = std::int64_t(4) << 30;
};

// The limits in force (tests may lower them).
PictureLimits& CurrentPictureLimits();

// Throws quenvar::Error naming `what` when width x height is negative, zero
// (unless allowEmpty) or beyond the limits.
void CheckPictureSize(std::int64_t width, std::int64_t height, const std::string& what,
                      bool allowEmpty = false);

// Overflow-checked a * b for sizes; throws quenvar::Error on overflow or
// negative operands.
std::size_t CheckedMul(std::size_t a, std::size_t b);
std::size_t CheckedAdd(std::size_t a, std::size_t b);

}  // namespace quenvar
