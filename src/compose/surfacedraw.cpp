// Drawing one surface onto another: the same-size transfer and resampled
// drawing, both ending in one row combiner per draw mode.
#include <algorithm>
#include <cstring>

#include "compose/bandpool.h"
#include "compose/blendops.h"
#include "compose/kernels.h"
#include "compose/surface.h"

namespace quenvar {

TColor32 BlendReg(TColor32 F, TColor32 B) {
  const unsigned w = AlphaOf(F);
  if (w == 0) return B;
  if (w == 255) return F;
  TColor32 out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned f = (F >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32(((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8)) << shift;
  }
  return out;
}

TColor32 BlendRegEx(TColor32 F, TColor32 B, std::uint32_t M) {
  if (M >= 255) return BlendReg(F, B);  // as drawing chooses; keeps w within a byte
  const unsigned w = (AlphaOf(F) * (M + 1)) >> 8;
  if (AlphaOf(F) == 0 || w == 0) return B;
  TColor32 out = 0;  // alpha byte 0
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned f = (F >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32(((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8)) << shift;
  }
  return out;
}

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

// How one draw combines a row of source pixels into the destination. Chosen
// once per draw; the program's own operations run as row kernels.
struct RowCombiner {
  enum Kind { Opaque, Blend, BlendMaster, Merge, Kernel, Hook } kind = Opaque;
  std::uint32_t master = 255;
  TRowKernel kernel = nullptr;
  bool grid = false;  // the kernel steps the grid counter
  TPixelCombineEvent hook;

  void operator()(const TColor32* f, TColor32* b, int n) const {
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
};

// Returns false when the draw puts nothing onto the target.
bool ChooseCombiner(const TBitmap32& src, RowCombiner& c) {
  c.master = src.MasterAlpha();
  TDrawMode mode = src.DrawMode();
  if (mode == dmCustom && !src.OnPixelCombine().Assigned()) mode = dmOpaque;
  switch (mode) {
    case dmOpaque:
      c.kind = RowCombiner::Opaque;
      return true;
    case dmBlend:
      if (c.master == 0) return false;
      if (src.CombineMode() == cmMerge)
        c.kind = RowCombiner::Merge;
      else
        c.kind = c.master >= 255 ? RowCombiner::Blend : RowCombiner::BlendMaster;
      return true;
    case dmCustom: {
      TBlendOp op;
      if (FindBlendOp(src.OnPixelCombine(), op)) {
        c.kind = RowCombiner::Kernel;
        c.kernel = BlendOpRow(op);
        c.grid = op == TBlendOp::Grid4;
      } else {
        c.kind = RowCombiner::Hook;
        c.hook = src.OnPixelCombine();
      }
      return true;
    }
  }
  return false;
}

// Draws smaller than this run on the calling thread: waking the pool would
// cost more than it saves.
constexpr std::int64_t kBandMinPixels = 32 * 1024;
constexpr int kBandMinRows = 8;

// Reused between draws so drawing does not allocate once warmed up.
std::vector<TColor32>& Scratch() {
  thread_local std::vector<TColor32> scratch;
  return scratch;
}

}  // namespace

void TBitmap32::StretchOnto(TBitmap32& target, const TRect& dst) const {
  StretchOnto(target, dst, target.BoundsRect());
}

void TBitmap32::DrawTo(TBitmap32& target, int x, int y) const {
  const TRect dst{x, y, int(std::int64_t(x) + width_ > INT32_MAX ? INT32_MAX : x + width_),
                  int(std::int64_t(y) + height_ > INT32_MAX ? INT32_MAX : y + height_)};
  StretchOnto(target, dst);
}

void TBitmap32::StretchOnto(TBitmap32& target, const TRect& dst, const TRect& clip) const {
  if (Empty() || target.Empty()) return;
  const TRect area = IntersectRect(IntersectRect(dst, target.BoundsRect()), clip);
  if (area.IsEmpty()) return;
  RowCombiner combine;
  if (!ChooseCombiner(*this, combine)) return;

  // Drawing a surface onto itself reads from a copy taken first.
  if (&target == this) {
    const TBitmap32 copy(*this);
    copy.StretchOnto(target, dst, clip);
    return;
  }

  const int n = area.Width();
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  // Source rows: the surface itself, or its resampled copy of the area.
  const TColor32* source = nullptr;
  std::size_t sourceStride = 0;
  if (dw == width_ && dh == height_) {
    source = RowPointer(area.Top - dst.Top) + (area.Left - dst.Left);
    sourceStride = std::size_t(width_);
  } else {
    auto& scratch = Scratch();
    scratch.resize(std::size_t(n) * std::size_t(area.Height()));
    resampler_->Resample(*this, dst, area, scratch.data());
    source = scratch.data();
    sourceStride = std::size_t(n);
  }
  auto rows = [&](int top, int bottom) {
    for (int y = top; y < bottom; ++y)
      combine(source + std::size_t(y - area.Top) * sourceStride, target.RowPointer(y) + area.Left,
              n);
  };

  // Large draws run in bands of rows on the pool. Every pixel sees the same
  // operands as in one pass, and grid4 bands start their counter where the
  // row-major order would have it, so the bytes do not depend on the bands.
  const std::int64_t pixels = std::int64_t(n) * area.Height();
  const int threads = ComposeThreads();
  if (threads > 1 && combine.kind != RowCombiner::Hook && pixels >= kBandMinPixels) {
    const int bands = int(std::min<std::int64_t>(
        std::int64_t(threads) * 4, (area.Height() + kBandMinRows - 1) / kBandMinRows));
    const int height = area.Height();
    const std::uint16_t start = GridCounter();
    auto band = [&](int i) {
      const int top = area.Top + int(std::int64_t(height) * i / bands);
      const int bottom = area.Top + int(std::int64_t(height) * (i + 1) / bands);
      std::uint16_t counter =
          std::uint16_t(start + std::uint64_t(top - area.Top) * std::uint64_t(n));
      const TScopedGridCounter scoped(counter);
      rows(top, bottom);
    };
    RunBands(bands, band);
    if (combine.grid) GridCounter() = std::uint16_t(start + std::uint64_t(pixels));
  } else {
    rows(area.Top, area.Bottom);
  }
  target.Changed(area);
}

}  // namespace quenvar
