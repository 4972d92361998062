// The canvas's bitmap records: a source bitmap, the brush's pattern and the
// picture combined bit by bit by a raster operation, alpha blending, and
// single pixels.
#include <algorithm>
#include <cmath>

#include "formats/metafilecanvas.h"
#include "formats/metafilerop.h"

namespace quenvar {
namespace {

// The pixels whose centres lie in [a, b) along one axis, within [0, size].
int PixelEdge(double v, int size) {
  return int(std::clamp(std::ceil(v - 0.5), 0.0, double(size)));
}

TColor32 SourcePixel(const TPicture& source, long x, long y) {
  return source.pixels[std::size_t(y) * std::size_t(source.width) + std::size_t(x)];
}

}  // namespace

// Calls visit(x, y, u, v) for every picture pixel whose centre, taken back to
// logical units, lies in the rectangle; u and v run from 0 to 1 across it.
// Going back pixel by pixel keeps rotated and mirrored copies right.
template <class Visit>
void MetafileCanvas::VisitRect(double dx, double dy, double dw, double dh, Visit&& visit) {
  if (dw == 0 || dh == 0) return;
  const MfXform m = LogicalToPicture();
  MfXform back;
  if (!m.Invert(&back)) return;
  double left = kMfFar, right = -kMfFar, top = kMfFar, bottom = -kMfFar;
  for (const MfPoint& c :
       {MfPoint{dx, dy}, MfPoint{dx + dw, dy}, MfPoint{dx, dy + dh}, MfPoint{dx + dw, dy + dh}}) {
    const MfPoint p = ClampPoint(m.Apply(c));
    left = std::min(left, p.x), right = std::max(right, p.x);
    top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  const int x0 = PixelEdge(left, target_.width), x1 = PixelEdge(right, target_.width);
  const int y0 = PixelEdge(top, target_.height), y1 = PixelEdge(bottom, target_.height);
  // Each pixel is taken back through the transform and combined: weighed as
  // a few of a fill's pixels.
  budget_.Spend(4 * double(std::max(0, x1 - x0)) * double(std::max(0, y1 - y0)));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      if (!state.clip.Covers(x, y)) continue;
      const MfPoint l = back.Apply({x + 0.5, y + 0.5});
      const double u = (l.x - dx) / dw, v = (l.y - dy) / dh;
      if (u >= 0 && u < 1 && v >= 0 && v < 1) visit(x, y, u, v);
    }
}

// The brush as a blit's pattern: a hatch's gaps take the background colour
// whatever the background mode, as a pattern bitmap would.
TColor32 MetafileCanvas::PatternAt(int x, int y) const {
  TColor32 color = state.background;
  BrushCovers(state.brush, x, y, &color);
  return color;
}

void MetafileCanvas::Blit(const TPicture* source, double dx, double dy, double dw, double dh,
                          int sx, int sy, int sw, int sh, std::uint32_t rop) {
  const std::uint8_t code = std::uint8_t(rop >> 16);
  const bool usesSource = RopUsesSource(code), usesPattern = RopUsesPattern(code);
  if (usesSource && (!source || source->width <= 0 || source->height <= 0 || sw == 0 || sh == 0))
    return;
  // A hollow brush gives no pattern: operations that need one draw nothing.
  if (usesPattern && state.brush.style == 1) return;
  const long aw = std::labs(sw), ah = std::labs(sh);
  VisitRect(dx, dy, dw, dh, [&](int x, int y, double u, double v) {
    TColor32 s = 0;
    if (usesSource) {
      const long ox = long(u * double(aw)), oy = long(v * double(ah));
      const long px = sw > 0 ? sx + ox : sx - 1 - ox, py = sh > 0 ? sy + oy : sy - 1 - oy;
      if (px < 0 || px >= source->width || py < 0 || py >= source->height) return;
      s = SourcePixel(*source, px, py);
    }
    const TColor32 p = usesPattern ? PatternAt(x, y) : 0;
    TColor32& d = target_.pixels[std::size_t(y) * std::size_t(target_.width) + std::size_t(x)];
    d = ApplyRop3(code, p, s, d) | 0xFF000000u;
  });
}

void MetafileCanvas::AlphaBlend(const TPicture& source, double dx, double dy, double dw, double dh,
                                int sx, int sy, int sw, int sh, std::uint32_t blend) {
  if (source.width <= 0 || source.height <= 0 || sw == 0 || sh == 0) return;
  const unsigned constant = (blend >> 16) & 255;
  const bool perPixel = ((blend >> 24) & 1) != 0;
  const long aw = std::labs(sw), ah = std::labs(sh);
  VisitRect(dx, dy, dw, dh, [&](int x, int y, double u, double v) {
    const long ox = long(u * double(aw)), oy = long(v * double(ah));
    const long px = sw > 0 ? sx + ox : sx - 1 - ox, py = sh > 0 ? sy + oy : sy - 1 - oy;
    if (px < 0 || px >= source.width || py < 0 || py >= source.height) return;
    TColor32& d = target_.pixels[std::size_t(y) * std::size_t(target_.width) + std::size_t(x)];
    d = BlendPixel(SourcePixel(source, px, py), d, constant, perPixel);
  });
}

void MetafileCanvas::SetPixel(MfPoint p, TColor32 color) {
  const MfPoint at = ToPicture(p);
  budget_.Spend(1);
  Plot(long(std::floor(at.x)), long(std::floor(at.y)), color);
}

}  // namespace quenvar
