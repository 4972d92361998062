// The canvas's region records: a region, given as logical rectangles, is
// filled with a brush, framed, or inverted.
#include <algorithm>
#include <cmath>

#include "formats/metafilecanvas.h"
#include "formats/metafileraster.h"

namespace quenvar {

// The rectangles as polygons in picture pixels; all turn the same way, so
// the winding rule gives their union.
MfPolygons MetafileCanvas::RegionPolygons(const Rects& rects) const {
  MfPolygons polygons;
  polygons.reserve(rects.size());
  for (const auto& r : rects) {
    const double left = std::min(r[0], r[2]), right = std::max(r[0], r[2]);
    const double top = std::min(r[1], r[3]), bottom = std::max(r[1], r[3]);
    polygons.push_back({ToPicture({left, top}), ToPicture({right, top}), ToPicture({right, bottom}),
                        ToPicture({left, bottom})});
  }
  return polygons;
}

void MetafileCanvas::FillRegion(const Rects& rects, const MfBrush& brush) {
  const MfBrush current = state.brush;
  state.brush = brush;
  FillPolygons(RegionPolygons(rects), true);
  state.brush = current;
}

void MetafileCanvas::InvertRegion(const Rects& rects) {
  ScanPolygons(RegionPolygons(rects), true, target_.width, target_.height, budget_,
               [&](int y, int x0, int x1) {
                 state.clip.Runs(y, x0, x1, [&](int a, int b) {
                   budget_.Spend(double(b - a));
                   TColor32* row =
                       target_.pixels.data() + std::size_t(y) * std::size_t(target_.width);
                   for (int x = a; x < b; ++x) row[x] ^= 0x00FFFFFFu;
                 });
               });
}

// The frame is the part of the region less than `width` pixels from its
// outside across, or less than `height` pixels up or down.
void MetafileCanvas::FrameRegion(const Rects& rects, const MfBrush& brush, double width,
                                 double height) {
  const MfXform m = LogicalToPicture();
  const auto pixels = [](double v) { return long(std::clamp(std::nearbyint(v), 1.0, 1e6)); };
  const long fw = pixels(std::fabs(width) * std::hypot(m.m11, m.m12));
  const long fh = pixels(std::fabs(height) * std::hypot(m.m21, m.m22));
  // The region's pixels, as a mask over the rows and columns it reaches.
  struct Span {
    int y, x0, x1;
  };
  std::vector<Span> spans;
  int left = target_.width, right = 0, top = target_.height, bottom = 0;
  ScanPolygons(RegionPolygons(rects), true, target_.width, target_.height, budget_,
               [&](int y, int x0, int x1) {
                 spans.push_back({y, x0, x1});
                 left = std::min(left, x0), right = std::max(right, x1);
                 top = std::min(top, y), bottom = std::max(bottom, y + 1);
               });
  if (spans.empty()) return;
  const std::size_t w = std::size_t(right - left), h = std::size_t(bottom - top);
  budget_.Spend(4 * double(w) * double(h));
  enum : std::uint8_t { kInside = 1, kFrame = 2 };
  std::vector<std::uint8_t> mask(w * h, 0);
  auto at = [&](std::size_t x, std::size_t y) -> std::uint8_t& { return mask[y * w + x]; };
  for (const Span& s : spans)
    for (int x = s.x0; x < s.x1; ++x) at(std::size_t(x - left), std::size_t(s.y - top)) = kInside;
  // Runs of inside pixels, counted from each of the four directions; the
  // region's outside includes everything beyond the mask.
  // A region running off the picture goes on beyond its edge.
  const long fromLeft = left == 0 ? fw : 0, fromRight = right == target_.width ? fw : 0;
  const long fromTop = top == 0 ? fh : 0, fromBottom = bottom == target_.height ? fh : 0;
  for (std::size_t y = 0; y < h; ++y) {
    long run = fromLeft;
    for (std::size_t x = 0; x < w; ++x) {
      run = (at(x, y) & kInside) ? run + 1 : 0;
      if (run && run <= fw) at(x, y) |= kFrame;
    }
    run = fromRight;
    for (std::size_t x = w; x-- > 0;) {
      run = (at(x, y) & kInside) ? run + 1 : 0;
      if (run && run <= fw) at(x, y) |= kFrame;
    }
  }
  for (std::size_t x = 0; x < w; ++x) {
    long run = fromTop;
    for (std::size_t y = 0; y < h; ++y) {
      run = (at(x, y) & kInside) ? run + 1 : 0;
      if (run && run <= fh) at(x, y) |= kFrame;
    }
    run = fromBottom;
    for (std::size_t y = h; y-- > 0;) {
      run = (at(x, y) & kInside) ? run + 1 : 0;
      if (run && run <= fh) at(x, y) |= kFrame;
    }
  }
  for (std::size_t y = 0; y < h; ++y)
    for (std::size_t x = 0; x < w; ++x) {
      TColor32 color;
      if ((at(x, y) & kFrame) && BrushCovers(brush, long(x) + left, long(y) + top, &color))
        Plot(long(x) + left, long(y) + top, color);
    }
}

}  // namespace quenvar
