#include "compose/drawplan.h"

#include <algorithm>
#include <cstring>

#include "compose/bandpool.h"
#include "compose/kernels.h"

namespace quenvar {

namespace {

// Merge: F over B for unpremultiplied colours, weighted by master alpha.
TColor32 MergeReg(TColor32 F, TColor32 B, std::uint32_t M) {
  const unsigned fa = M >= 255 ? AlphaOf(F) : (AlphaOf(F) * (M + 1)) >> 8;
  if (fa == 0) return B;
  const unsigned ba = AlphaOf(B);
  if (fa == 255 || ba == 0) return (F & 0x00FFFFFFu) | (TColor32(fa) << 24);
  // Result alpha and colour weights in units of 255 * 255.
  const unsigned bw = ba * (255 - fa);
  const unsigned ra = fa * 255 + bw;
  TColor32 out = TColor32((ra + 127) / 255) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned f = (F >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32((f * fa * 255 + b * bw + ra / 2) / ra) << shift;
  }
  return out;
}

// Returns false when the draw puts nothing onto the target.
bool ChooseCombiner(const TBitmap32& src, TRowCombiner& c) {
  c.master = src.MasterAlpha();
  TDrawMode mode = src.DrawMode();
  if (mode == dmCustom && !src.OnPixelCombine().Assigned()) mode = dmOpaque;
  switch (mode) {
    case dmOpaque:
      c.kind = TRowCombiner::Opaque;
      return true;
    case dmBlend:
      if (c.master == 0) return false;
      if (src.CombineMode() == cmMerge)
        c.kind = TRowCombiner::Merge;
      else
        c.kind = c.master >= 255 ? TRowCombiner::Blend : TRowCombiner::BlendMaster;
      return true;
    case dmCustom: {
      TBlendOp op;
      if (FindBlendOp(src.OnPixelCombine(), op)) {
        c.kind = TRowCombiner::Kernel;
        c.kernel = BlendOpRow(op);
        c.grid = op == TBlendOp::Grid4;
      } else {
        c.kind = TRowCombiner::Hook;
        c.hook = src.OnPixelCombine();
      }
      return true;
    }
  }
  return false;
}

// The target pixels a draw covers, or an empty rectangle.
TRect DrawArea(const TBitmap32& src, const TBitmap32& target, const TRect& dst, const TRect& clip) {
  if (src.Empty() || target.Empty()) return TRect{};
  return IntersectRect(IntersectRect(dst, target.BoundsRect()), clip);
}

// Draws smaller than this run on the calling thread: waking the pool would
// cost more than it saves.
constexpr std::int64_t kBandMinPixels = 32 * 1024;
constexpr int kBandMinRows = 8;

}  // namespace

void TRowCombiner::operator()(const TColor32* f, TColor32* b, int n) const {
  switch (kind) {
    case Opaque:
      std::memmove(b, f, std::size_t(n) * sizeof(TColor32));
      break;
    case Blend:
      ActiveKernels().blend(f, b, n, master);
      break;
    case BlendMaster:
      ActiveKernels().blendMaster(f, b, n, master);
      break;
    case Merge:
      for (int i = 0; i < n; ++i) b[i] = MergeReg(f[i], b[i], master);
      break;
    case Kernel:
      kernel(f, b, n, master);
      break;
    case Hook:
      for (int i = 0; i < n; ++i) hook(f[i], b[i], master);
      break;
  }
}

bool TDrawPlan::Prepare(const TBitmap32& src, TBitmap32& target, const TRect& dst,
                        const TRect& clip, std::vector<TColor32>& scratch) {
  area_ = DrawArea(src, target, dst, clip);
  if (area_.IsEmpty()) return false;
  combine_ = TRowCombiner{};
  if (!ChooseCombiner(src, combine_)) return false;
  target_ = target.Bits();
  targetWidth_ = std::size_t(target.Width());
  resampled_ = nullptr;
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  if (dw == src.Width() && dh == src.Height()) {
    store_ = src.Store();
    sourceWidth_ = std::size_t(src.Width());
    sourceHeight_ = std::size_t(src.Height());
    sourceLeft_ = area_.Left - dst.Left;
    sourceTop_ = area_.Top - dst.Top;
  } else {
    scratch.resize(std::size_t(area_.Width()) * std::size_t(area_.Height()));
    src.resampler_->Resample(src, dst, area_, scratch.data());
    resampled_ = scratch.data();
  }
  return true;
}

void TDrawPlan::DrawRow(int y, TColor32* row) const {
  const int n = area_.Width();
  if (resampled_) {
    combine_(resampled_ + std::size_t(y - area_.Top) * std::size_t(n), row, n);
    return;
  }
  if (store_.tileX != 0 || store_.tileY != 0) {
    // A tile shift: the picture's row lies in one stored row, its columns
    // starting at (left + tileX) mod width and wrapping within it at most once.
    std::size_t r = std::size_t(y - area_.Top + sourceTop_) + std::size_t(store_.tileY);
    if (r >= sourceHeight_) r -= sourceHeight_;
    std::size_t c = std::size_t(sourceLeft_) + std::size_t(store_.tileX);
    if (c >= sourceWidth_) c -= sourceWidth_;
    const TColor32* stored = store_.data + r * sourceWidth_;
    const std::size_t first = std::min(std::size_t(n), sourceWidth_ - c);
    combine_(stored + c, row, int(first));
    if (first < std::size_t(n)) combine_(stored, row + first, int(std::size_t(n) - first));
    return;
  }
  // Row y of the picture starts at store index (y * width + start) mod size
  // and wraps past the end of the store at most once.
  const std::size_t size = store_.size;
  std::size_t at = std::size_t(y - area_.Top + sourceTop_) * sourceWidth_ +
                   std::size_t(sourceLeft_) + store_.start;
  if (at >= size) at -= size;
  const std::size_t first = std::min(std::size_t(n), size - at);
  combine_(store_.data + at, row, int(first));
  if (first < std::size_t(n)) combine_(store_.data, row + first, int(std::size_t(n) - first));
}

void TDrawPlan::DrawRows(int top, int bottom) const {
  top = std::max(top, area_.Top);
  bottom = std::min(bottom, area_.Bottom);
  if (top >= bottom) return;
  auto rows = [&] {
    for (int y = top; y < bottom; ++y)
      DrawRow(y, target_ + std::size_t(y) * targetWidth_ + std::size_t(area_.Left));
  };
  if (!combine_.grid) return rows();
  std::uint16_t counter =
      std::uint16_t(gridStart_ + std::uint64_t(top - area_.Top) * std::uint64_t(area_.Width()));
  const TScopedGridCounter scoped(counter);
  rows();
}

void TDrawPlan::Draw() {
  if (combine_.kind == TRowCombiner::Hook) {
    // The hook's calls stay in order on this thread.
    DrawRows(area_.Top, area_.Bottom);
    return;
  }
  gridStart_ = GridCounter();
  const int threads = ComposeThreads();
  if (threads > 1 && Pixels() >= kBandMinPixels) {
    const int height = area_.Height();
    const int bands = int(std::min<std::int64_t>(std::int64_t(threads) * 4,
                                                 (height + kBandMinRows - 1) / kBandMinRows));
    auto band = [&](int i) {
      DrawRows(area_.Top + int(std::int64_t(height) * i / bands),
               area_.Top + int(std::int64_t(height) * (i + 1) / bands));
    };
    RunBands(bands, band);
  } else {
    DrawRows(area_.Top, area_.Bottom);
  }
  if (combine_.grid) GridCounter() = std::uint16_t(gridStart_ + std::uint64_t(Pixels()));
}

std::int64_t GridStepsOfDraw(const TBitmap32& src, const TBitmap32& target, const TRect& dst,
                             const TRect& clip) {
  const TRect area = DrawArea(src, target, dst, clip);
  if (area.IsEmpty()) return 0;
  TRowCombiner combine;
  if (!ChooseCombiner(src, combine) || !combine.grid) return 0;
  return std::int64_t(area.Width()) * area.Height();
}

}  // namespace quenvar
