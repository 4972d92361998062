// The few vector and text primitives surfaces offer: blended rectangles,
// outlines, anti-aliased lines and text through the installed renderer.
#include <algorithm>
#include <cmath>

#include "compose/surface.h"

namespace quenvar {
namespace {

// Each byte (alpha included) of the colour over B with weight a (1..254).
TColor32 BlendBytes(TColor32 color, TColor32 B, unsigned a) {
  TColor32 out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned c = (color >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32(((c * a + 128) >> 8) + ((b * (255 - a) + 128) >> 8)) << shift;
  }
  return out;
}

}  // namespace

void TBitmap32::FillRectBlended(const TRect& rect, TColor32 color) {
  const TRect area = IntersectRect(rect, BoundsRect());
  const unsigned a = AlphaOf(color);
  if (area.IsEmpty() || a == 0) return;
  for (int y = area.Top; y < area.Bottom; ++y) {
    TColor32* row = RowPointer(y);
    for (int x = area.Left; x < area.Right; ++x)
      row[x] = a == 255 ? color : BlendBytes(color, row[x], a);
  }
  Changed(area);
}

void TBitmap32::FrameRect(const TRect& rect, TColor32 color) {
  if (rect.IsEmpty()) return;
  const TRect area = IntersectRect(rect, BoundsRect());
  if (area.IsEmpty()) return;
  auto row = [&](int y) {
    if (y < area.Top || y >= area.Bottom) return;
    std::fill(RowPointer(y) + area.Left, RowPointer(y) + area.Right, color);
  };
  auto column = [&](int x) {
    if (x < area.Left || x >= area.Right) return;
    for (int y = area.Top; y < area.Bottom; ++y) RowPointer(y)[x] = color;
  };
  row(rect.Top);
  row(rect.Bottom - 1);
  column(rect.Left);
  column(rect.Right - 1);
  Changed(area);
}

void TBitmap32::BlendPixelAA(int x, int y, TColor32 color, unsigned coverage) {
  if (!BoundsRect().Contains(x, y) || coverage == 0) return;
  const unsigned a = (AlphaOf(color) * coverage + 127) / 255;
  if (a == 0) return;
  TColor32& b = RowPointer(y)[x];
  b = BlendReg((color & 0x00FFFFFFu) | (TColor32(a) << 24), b);
}

// Steps one pixel at a time along the major axis from the start point (the
// end point itself is not plotted) and splits each step's coverage between
// the two pixels the minor coordinate falls between.
void TBitmap32::DrawLine(float x1, float y1, float x2, float y2, TColor32 color) {
  if (Empty() || !std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) ||
      !std::isfinite(y2))
    return;
  const bool xMajor = std::fabs(double(x2) - x1) >= std::fabs(double(y2) - y1);
  // Work in (major, minor) coordinates.
  double m1 = xMajor ? x1 : y1, n1 = xMajor ? y1 : x1;
  double m2 = xMajor ? x2 : y2, n2 = xMajor ? y2 : x2;
  const double limit = xMajor ? width_ : height_;
  const double minorLimit = xMajor ? height_ : width_;
  if (m1 == m2) return;
  // Clip the major axis to just around the surface first, so that far-away
  // end points cost nothing and keep their precision. Lines inside are not
  // changed by this.
  const double lo = -1, hi = limit + 1;
  if ((m1 < lo && m2 < lo) || (m1 > hi && m2 > hi)) return;
  const double slope = (n2 - n1) / (m2 - m1);
  const double om = m1, on = n1;
  auto clip = [&](double& m, double& n) {
    const double c = std::clamp(m, lo, hi);
    if (c != m) {
      n = on + (c - om) * slope;
      m = c;
    }
  };
  clip(m1, n1);
  clip(m2, n2);
  const double major = std::fabs(m2 - m1);
  if (major == 0) return;
  const std::int64_t steps = std::int64_t(std::ceil(major));
  const double sm = (m2 - m1) / double(steps), sn = (n2 - n1) / double(steps);
  for (std::int64_t i = 0; i < steps; ++i) {
    const double m = m1 + sm * double(i), n = n1 + sn * double(i);
    const double base = std::floor(n);
    if (base < -2 || base > minorLimit + 1) continue;
    const unsigned far = unsigned(std::lround((n - base) * 255));
    const int pm = int(std::lround(m));
    const int b0 = int(base);
    if (xMajor) {
      BlendPixelAA(pm, b0, color, 255 - far);
      BlendPixelAA(pm, b0 + 1, color, far);
    } else {
      BlendPixelAA(b0, pm, color, 255 - far);
      BlendPixelAA(b0 + 1, pm, color, far);
    }
  }
  Changed();
}

void TBitmap32::DrawText(int x, int y, std::u16string_view text, int aaLevel, TColor32 color) {
  TTextRenderer* renderer = TextRenderer();
  if (!renderer || Empty() || text.empty()) return;
  renderer->DrawText(*this, x, y, text, aaLevel, color, font_);
  Changed();
}

int TBitmap32::MeasureText(std::u16string_view text) const {
  TTextRenderer* renderer = TextRenderer();
  return renderer ? renderer->MeasureText(text, font_) : 0;
}

}  // namespace quenvar
