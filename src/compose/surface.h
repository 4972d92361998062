#pragma once
// TBitmap32: the 32-bit ARGB surface every picture lives in, with the drawing
// properties that decide how it is put onto another surface.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "compose/color32.h"
#include "compose/geometry.h"
#include "compose/pixelbuffer.h"
#include "compose/pixelcombine.h"
#include "compose/resamplers.h"
#include "compose/textrenderer.h"
#include "formats/picture.h"

namespace quenvar {

enum TDrawMode : std::uint8_t { dmOpaque, dmBlend, dmCustom };
class TDrawPlan;
enum TCombineMode : std::uint8_t { cmBlend, cmMerge };

class TBitmap32 {
 public:
  // Raised after pixels or drawing properties change, with the changed area
  // (the whole surface when the operation does not know better).
  using TChangeEvent = std::function<void(TBitmap32& sender, const TRect& area)>;

  TBitmap32();
  ~TBitmap32();
  // Copies carry pixels and all drawing properties, but not OnChange: the
  // change notification belongs to the surface's owner. A copy shares the
  // pixel store with its original until either of them writes pixels.
  TBitmap32(const TBitmap32& other);
  TBitmap32& operator=(const TBitmap32& other);
  // Moves take the pixels over without copying them; the source is left
  // empty with its properties.
  TBitmap32(TBitmap32&& other);
  TBitmap32& operator=(TBitmap32&& other);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TRect BoundsRect() const { return TRect{0, 0, width_, height_}; }

  // Negative sizes are taken as 0; 0 in either direction gives the empty
  // surface. Sizes beyond the picture limits, or memory running out, throw
  // "Can't allocate the DIB handle" and leave the surface empty. Contents are
  // undefined after a size change.
  void Resize(int width, int height);
  void FillAll(TColor32 color);
  // Takes size, pixels, draw mode, combine mode, master alpha, outer colour,
  // resampler and font; not OnPixelCombine. The pixels are shared, not
  // copied, until one side writes.
  void CopyFrom(const TBitmap32& other);
  // Takes a decoded picture's size and pixels and applies the alpha rules of
  // its kind. The rvalue form takes the picture's pixel store over and
  // converts it in place; the picture is left without pixels.
  void CopyFrom(const TPicture& picture);
  void CopyFrom(TPicture&& picture);
  // Writes `alpha` into every pixel's alpha byte.
  void ForceOpaque(std::uint8_t alpha = 255);

  // Pixel addresses. A scrolled surface first puts its pixels where these
  // promise them (see ScrollWrap), so every reader and writer sees the
  // scrolled picture in plain row-major order. The writable forms first give
  // the surface a store of its own when it shares one, so readers should
  // take the const forms (std::as_const). Like every operation, not to be
  // called on one surface from two threads at once.
  TColor32* Bits() {
    Unrotate();
    return WritableStore(true);
  }
  const TColor32* Bits() const {
    Unrotate();
    return StoreData();
  }
  TColor32* RowPointer(int y) { return Bits() + std::size_t(y) * std::size_t(width_); }
  const TColor32* RowPointer(int y) const { return Bits() + std::size_t(y) * std::size_t(width_); }
  TColor32 Pixel(int x, int y) const { return RowPointer(y)[x]; }
  void SetPixel(int x, int y, TColor32 c) { RowPointer(y)[x] = c; }
  // Checked forms: outside the surface PixelS gives 0 and SetPixelS does nothing.
  TColor32 PixelS(int x, int y) const;
  void SetPixelS(int x, int y, TColor32 c);

  // Drawing properties. Setting a property to its current value raises nothing.
  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode mode);
  TCombineMode CombineMode() const { return combineMode_; }
  void SetCombineMode(TCombineMode mode);
  std::uint32_t MasterAlpha() const { return masterAlpha_; }
  void SetMasterAlpha(std::uint32_t alpha);
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 color);
  const TPixelCombineEvent& OnPixelCombine() const { return onPixelCombine_; }
  void SetOnPixelCombine(const TPixelCombineEvent& hook);

  // The resampler used when drawing into a rectangle of another size
  // (TNearestResampler by default).
  std::string ResamplerClassName() const { return resampler_->ClassName(); }
  // Throws quenvar::Error for an unknown class name.
  void SetResamplerClassName(const std::string& className);
  TCustomResampler& Resampler() { return *resampler_; }
  const TCustomResampler& Resampler() const { return *resampler_; }
  void SetResampler(std::unique_ptr<TCustomResampler> resampler);

  TFont32& Font() { return font_; }
  const TFont32& Font() const { return font_; }

  // Draws the whole surface into `dst` on `target`, resampling when the sizes
  // differ, clipped to the target (and to `clip`).
  void StretchOnto(TBitmap32& target, const TRect& dst) const;
  void StretchOnto(TBitmap32& target, const TRect& dst, const TRect& clip) const;
  // Same-size drawing with the top-left corner at (x, y).
  void DrawTo(TBitmap32& target, int x, int y) const;

  // Rotates the picture, taken as one row-major sequence, by dx + dy * width
  // pixels. Does nothing (and raises nothing) when |dx| >= width or
  // |dy| >= height. Takes constant time: the rotation is kept as a number
  // until someone asks for pixel addresses, and drawing reads the rotated
  // picture directly.
  void ScrollWrap(int dx, int dy);
  // The same as `times` calls of ScrollWrap(dx, dy), in constant time;
  // raises OnChange once when anything moves.
  void ScrollWrap(int dx, int dy, std::uint64_t times);
  // Tiled motion: the picture moves dx across and dy down, each row and
  // column wrapping within itself, `times` times over. Any dx and dy wrap
  // (modulo the width and the height). Constant time like ScrollWrap: the
  // shift is kept as a column and a row offset. A surface holds either a
  // rotation or a tile shift; switching makes the other one real first.
  void ScrollTile(int dx, int dy, std::uint64_t times = 1);

  // The pixel store as drawing reads it, without moving anything: pixel i of
  // the picture is data[(i + start) mod size]; with a tile shift, pixel
  // (x, y) is row (y + tileY) mod height, column (x + tileX) mod width of the
  // store (start is then 0). Valid until the surface is next changed or its
  // pixel addresses are asked for.
  struct TStoreView {
    const TColor32* data = nullptr;
    std::size_t size = 0;
    std::size_t start = 0;
    int tileX = 0;
    int tileY = 0;
  };
  TStoreView Store() const { return TStoreView{StoreData(), StoreSize(), start_, tileX_, tileY_}; }
  // Whether the two surfaces hold one pixel store between them.
  bool SharesPixelsWith(const TBitmap32& other) const {
    return store_ != nullptr && store_ == other.store_;
  }

  void FillRectBlended(const TRect& rect, TColor32 color);
  // A one-pixel opaque outline on the inner edge of `rect`, clipped.
  void FrameRect(const TRect& rect, TColor32 color);
  // Anti-aliased line; the end point itself is not plotted.
  void DrawLine(float x1, float y1, float x2, float y2, TColor32 color);
  void DrawText(int x, int y, std::u16string_view text, int aaLevel, TColor32 color);
  int MeasureText(std::u16string_view text) const;

  // Loads a picture file through the format registry; reader errors propagate.
  void LoadPictureFile(const std::string& fileName);
  // Writes a 32-bit Windows bitmap; the file appears only when fully written.
  void SaveBmpFile(const std::string& fileName) const;

  // Change notification. While an update bracket is open nothing is raised.
  TChangeEvent OnChange;
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
  }
  void Changed(const TRect& area);
  void Changed() { Changed(BoundsRect()); }

  // The lock the view's canvas stage holds while it draws this surface.
  void Lock() { lock_.mutex.lock(); }
  void Unlock() { lock_.mutex.unlock(); }

 private:
  friend class TDrawPlan;  // resamples through the surface's own resampler

  struct TSurfaceLock {
    std::recursive_mutex mutex;
    TSurfaceLock() = default;
    TSurfaceLock(const TSurfaceLock&) {}
    TSurfaceLock& operator=(const TSurfaceLock&) { return *this; }
  };

  void CopyProperties(const TBitmap32& other);
  // The pixel store: shared between copies, written only by its sole owner.
  const TColor32* StoreData() const { return store_ ? store_->data() : nullptr; }
  std::size_t StoreSize() const { return store_ ? store_->size() : 0; }
  bool StoreUnique() const;
  // The store made this surface's own before a write; `keep` copies the
  // pixels over, otherwise a shared store is replaced by an unset one.
  TColor32* WritableStore(bool keep);
  // Throws "Can't allocate the DIB handle" and empties the surface when a
  // store of that size is beyond the picture limits.
  void CheckStoreSize(int width, int height);
  // A store of width x height pixels (zeroed when asked), after the size
  // checks; throws "Can't allocate the DIB handle" and empties the surface.
  void NewStore(int width, int height, bool zero);
  void BlendPixelAA(int x, int y, TColor32 color, unsigned coverage);
  // Moves the pixels so that the picture lies in the store in plain order
  // (no rotation, no tile shift).
  void Unrotate() const {
    if (start_ != 0 || tileX_ != 0 || tileY_ != 0) UnrotateStore();
  }
  void UnrotateStore() const;
  void ClearShift() {
    start_ = 0;
    tileX_ = 0;
    tileY_ = 0;
  }
  void TakeShift(const TBitmap32& other) {
    start_ = other.start_;
    tileX_ = other.tileX_;
    tileY_ = other.tileY_;
  }

  int width_ = 0;
  int height_ = 0;
  // The picture is the store rotated: pixel i in row-major order is
  // store_[(i + start_) mod n]. Mutable because making the rotation real
  // changes no pixel of the picture, so readers of a const surface may do it
  // (into a store of their own when the store is shared). The reference
  // count is atomic: a copy may be read on another thread (the recovery
  // snapshot, render threads) while the original lives on here.
  mutable std::shared_ptr<TPixelBuffer> store_;
  mutable std::size_t start_ = 0;
  // The tile shift: picture pixel (x, y) is store pixel
  // ((x + tileX_) mod width, (y + tileY_) mod height).
  mutable int tileX_ = 0;
  mutable int tileY_ = 0;
  TDrawMode drawMode_ = dmOpaque;
  TCombineMode combineMode_ = cmBlend;
  std::uint32_t masterAlpha_ = 255;
  TColor32 outerColor_ = 0;
  TPixelCombineEvent onPixelCombine_;
  std::unique_ptr<TCustomResampler> resampler_;
  TFont32 font_;
  int updateCount_ = 0;
  TSurfaceLock lock_;
};

// The two reference blends of dmBlend drawing.
// Plain blend: F over B weighted by F's alpha (all four bytes).
TColor32 BlendReg(TColor32 F, TColor32 B);
// Blend with master alpha M below 255; the result's alpha byte is 0. M of
// 255 or more gives the plain blend.
TColor32 BlendRegEx(TColor32 F, TColor32 B, std::uint32_t M);

}  // namespace quenvar
