#pragma once
// Surfaces as plain pixel lists, for tests that compare a fast draw with a
// reference that moves the pixels for real.
#include <algorithm>
#include <random>
#include <vector>

#include "compose/surface.h"

namespace quenvar::pixeltest {

inline std::vector<TColor32> Pixels(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

inline TBitmap32 FromPixels(int w, int h, const std::vector<TColor32>& p) {
  TBitmap32 b;
  b.Resize(w, h);
  std::copy(p.begin(), p.end(), b.Bits());
  return b;
}

// A quarter opaque, an eighth transparent, the rest anything.
inline std::vector<TColor32> RandomPixels(std::mt19937& rng, std::size_t n) {
  std::vector<TColor32> p(n);
  for (auto& c : p) {
    const TColor32 r = rng();
    const unsigned pick = r & 7;
    c = pick < 2 ? (r | 0xFF000000u) : pick == 2 ? (r & 0x00FFFFFFu) : r;
  }
  return p;
}

}  // namespace quenvar::pixeltest
