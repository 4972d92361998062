#include "formats/metafilecanvas.h"

#include <algorithm>
#include <cmath>

#include "host/error.h"

namespace quenvar {

MetafileCanvas::MetafileCanvas(TPicture& target, std::string fileName)
    : target_(target), fileName_(std::move(fileName)) {}

void MetafileCanvas::Spend(double work) {
  work_ += work;
  if (work_ > 4e8) throw Error(fileName_ + ": the metafile's drawing is too complex");
}

void MetafileCanvas::Save() {
  if (saved_.size() < 1000) saved_.push_back(state);
}

void MetafileCanvas::Restore(int relative) {
  std::size_t levels = relative < 0 ? std::size_t(-std::int64_t(relative)) : 1;
  if (relative > 0) {
    // An absolute level: keep that many saved states.
    if (std::size_t(relative) > saved_.size()) return;
    levels = saved_.size() - std::size_t(relative) + 1;
  }
  if (levels == 0 || levels > saved_.size()) return;
  state = saved_[saved_.size() - levels];
  saved_.resize(saved_.size() - levels);
}

MfPoint MetafileCanvas::ToDevice(double x, double y) const {
  const Mapping& m = state.map;
  double sx = 1, sy = 1;
  if (m.scalable && m.windowExtX != 0 && m.windowExtY != 0)
    sx = m.viewportExtX / m.windowExtX, sy = m.viewportExtY / m.windowExtY;
  return MfPoint{(x - m.windowOrgX) * sx + m.viewportOrgX + m.offsetX,
                 (y - m.windowOrgY) * sy + m.viewportOrgY + m.offsetY};
}

double MetafileCanvas::PenWidthDevice() const {
  const Mapping& m = state.map;
  const double scale =
      m.scalable && m.windowExtX != 0 ? std::fabs(m.viewportExtX / m.windowExtX) : 1.0;
  return std::max(1.0, state.pen.width * scale);
}

void MetafileCanvas::Plot(long x, long y, TColor32 color) {
  if (x < 0 || y < 0 || x >= target_.width || y >= target_.height) return;
  target_.pixels[std::size_t(y) * std::size_t(target_.width) + std::size_t(x)] = color;
}

void MetafileCanvas::Stamp(long x, long y, TColor32 color, double width) {
  if (width <= 1.5) return Plot(x, y, color);
  const double r = width / 2;
  const long ri = long(std::ceil(r));
  for (long dy = -ri; dy <= ri; ++dy)
    for (long dx = -ri; dx <= ri; ++dx)
      if ((dx + 0.5) * (dx + 0.5) + (dy + 0.5) * (dy + 0.5) <= r * r + 0.25)
        Plot(x + dx, y + dy, color);
}

// A line between device points, one pixel per step along the longer axis.
// Thin lines leave out their last pixel, as the platform's lines do.
void MetafileCanvas::StrokeDevice(MfPoint a, MfPoint b, bool lastPixel) {
  if (state.pen.style == 5) return;
  const double width = PenWidthDevice();
  const double limit = 4.0 * (target_.width + target_.height) + 16;
  // Clamp far-away points so a hostile file cannot make the loop run long.
  auto clamp = [&](double v) { return std::clamp(v, -limit, limit); };
  long x0 = std::lround(clamp(a.x)), y0 = std::lround(clamp(a.y));
  const long x1 = std::lround(clamp(b.x)), y1 = std::lround(clamp(b.y));
  const long dx = std::labs(x1 - x0), dy = -std::labs(y1 - y0);
  const long sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  long err = dx + dy;
  Spend(double(dx - dy + 1) * (width * width + 1));
  const bool thin = width <= 1.5;
  while (true) {
    const bool last = x0 == x1 && y0 == y1;
    if (!last || lastPixel || !thin) Stamp(x0, y0, state.pen.color, width);
    if (last) break;
    const long e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

bool MetafileCanvas::BrushCovers(const MfBrush& brush, long x, long y, TColor32* color) const {
  if (brush.style == 1) return false;
  if (brush.style != 2) {
    *color = brush.color;
    return true;
  }
  const long h = y % 8 == 0, v = x % 8 == 0, f = ((x - y) % 8 + 8) % 8 == 0, bd = (x + y) % 8 == 0;
  bool on = false;
  switch (brush.hatch) {
    case 0:
      on = h;
      break;
    case 1:
      on = v;
      break;
    case 2:
      on = f;
      break;
    case 3:
      on = bd;
      break;
    case 4:
      on = h || v;
      break;
    default:
      on = f || bd;
      break;
  }
  if (on) {
    *color = brush.color;
    return true;
  }
  if (!state.opaqueBackground) return false;
  *color = state.background;
  return true;
}

// Scan conversion at pixel centres, with the even-odd or non-zero rule.
void MetafileCanvas::FillDevice(const std::vector<std::vector<MfPoint>>& polygons,
                                const MfBrush& brush) {
  if (brush.style == 1) return;
  double top = 1e300, bottom = -1e300;
  for (const auto& poly : polygons)
    for (const MfPoint& p : poly) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  if (top > bottom) return;
  const long y0 = std::max(0L, long(std::floor(top))),
             y1 = std::min(long(target_.height) - 1, long(std::ceil(bottom)));
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<Crossing> xs;
  std::size_t edges = 0;
  for (const auto& poly : polygons) edges += poly.size();
  Spend(double(y1 - y0 + 1) * double(edges + target_.width));
  for (long y = y0; y <= y1; ++y) {
    const double cy = y + 0.5;
    xs.clear();
    for (const auto& poly : polygons) {
      for (std::size_t i = 0; i < poly.size(); ++i) {
        const MfPoint a = poly[i], b = poly[(i + 1) % poly.size()];
        if ((a.y <= cy) == (b.y <= cy)) continue;
        xs.push_back({a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y), b.y > a.y ? 1 : -1});
      }
    }
    std::sort(xs.begin(), xs.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    int winding = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += xs[i].dir;
      const bool inside = state.fillMode == 2 ? winding != 0 : (i % 2 == 0);
      if (!inside) continue;
      const long xa = std::max(0L, long(std::ceil(xs[i].x - 0.5))),
                 xb = std::min(long(target_.width) - 1, long(std::ceil(xs[i + 1].x - 0.5)) - 1);
      TColor32 color;
      for (long x = xa; x <= xb; ++x)
        if (BrushCovers(brush, x, y, &color)) Plot(x, y, color);
    }
  }
}

void MetafileCanvas::MoveTo(double x, double y) {
  state.position = {x, y};
}

void MetafileCanvas::LineTo(double x, double y) {
  StrokeDevice(ToDevice(state.position.x, state.position.y), ToDevice(x, y), false);
  state.position = {x, y};
}

void MetafileCanvas::Polyline(const std::vector<MfPoint>& points) {
  for (std::size_t i = 1; i < points.size(); ++i)
    StrokeDevice(ToDevice(points[i - 1].x, points[i - 1].y), ToDevice(points[i].x, points[i].y),
                 false);
}

void MetafileCanvas::Polygon(const std::vector<std::vector<MfPoint>>& polygons) {
  std::vector<std::vector<MfPoint>> device;
  for (const auto& poly : polygons) {
    device.emplace_back();
    for (const MfPoint& p : poly) device.back().push_back(ToDevice(p.x, p.y));
  }
  FillDevice(device, state.brush);
  for (const auto& poly : device)
    for (std::size_t i = 0; i < poly.size() && poly.size() > 1; ++i)
      StrokeDevice(poly[i], poly[(i + 1) % poly.size()], false);
}

void MetafileCanvas::Rectangle(double left, double top, double right, double bottom) {
  Polygon({{{left, top}, {right, top}, {right, bottom}, {left, bottom}}});
}

void MetafileCanvas::PatternFill(double left, double top, double right, double bottom) {
  FillDevice({{ToDevice(left, top), ToDevice(right, top), ToDevice(right, bottom),
               ToDevice(left, bottom)}},
             state.brush);
}

void MetafileCanvas::Ellipse(double left, double top, double right, double bottom) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  std::vector<MfPoint> points;
  const int steps = 72;
  for (int i = 0; i < steps; ++i) {
    const double t = 2 * M_PI * i / steps;
    points.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
  }
  Polygon({points});
}

void MetafileCanvas::DrawPicture(const TPicture& source, double dx, double dy, double dw, double dh,
                                 int sx, int sy, int sw, int sh) {
  if (source.width <= 0 || source.height <= 0 || sw == 0 || sh == 0) return;
  const MfPoint a = ToDevice(dx, dy), b = ToDevice(dx + dw, dy + dh);
  const double left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  const double top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  const bool flipX = (b.x < a.x) != (sw < 0), flipY = (b.y < a.y) != (sh < 0);
  const long x0 = std::max(0L, std::lround(left)),
             x1 = std::min(long(target_.width), std::lround(right));
  const long y0 = std::max(0L, std::lround(top)),
             y1 = std::min(long(target_.height), std::lround(bottom));
  const double w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;
  Spend(double(std::max(0L, x1 - x0)) * double(std::max(0L, y1 - y0)));
  const int aw = std::abs(sw), ah = std::abs(sh);
  const int ox = sw < 0 ? sx + sw : sx, oy = sh < 0 ? sy + sh : sy;
  for (long y = y0; y < y1; ++y) {
    double fy = (y + 0.5 - top) / h;
    if (flipY) fy = 1 - fy;
    const long py = oy + long(fy * ah);
    if (py < 0 || py >= source.height) continue;
    for (long x = x0; x < x1; ++x) {
      double fx = (x + 0.5 - left) / w;
      if (flipX) fx = 1 - fx;
      const long px = ox + long(fx * aw);
      if (px < 0 || px >= source.width) continue;
      Plot(x, y,
           source.pixels[std::size_t(py) * std::size_t(source.width) + std::size_t(px)] |
               0xFF000000u);
    }
  }
}

}  // namespace quenvar
