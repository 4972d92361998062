// The wrap-around scroll that animates a layer.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "compose/surface.h"

namespace quenvar {

void TBitmap32::ScrollWrap(int dx, int dy) {
  if (Empty() || (dx == 0 && dy == 0)) return;
  // Widened so that the most negative int has a magnitude.
  if (std::llabs(std::int64_t(dx)) >= width_ || std::llabs(std::int64_t(dy)) >= height_) return;

  // The store is one sequence of n pixels rotated by s; |s| < n and s != 0
  // follow from the bounds above.
  const std::int64_t n = std::int64_t(width_) * height_;
  const std::int64_t s = dx + std::int64_t(dy) * width_;
  const std::size_t k = std::size_t(std::llabs(s));
  const std::size_t rest = std::size_t(n) - k;
  TColor32* p = pixels_.data();
  std::vector<TColor32> wrapped(k);
  if (s > 0) {
    // The last k pixels wrap to the front.
    std::memcpy(wrapped.data(), p + rest, k * sizeof(TColor32));
    std::memmove(p + k, p, rest * sizeof(TColor32));
    std::memcpy(p, wrapped.data(), k * sizeof(TColor32));
  } else {
    // The first k pixels wrap to the back.
    std::memcpy(wrapped.data(), p, k * sizeof(TColor32));
    std::memmove(p, p + k, rest * sizeof(TColor32));
    std::memcpy(p + rest, wrapped.data(), k * sizeof(TColor32));
  }
  Changed();
}

}  // namespace quenvar
