#include "compose/surface.h"

#include <algorithm>

#include "app/core/error.h"

namespace quenvar {

void TBitmap32::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == 0 || height == 0) width = height = 0;
  if (width == width_ && height == height_) return;
  try {
    pixels_.resize(std::size_t(width) * std::size_t(height));
    pixels_.shrink_to_fit();
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    pixels_.shrink_to_fit();
    width_ = height_ = 0;
    throw Error("Can't allocate the DIB handle");
  }
  width_ = width;
  height_ = height;
}

void TBitmap32::FillAll(TColor32 color) { std::fill(pixels_.begin(), pixels_.end(), color); }

void TBitmap32::CopyFrom(const TPicture& picture) {
  if (picture.width < 0 || picture.height < 0 ||
      picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height))
    throw Error("picture data does not match its size");
  Resize(picture.width, picture.height);
  if (Empty()) return;
  std::copy(picture.pixels.begin(), picture.pixels.begin() + pixels_.size(), pixels_.begin());
  if (picture.kind != TPictureKind::Bitmap32) ForceOpaque(255);
  if (picture.transparent && picture.kind != TPictureKind::Other) {
    const TColor32 key = picture.transparentColor & 0x00FFFFFFu;
    for (auto& p : pixels_)
      if ((p & 0x00FFFFFFu) == key) p &= 0x00FFFFFFu;
  }
}

void TBitmap32::ForceOpaque(std::uint8_t alpha) {
  const TColor32 a = TColor32(alpha) << 24;
  for (auto& p : pixels_) p = (p & 0x00FFFFFFu) | a;
}

}  // namespace quenvar
