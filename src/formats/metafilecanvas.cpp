// The canvas's state, mapping, clipping and painting; the shapes and the path
// bracket are in metafileshapes.cpp.
#include "formats/metafilecanvas.h"

#include <algorithm>
#include <cmath>

#include "formats/metafileraster.h"

namespace quenvar {
namespace {

constexpr std::size_t kMaxSavedStates = 1000;

// Millimetres per logical unit of the fixed mapping modes 2 to 6.
double FixedUnitMm(int mode) {
  switch (mode) {
    case 2:
      return 0.1;
    case 3:
      return 0.01;
    case 4:
      return 0.254;
    case 5:
      return 0.0254;
    default:
      return 25.4 / 1440;
  }
}

// The pixels whose centres lie in [a, b) along one axis, within [0, size].
int Edge(double v, int size) {
  return int(std::clamp(std::ceil(v - 0.5), 0.0, double(size)));
}

}  // namespace

MetafileCanvas::MetafileCanvas(TPicture& target, std::string fileName)
    : target_(target), fileName_(std::move(fileName)), budget_(fileName_), path_(fileName_) {
  state.clip = MfClip(target.width, target.height);
}

void MetafileCanvas::SetDevice(const MfXform& toPicture, double pixelsPerMmX, double pixelsPerMmY) {
  device_ = toPicture;
  pixelsPerMmX_ = pixelsPerMmX, pixelsPerMmY_ = pixelsPerMmY;
}

void MetafileCanvas::Save() {
  if (saved_.size() < kMaxSavedStates) saved_.push_back(state);
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

MfXform MetafileCanvas::Page() const {
  const Mapping& m = state.map;
  double sx = 1, sy = 1;
  if (m.mode >= 2 && m.mode <= 6) {
    sx = FixedUnitMm(m.mode) * pixelsPerMmX_;
    sy = -FixedUnitMm(m.mode) * pixelsPerMmY_;
  } else if ((m.mode == 7 || m.mode == 8) && m.windowExtX != 0 && m.windowExtY != 0) {
    sx = m.viewportExtX / m.windowExtX, sy = m.viewportExtY / m.windowExtY;
    if (m.mode == 7) {
      // Isotropic: the smaller scale on both axes, each keeping its sign.
      const double s = std::min(std::fabs(sx), std::fabs(sy));
      sx = std::copysign(s, sx), sy = std::copysign(s, sy);
    }
  }
  return {sx, 0, 0, sy, m.viewportOrgX - m.windowOrgX * sx, m.viewportOrgY - m.windowOrgY * sy};
}

MfXform MetafileCanvas::LogicalToPicture() const {
  return state.world.Then(Page()).Then(device_);
}

MfPoint MetafileCanvas::ToPicture(MfPoint logical) const {
  return ClampPoint(LogicalToPicture().Apply(logical));
}

void MetafileCanvas::SetWorldTransform(const MfXform& xf) {
  if (xf.Usable()) state.world = xf;
}

void MetafileCanvas::ModifyWorldTransform(const MfXform& xf, unsigned mode) {
  MfXform next;
  switch (mode) {
    case 1:
      break;
    case 2:
      next = xf.Then(state.world);
      break;
    case 3:
      next = state.world.Then(xf);
      break;
    case 4:
      next = xf;
      break;
    default:
      return;
  }
  if (next.Usable()) state.world = next;
}

void MetafileCanvas::ClipShape(const std::vector<MfPoint>& corners, bool axisAligned, int mode) {
  if (axisAligned) {
    double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const MfPoint& p : corners) {
      left = std::min(left, p.x), right = std::max(right, p.x);
      top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
    const MfClip::Box box{Edge(left, target_.width), Edge(top, target_.height),
                          Edge(right, target_.width), Edge(bottom, target_.height)};
    return state.clip.CombineBox(box, mode, budget_);
  }
  state.clip.Combine(
      [&](const MfSpanSink& sink) {
        ScanPolygons({corners}, true, target_.width, target_.height, budget_, sink);
      },
      mode, budget_);
}

void MetafileCanvas::IntersectClipRect(double left, double top, double right, double bottom) {
  const MfXform m = LogicalToPicture();
  const std::vector<MfPoint> corners{ToPicture({left, top}), ToPicture({right, top}),
                                     ToPicture({right, bottom}), ToPicture({left, bottom})};
  ClipShape(corners, m.m12 == 0 && m.m21 == 0, MfClip::kAnd);
}

void MetafileCanvas::ExcludeClipRect(double left, double top, double right, double bottom) {
  const MfXform m = LogicalToPicture();
  const std::vector<MfPoint> corners{ToPicture({left, top}), ToPicture({right, top}),
                                     ToPicture({right, bottom}), ToPicture({left, bottom})};
  ClipShape(corners, m.m12 == 0 && m.m21 == 0, MfClip::kDiff);
}

void MetafileCanvas::SelectClipRects(const std::vector<MfPoint>& corners, int mode) {
  if (corners.empty()) {
    if (mode == MfClip::kCopy) state.clip = MfClip(target_.width, target_.height);
    return;
  }
  std::vector<MfClip::Box> boxes;
  for (std::size_t i = 0; i + 1 < corners.size(); i += 2) {
    const MfPoint a = ClampPoint(device_.Apply(corners[i]));
    const MfPoint b = ClampPoint(device_.Apply(corners[i + 1]));
    boxes.push_back(
        {Edge(std::min(a.x, b.x), target_.width), Edge(std::min(a.y, b.y), target_.height),
         Edge(std::max(a.x, b.x), target_.width), Edge(std::max(a.y, b.y), target_.height)});
  }
  if (boxes.size() == 1) return state.clip.CombineBox(boxes[0], mode, budget_);
  state.clip.Combine(
      [&](const MfSpanSink& sink) {
        for (const MfClip::Box& box : boxes) {
          budget_.Spend(double(box.y1 - box.y0) + 1);
          for (int y = box.y0; y < box.y1; ++y)
            if (box.x0 < box.x1) sink(y, box.x0, box.x1);
        }
      },
      mode, budget_);
}

double MetafileCanvas::PenWidthPixels() const {
  if (state.pen.cosmetic || state.pen.width == 0) return 1;
  const double w = std::fabs(state.pen.width) * std::sqrt(std::fabs(LogicalToPicture().Det()));
  if (std::isnan(w)) return 1;
  return std::min(w, 2 * kMfFar);
}

MfStrokeStyle MetafileCanvas::StrokeStyle() const {
  MfStrokeStyle style;
  style.width = PenWidthPixels();
  switch (state.pen.style & 0xF00) {
    case 0x100:
      style.cap = MfStrokeStyle::Cap::Square;
      break;
    case 0x200:
      style.cap = MfStrokeStyle::Cap::Flat;
      break;
    default:
      break;
  }
  switch (state.pen.style & 0xF000) {
    case 0x1000:
      style.join = MfStrokeStyle::Join::Bevel;
      break;
    case 0x2000:
      style.join = MfStrokeStyle::Join::Miter;
      break;
    default:
      break;
  }
  style.miterLimit = state.miterLimit;
  return style;
}

void MetafileCanvas::Plot(long x, long y, TColor32 color) {
  if (x < 0 || y < 0 || x >= target_.width || y >= target_.height) return;
  if (!state.clip.Covers(int(x), int(y))) return;
  target_.pixels[std::size_t(y) * std::size_t(target_.width) + std::size_t(x)] = color;
}

void MetafileCanvas::PaintSpan(int y, int x0, int x1, TColor32 color) {
  state.clip.Runs(y, x0, x1, [&](int a, int b) {
    budget_.Spend(double(b - a));
    TColor32* row = target_.pixels.data() + std::size_t(y) * std::size_t(target_.width);
    std::fill(row + a, row + b, color);
  });
}

// A one-pixel line between picture points, one pixel per step along the
// longer axis, through the pixels that hold the points. Open ends leave out
// their last pixel, as the platform's lines do.
void MetafileCanvas::ThinLine(MfPoint a, MfPoint b, bool lastPixel, MfDashStepper* dash) {
  // Cut the line to the picture first, so far-away points cost nothing.
  const double lo[2] = {-2, -2}, hi[2] = {target_.width + 2.0, target_.height + 2.0};
  const double p0[2] = {a.x, a.y}, d[2] = {b.x - a.x, b.y - a.y};
  double t0 = 0, t1 = 1;
  for (int axis = 0; axis < 2; ++axis) {
    if (d[axis] == 0) {
      if (p0[axis] < lo[axis] || p0[axis] > hi[axis]) return;
      continue;
    }
    double ta = (lo[axis] - p0[axis]) / d[axis], tb = (hi[axis] - p0[axis]) / d[axis];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta), t1 = std::min(t1, tb);
  }
  // A dash pattern counts the pixels of the whole line, cut away or not.
  const auto steps = [](MfPoint p, MfPoint q) {
    return long(std::max(std::fabs(std::floor(q.x) - std::floor(p.x)),
                         std::fabs(std::floor(q.y) - std::floor(p.y))));
  };
  if (t0 > t1) {
    if (dash) dash->Skip(steps(a, b));
    return;
  }
  if (t1 < 1) lastPixel = true;
  long x0 = long(std::floor(a.x + t0 * d[0])), y0 = long(std::floor(a.y + t0 * d[1]));
  const long x1 = long(std::floor(a.x + t1 * d[0])), y1 = long(std::floor(a.y + t1 * d[1]));
  const long dx = std::labs(x1 - x0), dy = -std::labs(y1 - y0);
  const long sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  long err = dx + dy;
  budget_.Spend(double(dx - dy + 1));
  long plotted = 0;
  if (dash) dash->Skip(steps(a, {a.x + t0 * d[0], a.y + t0 * d[1]}));
  while (true) {
    const bool last = x0 == x1 && y0 == y1;
    if (!last || lastPixel) {
      if (!dash || dash->Next()) Plot(x0, y0, state.pen.color);
      ++plotted;
    }
    if (last) break;
    const long e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
  if (dash && t1 < 1)
    dash->Skip(steps(a, b) - steps(a, {a.x + t0 * d[0], a.y + t0 * d[1]}) - plotted);
}

void MetafileCanvas::StrokeFigure(const MfFigure& figure) {
  if ((state.pen.style & 15) == 5 || figure.points.size() < 2) return;
  const MfStrokeStyle style = StrokeStyle();
  const std::vector<MfPoint>& pts = figure.points;
  const MfDashes dashes = DashPattern();
  if (style.width < 1.5) {
    MfDashStepper stepper(dashes);
    MfDashStepper* dash = dashes.empty() ? nullptr : &stepper;
    for (std::size_t i = 1; i < pts.size(); ++i) ThinLine(pts[i - 1], pts[i], false, dash);
    if (figure.closed) ThinLine(pts.back(), pts.front(), false, dash);
    return;
  }
  const auto paint = [&](const MfPolygons& pieces) {
    ScanPolygons(pieces, true, target_.width, target_.height, budget_,
                 [&](int y, int x0, int x1) { PaintSpan(y, x0, x1, state.pen.color); });
  };
  if (dashes.empty())
    return quenvar::StrokeFigure(pts, figure.closed, style, target_.width, target_.height, budget_,
                                 paint);
  // Each dash is a line of its own, with the pen's caps at both ends.
  SplitDashes(pts, figure.closed, dashes, style.width + 2, target_.width, target_.height, budget_,
              [&](const std::vector<MfPoint>& piece) {
                quenvar::StrokeFigure(piece, false, style, target_.width, target_.height, budget_,
                                      paint);
              });
}

MfDashes MetafileCanvas::DashPattern() const {
  const MfPen& pen = state.pen;
  const bool cosmetic = pen.cosmetic || pen.width == 0;
  std::vector<double> user = pen.userStyle;
  if (!cosmetic) {
    const double scale = std::sqrt(std::fabs(LogicalToPicture().Det()));
    for (double& v : user) v *= scale;
  }
  return quenvar::DashPattern(pen.style & 15, cosmetic, PenWidthPixels(), user);
}

bool MetafileCanvas::BrushCovers(const MfBrush& brush, long x, long y, TColor32* color) const {
  if (brush.style == 1) return false;
  if (brush.style == 3 && brush.pattern) {
    const TPicture& tile = *brush.pattern;
    const long tx = ((x % tile.width) + tile.width) % tile.width,
               ty = ((y % tile.height) + tile.height) % tile.height;
    *color = tile.pixels[std::size_t(ty) * std::size_t(tile.width) + std::size_t(tx)] | 0xFF000000u;
    return true;
  }
  if (brush.style != 2) {
    *color = brush.color;
    return true;
  }
  const bool h = y % 8 == 0, v = x % 8 == 0, f = ((x - y) % 8 + 8) % 8 == 0, bd = (x + y) % 8 == 0;
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

void MetafileCanvas::FillPolygons(const MfPolygons& polygons, bool nonZero) {
  const MfBrush brush = state.brush;
  if (brush.style == 1 || polygons.empty()) return;
  ScanPolygons(polygons, nonZero, target_.width, target_.height, budget_,
               [&](int y, int x0, int x1) {
                 if (brush.style == 0) return PaintSpan(y, x0, x1, brush.color);
                 state.clip.Runs(y, x0, x1, [&](int a, int b) {
                   budget_.Spend(double(b - a));
                   TColor32 color;
                   for (int x = a; x < b; ++x)
                     if (BrushCovers(brush, x, y, &color)) Plot(x, y, color);
                 });
               });
}

void MetafileCanvas::Draw(const MfPath& path, bool fill, bool stroke, bool nonZero) {
  if (fill) FillPolygons(path.Polygons(), nonZero);
  if (stroke)
    for (const MfFigure& figure : path.Figures()) StrokeFigure(figure);
}

}  // namespace quenvar
