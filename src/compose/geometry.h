#pragma once
// Integer and single-precision rectangles in surface pixels. Right and
// bottom are exclusive.
#include <algorithm>

namespace quenvar {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(int x, int y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// The overlap of two rectangles; an empty result has no meaningful position.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) {
  return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
               std::min(a.Bottom, b.Bottom)};
}

struct TFloatRect {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

// Rounds each coordinate to the nearest integer, ties to even. Returns false
// (and leaves `out` alone) when a coordinate is NaN, infinite or beyond the
// int range, so callers draw nothing for such a rectangle.
bool RoundRect(const TFloatRect& r, TRect& out);

}  // namespace quenvar
