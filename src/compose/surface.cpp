#include "compose/surface.h"

#include <algorithm>
#include <new>

#include "compose/bandpool.h"
#include "formats/limits.h"
#include "host/error.h"

namespace quenvar {

TBitmap32::TBitmap32() : resampler_(std::make_unique<TNearestResampler>()) {}

TBitmap32::~TBitmap32() = default;

TBitmap32::TBitmap32(const TBitmap32& other)
    : width_(other.width_),
      height_(other.height_),
      pixels_(other.pixels_),
      start_(other.start_),
      tileX_(other.tileX_),
      tileY_(other.tileY_),
      onPixelCombine_(other.onPixelCombine_) {
  CopyProperties(other);
}

TBitmap32& TBitmap32::operator=(const TBitmap32& other) {
  if (this == &other) return *this;
  pixels_ = other.pixels_;
  TakeShift(other);
  width_ = other.width_;
  height_ = other.height_;
  onPixelCombine_ = other.onPixelCombine_;
  CopyProperties(other);
  Changed();
  return *this;
}

TBitmap32::TBitmap32(TBitmap32&& other)
    : width_(other.width_),
      height_(other.height_),
      pixels_(std::move(other.pixels_)),
      start_(other.start_),
      tileX_(other.tileX_),
      tileY_(other.tileY_),
      onPixelCombine_(other.onPixelCombine_) {
  CopyProperties(other);
  other.pixels_.clear();
  other.ClearShift();
  other.width_ = other.height_ = 0;
}

TBitmap32& TBitmap32::operator=(TBitmap32&& other) {
  if (this == &other) return *this;
  pixels_.swap(other.pixels_);
  TakeShift(other);
  width_ = other.width_;
  height_ = other.height_;
  onPixelCombine_ = other.onPixelCombine_;
  CopyProperties(other);
  std::vector<TColor32>().swap(other.pixels_);
  other.ClearShift();
  other.width_ = other.height_ = 0;
  Changed();
  return *this;
}

void TBitmap32::CopyProperties(const TBitmap32& other) {
  drawMode_ = other.drawMode_;
  combineMode_ = other.combineMode_;
  masterAlpha_ = other.masterAlpha_;
  outerColor_ = other.outerColor_;
  resampler_ = other.resampler_->Clone();
  font_ = other.font_;
}

void TBitmap32::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == 0 || height == 0) width = height = 0;
  if (width == width_ && height == height_) return;
  ClearShift();
  auto fail = [this] {
    std::vector<TColor32>().swap(pixels_);
    width_ = height_ = 0;
    throw Error("Can't allocate the DIB handle");
  };
  try {
    CheckPictureSize(width, height, "surface", true);
    std::vector<TColor32> store(std::size_t(width) * std::size_t(height));
    pixels_.swap(store);
  } catch (const Error&) {
    fail();
  } catch (const std::bad_alloc&) {
    fail();
  }
  width_ = width;
  height_ = height;
  Changed();
}

void TBitmap32::FillAll(TColor32 color) {
  if (Empty()) return;
  // A frame-sized fill (the view's background) shares the drawing threads.
  constexpr std::size_t kBandPixels = 256 * 1024;
  const std::size_t n = pixels_.size();
  const int bands = int(std::min<std::size_t>(std::size_t(ComposeThreads()) * 2,
                                              (n + kBandPixels - 1) / kBandPixels));
  TColor32* p = pixels_.data();
  auto band = [&](int i) {
    std::fill(p + n * std::size_t(i) / std::size_t(bands),
              p + n * std::size_t(i + 1) / std::size_t(bands), color);
  };
  if (bands > 1)
    RunBands(bands, band);
  else
    std::fill(p, p + n, color);
  ClearShift();
  Changed();
}

void TBitmap32::CopyFrom(const TBitmap32& other) {
  if (this == &other) return;
  Resize(other.width_, other.height_);
  // The store is taken as it lies, rotation or tile shift included.
  std::copy(other.pixels_.begin(), other.pixels_.end(), pixels_.begin());
  TakeShift(other);
  CopyProperties(other);
  Changed();
}

void TBitmap32::CopyFrom(const TPicture& picture) {
  if (picture.width < 0 || picture.height < 0 ||
      picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height))
    throw Error("picture data does not match its size");
  Resize(picture.width, picture.height);
  ClearShift();
  if (Empty()) {
    Changed();
    return;
  }
  BeginUpdate();
  // One pass: copy, and make the pixels opaque on the way unless the picture
  // carries its own alpha.
  const auto first = picture.pixels.begin();
  const auto last = first + std::ptrdiff_t(pixels_.size());
  if (picture.kind == TPictureKind::Bitmap32)
    std::copy(first, last, pixels_.begin());
  else
    std::transform(first, last, pixels_.begin(), [](TColor32 p) { return p | 0xFF000000u; });
  // A transparent bitmap's key colour becomes fully transparent.
  if (picture.transparent && picture.kind != TPictureKind::Other) {
    const TColor32 key = picture.transparentColor & 0x00FFFFFFu;
    for (auto& p : pixels_)
      if ((p & 0x00FFFFFFu) == key) p &= 0x00FFFFFFu;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::ForceOpaque(std::uint8_t alpha) {
  if (Empty()) return;
  // Every pixel alike: the rotation can stay as it is.
  const TColor32 a = TColor32(alpha) << 24;
  for (auto& p : pixels_) p = (p & 0x00FFFFFFu) | a;
  Changed();
}

TColor32 TBitmap32::PixelS(int x, int y) const {
  return BoundsRect().Contains(x, y) ? Pixel(x, y) : 0;
}

void TBitmap32::SetPixelS(int x, int y, TColor32 c) {
  if (BoundsRect().Contains(x, y)) SetPixel(x, y, c);
}

void TBitmap32::SetDrawMode(TDrawMode mode) {
  if (mode == drawMode_) return;
  drawMode_ = mode;
  Changed();
}

void TBitmap32::SetCombineMode(TCombineMode mode) {
  if (mode == combineMode_) return;
  combineMode_ = mode;
  Changed();
}

void TBitmap32::SetMasterAlpha(std::uint32_t alpha) {
  if (alpha == masterAlpha_) return;
  masterAlpha_ = alpha;
  Changed();
}

void TBitmap32::SetOuterColor(TColor32 color) {
  if (color == outerColor_) return;
  outerColor_ = color;
  Changed();
}

void TBitmap32::SetOnPixelCombine(const TPixelCombineEvent& hook) {
  if (hook == onPixelCombine_) return;
  onPixelCombine_ = hook;
  Changed();
}

void TBitmap32::SetResamplerClassName(const std::string& className) {
  if (className == resampler_->ClassName()) return;
  SetResampler(CreateResampler(className));
}

void TBitmap32::SetResampler(std::unique_ptr<TCustomResampler> resampler) {
  if (!resampler) resampler = std::make_unique<TNearestResampler>();
  resampler_ = std::move(resampler);
  Changed();
}

void TBitmap32::Changed(const TRect& area) {
  if (updateCount_ > 0 || !OnChange) return;
  OnChange(*this, area);
}

}  // namespace quenvar
