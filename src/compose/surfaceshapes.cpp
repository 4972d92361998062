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
// the two pixels the minor coordinate falls between. Steps outside the
// surface are skipped without being visited.
void TBitmap32::DrawLine(float x1, float y1, float x2, float y2, TColor32 color) {
  if (Empty() || !std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) ||
      !std::isfinite(y2))
    return;
  const double dx = double(x2) - x1, dy = double(y2) - y1;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const double major = xMajor ? std::fabs(dx) : std::fabs(dy);
  if (major == 0) return;
  const double steps = std::ceil(major);
  const double sx = dx / steps, sy = dy / steps;

  // Only steps whose major coordinate lies within a pixel of the surface.
  const double start = xMajor ? x1 : y1;
  const double step = xMajor ? sx : sy;
  const double limit = xMajor ? width_ : height_;
  double first = (step > 0 ? (-1 - start) : (limit + 1 - start)) / step;
  double last = (step > 0 ? (limit + 1 - start) : (-1 - start)) / step;
  first = std::max(0.0, std::ceil(first));
  last = std::min(steps - 1, std::floor(last));
  if (last < first) return;
  // Counted in integers: at huge coordinates adding 1 to a double is lost.
  const std::int64_t count = std::int64_t(last - first) + 1;
  for (std::int64_t k = 0; k < count; ++k) {
    const double i = first + double(k);
    const double px = x1 + sx * i, py = y1 + sy * i;
    const double minor = xMajor ? py : px;
    const double base = std::floor(minor);
    if (base < -2 || base > double(xMajor ? height_ : width_) + 1) continue;
    const unsigned far = unsigned(std::lround((minor - base) * 255));
    const int m = int(std::lround(xMajor ? px : py));
    const int b0 = int(base);
    if (xMajor) {
      BlendPixelAA(m, b0, color, 255 - far);
      BlendPixelAA(m, b0 + 1, color, far);
    } else {
      BlendPixelAA(b0, m, color, 255 - far);
      BlendPixelAA(b0 + 1, m, color, far);
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
