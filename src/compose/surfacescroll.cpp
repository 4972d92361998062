// The wrap-around scroll that animates a layer. The rotation is kept as the
// index where the picture starts in the store; pixels move only when someone
// asks for their addresses.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "compose/surface.h"

namespace quenvar {

namespace {

// (a * b) mod n for a, b < n <= 2^32: the product fits in 64 bits.
std::uint64_t MulMod(std::uint64_t a, std::uint64_t b, std::uint64_t n) {
  return (a % n) * (b % n) % n;
}

}  // namespace

void TBitmap32::ScrollWrap(int dx, int dy) {
  ScrollWrap(dx, dy, 1);
}

void TBitmap32::ScrollWrap(int dx, int dy, std::uint64_t times) {
  if (Empty() || (dx == 0 && dy == 0) || times == 0) return;
  // Widened so that the most negative int has a magnitude.
  if (std::llabs(std::int64_t(dx)) >= width_ || std::llabs(std::int64_t(dy)) >= height_) return;

  // Pixel i moves to (i + s) mod n, so the picture now starts s places
  // earlier in the store; |s| < n follows from the bounds above.
  const std::uint64_t n = pixels_.size();
  const std::int64_t s = dx + std::int64_t(dy) * width_;
  const std::uint64_t step = s >= 0 ? n - std::uint64_t(s) : std::uint64_t(-s);  // -s mod n
  start_ = std::size_t((start_ + MulMod(step, times, n)) % n);
  Changed();
}

void TBitmap32::UnrotateStore() const {
  // Rotates the store left by start_ with one temporary buffer for the
  // shorter side, moving memory in blocks.
  const std::size_t n = pixels_.size();
  const std::size_t k = start_;
  TColor32* p = pixels_.data();
  if (k <= n - k) {
    // The first k pixels go to the back.
    std::vector<TColor32> front(p, p + k);
    std::memmove(p, p + k, (n - k) * sizeof(TColor32));
    std::memcpy(p + (n - k), front.data(), k * sizeof(TColor32));
  } else {
    // The last n - k pixels go to the front.
    std::vector<TColor32> back(p + k, p + n);
    std::memmove(p + (n - k), p, k * sizeof(TColor32));
    std::memcpy(p, back.data(), (n - k) * sizeof(TColor32));
  }
  start_ = 0;
}

}  // namespace quenvar
