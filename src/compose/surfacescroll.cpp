// The wrap-around scrolls that animate a layer. The rotation is kept as the
// index where the picture starts in the store, the tile shift as a column and
// a row offset; pixels move only when someone asks for their addresses.
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

// The offset that moves a picture of `size` by `d` places `times` times:
// -d * times mod size, added to `offset` (< size).
int ShiftOffset(int offset, int d, std::uint64_t times, int size) {
  const std::uint64_t n = std::uint64_t(size);
  const std::uint64_t dm = std::uint64_t(((std::int64_t(d) % size) + size) % size);
  const std::uint64_t back = (n - dm) % n;
  return int((std::uint64_t(offset) + MulMod(back, times, n)) % n);
}

}  // namespace

void TBitmap32::ScrollWrap(int dx, int dy) {
  ScrollWrap(dx, dy, 1);
}

void TBitmap32::ScrollWrap(int dx, int dy, std::uint64_t times) {
  if (Empty() || (dx == 0 && dy == 0) || times == 0) return;
  // Widened so that the most negative int has a magnitude.
  if (std::llabs(std::int64_t(dx)) >= width_ || std::llabs(std::int64_t(dy)) >= height_) return;
  if (tileX_ != 0 || tileY_ != 0) UnrotateStore();

  // Pixel i moves to (i + s) mod n, so the picture now starts s places
  // earlier in the store; |s| < n follows from the bounds above.
  const std::uint64_t n = StoreSize();
  const std::int64_t s = dx + std::int64_t(dy) * width_;
  const std::uint64_t step = s >= 0 ? n - std::uint64_t(s) : std::uint64_t(-s);  // -s mod n
  start_ = std::size_t((start_ + MulMod(step, times, n)) % n);
  Changed();
}

void TBitmap32::ScrollTile(int dx, int dy, std::uint64_t times) {
  if (Empty() || times == 0) return;
  const int x = ShiftOffset(tileX_, dx, times, width_);
  const int y = ShiftOffset(tileY_, dy, times, height_);
  if (x == tileX_ && y == tileY_) return;
  if (start_ != 0) {
    UnrotateStore();
    return ScrollTile(dx, dy, times);
  }
  tileX_ = x;
  tileY_ = y;
  Changed();
}

void TBitmap32::UnrotateStore() const {
  const std::size_t n = StoreSize();
  const TColor32* from = StoreData();
  if (!StoreUnique()) {
    // The store is shared: the others keep it as it lies, and this surface
    // takes a store of its own, copied over in picture order.
    auto own = std::make_shared<TPixelBuffer>(n);
    TColor32* out = own->data();
    if (tileX_ != 0 || tileY_ != 0) {
      const std::size_t w = std::size_t(width_), tx = std::size_t(tileX_);
      for (int y = 0; y < height_; ++y) {
        const TColor32* row = from + std::size_t((y + tileY_) % height_) * w;
        std::memcpy(out + std::size_t(y) * w, row + tx, (w - tx) * sizeof(TColor32));
        std::memcpy(out + std::size_t(y) * w + (w - tx), row, tx * sizeof(TColor32));
      }
    } else {
      std::memcpy(out, from + start_, (n - start_) * sizeof(TColor32));
      std::memcpy(out + (n - start_), from, start_ * sizeof(TColor32));
    }
    store_ = std::move(own);
    start_ = 0;
    tileX_ = 0;
    tileY_ = 0;
    return;
  }
  TColor32* p = store_->data();
  if (tileX_ != 0 || tileY_ != 0) {
    // Row by row from a copy: each row is two blocks of the stored row.
    const std::vector<TColor32> copy(p, p + n);
    const std::size_t w = std::size_t(width_), tx = std::size_t(tileX_);
    for (int y = 0; y < height_; ++y) {
      const TColor32* row = copy.data() + std::size_t((y + tileY_) % height_) * w;
      TColor32* out = p + std::size_t(y) * w;
      std::memcpy(out, row + tx, (w - tx) * sizeof(TColor32));
      std::memcpy(out + (w - tx), row, tx * sizeof(TColor32));
    }
    tileX_ = 0;
    tileY_ = 0;
    return;
  }
  // Rotates the store left by start_ with one temporary buffer for the
  // shorter side, moving memory in blocks.
  const std::size_t k = start_;
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
