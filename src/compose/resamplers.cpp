#include "compose/resamplers.h"

#include <algorithm>
#include <cmath>

#include "compose/surface.h"
#include "host/error.h"

namespace quenvar {
namespace {

// Destination index i (from the rectangle's left or top) has its centre at
// source coordinate (i + 0.5) * s / d - 0.5.
double SourceCentre(std::int64_t i, int s, std::int64_t d) {
  return (double(i) + 0.5) * double(s) / double(d) - 0.5;
}

// Linear weights of one destination index: lower source index and the
// weight (0..256) of the next one.
struct LinearTap {
  int lo;
  int hi;
  unsigned w;
};

LinearTap LinearAt(std::int64_t i, int s, std::int64_t d) {
  const double u = SourceCentre(i, s, d);
  const double base = std::floor(u);
  LinearTap t;
  t.w = unsigned(std::lround((u - base) * 256));
  const std::int64_t lo = std::int64_t(base);
  t.lo = int(std::clamp<std::int64_t>(lo, 0, s - 1));
  t.hi = int(std::clamp<std::int64_t>(lo + 1, 0, s - 1));
  return t;
}

TColor32 Lerp2(TColor32 a, TColor32 b, TColor32 c, TColor32 d, unsigned wx, unsigned wy) {
  TColor32 out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned top = ((a >> shift) & 255) * (256 - wx) + ((b >> shift) & 255) * wx;
    const unsigned bottom = ((c >> shift) & 255) * (256 - wx) + ((d >> shift) & 255) * wx;
    out |= TColor32((top * (256 - wy) + bottom * wy + 32768) >> 16) << shift;
  }
  return out;
}

void ResampleLinear(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) {
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const LinearTap ty = LinearAt(std::int64_t(y) - dst.Top, src.Height(), dh);
    const TColor32* r0 = src.RowPointer(ty.lo);
    const TColor32* r1 = src.RowPointer(ty.hi);
    for (int x = clip.Left; x < clip.Right; ++x) {
      const LinearTap tx = LinearAt(std::int64_t(x) - dst.Left, src.Width(), dw);
      *out++ = Lerp2(r0[tx.lo], r0[tx.hi], r1[tx.lo], r1[tx.hi], tx.w, ty.w);
    }
  }
}

// Source box [begin, end) that destination index i covers when shrinking.
void BoxAt(std::int64_t i, int s, std::int64_t d, int& begin, int& end) {
  begin = int(i * s / d);
  end = int(std::max<std::int64_t>(begin + 1, (i + 1) * s / d));
  end = std::min(end, s);
}

void ResampleBox(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) {
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    int y0, y1;
    BoxAt(std::int64_t(y) - dst.Top, src.Height(), dh, y0, y1);
    for (int x = clip.Left; x < clip.Right; ++x) {
      int x0, x1;
      BoxAt(std::int64_t(x) - dst.Left, src.Width(), dw, x0, x1);
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const TColor32* row = src.RowPointer(sy);
        for (int sx = x0; sx < x1; ++sx)
          for (int c = 0; c < 4; ++c) sum[c] += (row[sx] >> (8 * c)) & 255;
      }
      const std::uint64_t count = std::uint64_t(y1 - y0) * std::uint64_t(x1 - x0);
      TColor32 p = 0;
      for (int c = 0; c < 4; ++c) p |= TColor32((sum[c] + count / 2) / count) << (8 * c);
      *out++ = p;
    }
  }
}

// Weights of destination indices for a convolution kernel, widened by the
// shrink factor so that shrinking filters instead of skipping pixels. All taps
// live in one array so building the table does not allocate per index.
struct KernelTable {
  std::vector<int> first;           // first source index per destination index
  std::vector<int> count;           // number of taps
  std::vector<std::size_t> offset;  // into weights
  std::vector<float> weights;

  void Add(const TCustomKernel& kernel, std::int64_t i, int s, std::int64_t d) {
    const double scale = std::min(1.0, double(d) / double(s));
    const double support = kernel.Width() / scale;
    const double u = SourceCentre(i, s, d);
    const std::int64_t lo = std::max<std::int64_t>(0, std::int64_t(std::ceil(u - support)));
    const std::int64_t hi = std::min<std::int64_t>(s - 1, std::int64_t(std::floor(u + support)));
    const std::size_t at = weights.size();
    offset.push_back(at);
    if (hi < lo) {  // centre beyond an edge: take the edge pixel
      first.push_back(int(std::clamp<std::int64_t>(std::int64_t(std::lround(u)), 0, s - 1)));
      count.push_back(1);
      weights.push_back(1.0f);
      return;
    }
    first.push_back(int(lo));
    count.push_back(int(hi - lo + 1));
    float total = 0;
    for (std::int64_t j = lo; j <= hi; ++j) {
      const float w = kernel.Filter(float((double(j) - u) * scale));
      weights.push_back(w);
      total += w;
    }
    if (total != 0)
      for (std::size_t k = at; k < weights.size(); ++k) weights[k] /= total;
  }
};

std::uint8_t ClampByte(float v) {
  return std::uint8_t(std::clamp(std::nearbyint(v), 0.0f, 255.0f));
}

}  // namespace

std::unique_ptr<TCustomKernel> TCubicKernel::Clone() const {
  return std::make_unique<TCubicKernel>(*this);
}

float TCubicKernel::Filter(float x) const {
  const float a = Coeff;
  x = std::fabs(x);
  if (x < 1) return (a + 2) * x * x * x - (a + 3) * x * x + 1;
  if (x < 2) return a * (x * x * x - 5 * x * x + 8 * x - 4);
  return 0;
}

std::unique_ptr<TCustomResampler> TNearestResampler::Clone() const {
  return std::make_unique<TNearestResampler>(*this);
}

void TNearestResampler::Resample(const TBitmap32& src, const TRect& dst, const TRect& clip,
                                 TColor32* out) {
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  const std::int64_t sw = src.Width(), sh = src.Height();
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    // The source pixel under the destination pixel's centre.
    const std::int64_t sy = ((2 * (std::int64_t(y) - dst.Top) + 1) * sh) / (2 * dh);
    const TColor32* row = src.RowPointer(int(std::min(sy, sh - 1)));
    for (int x = clip.Left; x < clip.Right; ++x) {
      const std::int64_t sx = ((2 * (std::int64_t(x) - dst.Left) + 1) * sw) / (2 * dw);
      *out++ = row[std::min(sx, sw - 1)];
    }
  }
}

std::unique_ptr<TCustomResampler> TLinearResampler::Clone() const {
  return std::make_unique<TLinearResampler>(*this);
}

void TLinearResampler::Resample(const TBitmap32& src, const TRect& dst, const TRect& clip,
                                TColor32* out) {
  ResampleLinear(src, dst, clip, out);
}

std::unique_ptr<TCustomResampler> TDraftResampler::Clone() const {
  return std::make_unique<TDraftResampler>(*this);
}

void TDraftResampler::Resample(const TBitmap32& src, const TRect& dst, const TRect& clip,
                               TColor32* out) {
  const bool shrinking = std::int64_t(dst.Right) - dst.Left <= src.Width() &&
                         std::int64_t(dst.Bottom) - dst.Top <= src.Height();
  if (shrinking)
    ResampleBox(src, dst, clip, out);
  else
    ResampleLinear(src, dst, clip, out);
}

TKernelResampler::TKernelResampler() : kernel_(std::make_unique<TCubicKernel>()) {}

TKernelResampler::TKernelResampler(const TKernelResampler& other)
    : TCustomResampler(other), kernel_(other.kernel_->Clone()) {}

std::unique_ptr<TCustomResampler> TKernelResampler::Clone() const {
  return std::make_unique<TKernelResampler>(*this);
}

void TKernelResampler::SetKernel(std::unique_ptr<TCustomKernel> kernel) {
  kernel_ = kernel ? std::move(kernel) : std::make_unique<TCubicKernel>();
}

void TKernelResampler::SetKernelClassName(const std::string& name) {
  if (name != "TCubicKernel") throw Error("Unknown kernel class: " + name);
  SetKernel(std::make_unique<TCubicKernel>());
}

// Horizontal pass over the source rows the clipped rows need, kept as floats,
// then the vertical pass per destination pixel.
void TKernelResampler::Resample(const TBitmap32& src, const TRect& dst, const TRect& clip,
                                TColor32* out) {
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  const int cw = clip.Width();

  KernelTable columns, rows;
  for (int x = 0; x < cw; ++x)
    columns.Add(*kernel_, std::int64_t(clip.Left + x) - dst.Left, src.Width(), dw);
  int rowLo = src.Height(), rowHi = -1;
  for (int y = 0; y < clip.Height(); ++y) {
    rows.Add(*kernel_, std::int64_t(clip.Top + y) - dst.Top, src.Height(), dh);
    rowLo = std::min(rowLo, rows.first.back());
    rowHi = std::max(rowHi, rows.first.back() + rows.count.back() - 1);
  }

  const std::size_t span = std::size_t(cw) * 4;
  scratch_.assign(std::size_t(rowHi - rowLo + 1) * span, 0.0f);
  for (int sy = rowLo; sy <= rowHi; ++sy) {
    const TColor32* row = src.RowPointer(sy);
    float* acc = scratch_.data() + std::size_t(sy - rowLo) * span;
    for (int x = 0; x < cw; ++x) {
      const float* w = columns.weights.data() + columns.offset[std::size_t(x)];
      const TColor32* p = row + columns.first[std::size_t(x)];
      for (int k = 0; k < columns.count[std::size_t(x)]; ++k)
        for (int c = 0; c < 4; ++c) acc[x * 4 + c] += w[k] * float((p[k] >> (8 * c)) & 255);
    }
  }
  for (int y = 0; y < clip.Height(); ++y) {
    const float* w = rows.weights.data() + rows.offset[std::size_t(y)];
    const int top = rows.first[std::size_t(y)] - rowLo;
    for (int x = 0; x < cw; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (int k = 0; k < rows.count[std::size_t(y)]; ++k) {
        const float* acc = scratch_.data() + std::size_t(top + k) * span;
        for (int c = 0; c < 4; ++c) sum[c] += w[k] * acc[x * 4 + c];
      }
      TColor32 p = 0;
      for (int c = 0; c < 4; ++c) p |= TColor32(ClampByte(sum[c])) << (8 * c);
      *out++ = p;
    }
  }
}

std::unique_ptr<TCustomResampler> CreateResampler(const std::string& className) {
  if (className == "TNearestResampler") return std::make_unique<TNearestResampler>();
  if (className == "TLinearResampler") return std::make_unique<TLinearResampler>();
  if (className == "TDraftResampler") return std::make_unique<TDraftResampler>();
  if (className == "TKernelResampler") return std::make_unique<TKernelResampler>();
  throw Error("Unknown resampler class: " + className);
}

}  // namespace quenvar
