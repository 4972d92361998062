#include "compose/surface.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>

#include "compose/bandpool.h"
#include "formats/limits.h"
#include "host/error.h"

namespace quenvar {

TBitmap32::TBitmap32() : resampler_(std::make_unique<TNearestResampler>()) {}

TBitmap32::~TBitmap32() = default;

TBitmap32::TBitmap32(const TBitmap32& other)
    : width_(other.width_),
      height_(other.height_),
      store_(other.store_),
      start_(other.start_),
      tileX_(other.tileX_),
      tileY_(other.tileY_),
      onPixelCombine_(other.onPixelCombine_) {
  CopyProperties(other);
}

TBitmap32& TBitmap32::operator=(const TBitmap32& other) {
  if (this == &other) return *this;
  store_ = other.store_;
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
      store_(std::move(other.store_)),
      start_(other.start_),
      tileX_(other.tileX_),
      tileY_(other.tileY_),
      onPixelCombine_(other.onPixelCombine_) {
  CopyProperties(other);
  other.store_.reset();
  other.ClearShift();
  other.width_ = other.height_ = 0;
}

TBitmap32& TBitmap32::operator=(TBitmap32&& other) {
  if (this == &other) return *this;
  store_ = std::move(other.store_);
  TakeShift(other);
  width_ = other.width_;
  height_ = other.height_;
  onPixelCombine_ = other.onPixelCombine_;
  CopyProperties(other);
  other.store_.reset();
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

bool TBitmap32::StoreUnique() const {
  if (store_.use_count() != 1) return false;
  // Another owner may just have let go after reading on its own thread; its
  // reads must be over before this thread writes.
  std::atomic_thread_fence(std::memory_order_acquire);
  return true;
}

TColor32* TBitmap32::WritableStore(bool keep) {
  if (!store_) return nullptr;
  if (!StoreUnique()) {
    store_ = keep ? std::make_shared<TPixelBuffer>(store_->begin(), store_->end())
                  : std::make_shared<TPixelBuffer>(store_->size());
  }
  return store_->data();
}

void TBitmap32::CheckStoreSize(int width, int height) {
  try {
    CheckPictureSize(width, height, "surface", true);
  } catch (const Error&) {
    store_.reset();
    ClearShift();
    width_ = height_ = 0;
    throw Error("Can't allocate the DIB handle");
  }
}

void TBitmap32::NewStore(int width, int height, bool zero) {
  CheckStoreSize(width, height);
  ClearShift();
  try {
    const std::size_t n = std::size_t(width) * std::size_t(height);
    store_.reset();  // the old store goes first: both never need to fit at once
    if (n > 0)
      store_ =
          zero ? std::make_shared<TPixelBuffer>(n, TColor32(0)) : std::make_shared<TPixelBuffer>(n);
  } catch (const std::bad_alloc&) {
    store_.reset();
    width_ = height_ = 0;
    throw Error("Can't allocate the DIB handle");
  }
  width_ = width;
  height_ = height;
}

void TBitmap32::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == 0 || height == 0) width = height = 0;
  if (width == width_ && height == height_) return;
  NewStore(width, height, true);
  Changed();
}

void TBitmap32::FillAll(TColor32 color) {
  if (Empty()) return;
  // Every pixel is overwritten: a shared store is replaced, not copied.
  ClearShift();
  TColor32* p = WritableStore(false);
  // A frame-sized fill (the view's background) shares the drawing threads.
  constexpr std::size_t kBandPixels = 256 * 1024;
  const std::size_t n = StoreSize();
  const int bands = int(std::min<std::size_t>(std::size_t(ComposeThreads()) * 2,
                                              (n + kBandPixels - 1) / kBandPixels));
  auto band = [&](int i) {
    std::fill(p + n * std::size_t(i) / std::size_t(bands),
              p + n * std::size_t(i + 1) / std::size_t(bands), color);
  };
  if (bands > 1)
    RunBands(bands, band);
  else
    std::fill(p, p + n, color);
  Changed();
}

void TBitmap32::CopyFrom(const TBitmap32& other) {
  if (this == &other) return;
  // The store is taken as it lies, rotation or tile shift included, and
  // shared until one side writes. A size this surface could not hold is
  // refused as a store of that size would be.
  CheckStoreSize(other.width_, other.height_);
  store_ = other.store_;
  width_ = other.width_;
  height_ = other.height_;
  TakeShift(other);
  CopyProperties(other);
  Changed();
}

namespace {

void CheckPictureData(const TPicture& picture) {
  if (picture.width < 0 || picture.height < 0 ||
      picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height))
    throw Error("picture data does not match its size");
}

// The alpha rules of a picture's kind, from `in` to `out` (which may be the
// same store).
void ConvertPicturePixels(const TPicture& picture, const TColor32* in, TColor32* out,
                          std::size_t n) {
  // One pass: copy, and make the pixels opaque on the way unless the picture
  // carries its own alpha.
  if (picture.kind == TPictureKind::Bitmap32) {
    if (in != out) std::copy(in, in + n, out);
  } else {
    std::transform(in, in + n, out, [](TColor32 p) { return p | 0xFF000000u; });
  }
  // A transparent bitmap's key colour becomes fully transparent.
  if (picture.transparent && picture.kind != TPictureKind::Other) {
    const TColor32 key = picture.transparentColor & 0x00FFFFFFu;
    for (TColor32* p = out; p != out + n; ++p)
      if ((*p & 0x00FFFFFFu) == key) *p &= 0x00FFFFFFu;
  }
}

}  // namespace

void TBitmap32::CopyFrom(const TPicture& picture) {
  CheckPictureData(picture);
  const int w = picture.width == 0 || picture.height == 0 ? 0 : picture.width;
  const int h = w == 0 ? 0 : picture.height;
  // Every pixel is written below, so the new store is not zeroed first.
  NewStore(w, h, false);
  if (!Empty()) ConvertPicturePixels(picture, picture.pixels.data(), store_->data(), StoreSize());
  Changed();
}

void TBitmap32::CopyFrom(TPicture&& picture) {
  CheckPictureData(picture);
  const std::size_t n = std::size_t(picture.width) * std::size_t(picture.height);
  if (n == 0 || picture.pixels.size() != n) return CopyFrom(std::as_const(picture));
  // The same limits as a store of that size would meet.
  CheckStoreSize(picture.width, picture.height);
  ConvertPicturePixels(picture, picture.pixels.data(), picture.pixels.data(), n);
  ClearShift();
  store_ = std::make_shared<TPixelBuffer>(std::move(picture.pixels));
  picture.pixels = TPixelBuffer();
  width_ = picture.width;
  height_ = picture.height;
  Changed();
}

void TBitmap32::ForceOpaque(std::uint8_t alpha) {
  if (Empty()) return;
  // Every pixel alike: the rotation can stay as it is.
  const TColor32 a = TColor32(alpha) << 24;
  const auto set = [a](TColor32 p) { return (p & 0x00FFFFFFu) | a; };
  if (StoreUnique()) {
    for (auto& p : *store_) p = set(p);
  } else if (std::any_of(store_->begin(), store_->end(),
                         [a](TColor32 p) { return (p & 0xFF000000u) != a; })) {
    // A shared store is only copied when some alpha really changes.
    auto own = std::make_shared<TPixelBuffer>(store_->size());
    std::transform(store_->begin(), store_->end(), own->begin(), set);
    store_ = std::move(own);
  }
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
