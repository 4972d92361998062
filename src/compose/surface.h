#pragma once
// TBitmap32: the 32-bit ARGB surface every picture lives in.
#include <cstdint>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "formats/picture.h"

namespace quenvar {

class TBitmap32 {
 public:
  TBitmap32() = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Negative sizes are taken as 0; 0 in either direction gives the empty surface.
  void Resize(int width, int height);
  void FillAll(TColor32 color);
  // Takes a decoded picture's size and pixels and applies the alpha rules of
  // its kind.
  void CopyFrom(const TPicture& picture);
  // Writes `alpha` into every pixel's alpha byte.
  void ForceOpaque(std::uint8_t alpha = 255);

  TColor32* Bits() { return pixels_.data(); }
  const TColor32* Bits() const { return pixels_.data(); }
  TColor32* RowPointer(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
  const TColor32* RowPointer(int y) const {
    return pixels_.data() + std::size_t(y) * std::size_t(width_);
  }
  TColor32 Pixel(int x, int y) const { return RowPointer(y)[x]; }
  void SetPixel(int x, int y, TColor32 c) { RowPointer(y)[x] = c; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<TColor32> pixels_;
};

}  // namespace quenvar
