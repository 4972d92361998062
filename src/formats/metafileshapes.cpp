// The canvas's shapes and its path bracket: every shape is built as figures
// in picture pixels, either into the open path or into a scratch path that
// is drawn at once.
#include <algorithm>
#include <cmath>

#include "formats/metafilecanvas.h"
#include "formats/metafileraster.h"

namespace quenvar {
namespace {

constexpr double kTwoPi = 2 * M_PI;

// An angle brought into (0, 2 pi]; a whole turn stays a whole turn.
double PositiveSweep(double a) {
  a = std::fmod(a, kTwoPi);
  return a <= 0 ? a + kTwoPi : a;
}

}  // namespace

template <class Build>
void MetafileCanvas::Shape(bool fill, Build&& build) {
  if (pathOpen_) return build(path_);
  MfPath scratch(fileName_);
  build(scratch);
  Draw(scratch, fill, true, state.fillMode == 2);
}

void MetafileCanvas::AddBezier(MfPath& path, MfPoint from, const MfPoint* controls) {
  const MfPoint c1 = ToPicture(controls[0]), c2 = ToPicture(controls[1]),
                to = ToPicture(controls[2]);
  const int segments = BezierSegments(from, c1, c2, to);
  budget_.Spend(double(segments));
  std::vector<MfPoint> points;
  FlattenBezier(from, c1, c2, to, segments, points);
  for (const MfPoint& p : points) path.LineTo(from, p), from = p;
}

void MetafileCanvas::MoveTo(MfPoint p) {
  state.position = ToPicture(p);
  if (pathOpen_) path_.MoveTo(state.position);
}

void MetafileCanvas::LineTo(MfPoint p) {
  const MfPoint to = ToPicture(p);
  Shape(false, [&](MfPath& path) { path.LineTo(state.position, to); });
  state.position = to;
}

void MetafileCanvas::PolylineTo(const std::vector<MfPoint>& points) {
  Shape(false, [&](MfPath& path) {
    for (const MfPoint& p : points) {
      const MfPoint to = ToPicture(p);
      path.LineTo(state.position, to);
      state.position = to;
    }
  });
}

void MetafileCanvas::PolyBezierTo(const std::vector<MfPoint>& points) {
  Shape(false, [&](MfPath& path) {
    for (std::size_t i = 0; i + 3 <= points.size(); i += 3) {
      AddBezier(path, state.position, &points[i]);
      state.position = ToPicture(points[i + 2]);
    }
  });
}

void MetafileCanvas::Polyline(const std::vector<MfPoint>& points) {
  if (points.size() < 2) return;
  std::vector<MfPoint> figure;
  figure.reserve(points.size());
  for (const MfPoint& p : points) figure.push_back(ToPicture(p));
  Shape(false, [&](MfPath& path) { path.AddFigure(std::move(figure), false); });
}

void MetafileCanvas::PolyBezier(const std::vector<MfPoint>& points) {
  if (points.size() < 4) return;
  Shape(false, [&](MfPath& path) {
    MfPoint from = ToPicture(points[0]);
    path.MoveTo(from);
    for (std::size_t i = 1; i + 3 <= points.size(); i += 3) {
      AddBezier(path, from, &points[i]);
      from = ToPicture(points[i + 2]);
    }
  });
}

// Point types: 6 move, 2 line, 4 Bezier (three in a row); 1 added closes
// the figure after that point.
void MetafileCanvas::PolyDraw(const std::vector<MfPoint>& points,
                              const std::vector<std::uint8_t>& types) {
  Shape(false, [&](MfPath& path) {
    for (std::size_t i = 0; i < points.size() && i < types.size(); ++i) {
      const unsigned kind = types[i] & ~1u;
      if (kind == 6) {
        state.position = ToPicture(points[i]);
        path.MoveTo(state.position);
      } else if (kind == 2) {
        const MfPoint to = ToPicture(points[i]);
        path.LineTo(state.position, to);
        state.position = to;
      } else if (kind == 4 && i + 2 < points.size() && i + 2 < types.size() &&
                 (types[i + 1] & ~1u) == 4 && (types[i + 2] & ~1u) == 4) {
        AddBezier(path, state.position, &points[i]);
        state.position = ToPicture(points[i + 2]);
        i += 2;
      } else {
        return;  // a broken type list ends the drawing
      }
      if (types[i] & 1) state.position = path.Close(state.position);
    }
  });
}

void MetafileCanvas::Polygon(const MfPolygons& polygons) {
  Shape(true, [&](MfPath& path) {
    for (const auto& poly : polygons) {
      std::vector<MfPoint> figure;
      figure.reserve(poly.size());
      for (const MfPoint& p : poly) figure.push_back(ToPicture(p));
      path.AddFigure(std::move(figure), true);
    }
  });
}

void MetafileCanvas::Rectangle(double left, double top, double right, double bottom) {
  Polygon({{{left, top}, {left, bottom}, {right, bottom}, {right, top}}});
}

// +1 when the arc runs towards growing parameter angles, -1 otherwise: on
// a picture with y downwards a growing angle turns clockwise, unless the
// mapping mirrors it.
double MetafileCanvas::ArcSign() const {
  const double mirror = LogicalToPicture().Det() < 0 ? -1 : 1;
  return (state.clockwise ? 1 : -1) * mirror;
}

// Points of the box's ellipse from parameter angle `from` over `sweep`
// (signed), in picture pixels.
std::vector<MfPoint> MetafileCanvas::ArcPoints(double left, double top, double right, double bottom,
                                               double from, double sweep) const {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  const MfXform m = LogicalToPicture();
  const int segments = ArcSegments(std::max(rx, ry) * m.MaxStretch(), sweep);
  std::vector<MfPoint> points;
  points.reserve(std::size_t(segments) + 1);
  for (int i = 0; i <= segments; ++i) {
    const double t = from + sweep * i / segments;
    points.push_back(ClampPoint(m.Apply({cx + rx * std::cos(t), cy + ry * std::sin(t)})));
  }
  return points;
}

void MetafileCanvas::Ellipse(double left, double top, double right, double bottom) {
  std::vector<MfPoint> points = ArcPoints(left, top, right, bottom, 0, ArcSign() * kTwoPi);
  budget_.Spend(double(points.size()));
  points.pop_back();  // the same as the first
  Shape(true, [&](MfPath& path) { path.AddFigure(std::move(points), true); });
}

void MetafileCanvas::RoundRect(double left, double top, double right, double bottom,
                               double cornerWidth, double cornerHeight) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const double a = std::min(std::fabs(cornerWidth), right - left),
               b = std::min(std::fabs(cornerHeight), bottom - top);
  if (a <= 0 || b <= 0) return Rectangle(left, top, right, bottom);
  // Four quarter ellipses of a x b boxes in the corners, going round the
  // same way as the arc direction does.
  std::vector<MfPoint> points;
  const double boxes[4][2] = {
      {right - a, top}, {left, top}, {left, bottom - b}, {right - a, bottom - b}};
  const double starts[4] = {0, -M_PI / 2, M_PI, M_PI / 2};
  for (int i = 0; i < 4; ++i) {
    auto quarter =
        ArcPoints(boxes[i][0], boxes[i][1], boxes[i][0] + a, boxes[i][1] + b, starts[i], -M_PI / 2);
    points.insert(points.end(), quarter.begin(), quarter.end());
  }
  budget_.Spend(double(points.size()));
  if (ArcSign() > 0) std::reverse(points.begin(), points.end());
  Shape(true, [&](MfPath& path) { path.AddFigure(std::move(points), true); });
}

void MetafileCanvas::Arc(ArcKind kind, double left, double top, double right, double bottom,
                         MfPoint start, MfPoint end) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
  if (!(rx > 0 && ry > 0)) return;
  // Parameter angles of the points where the rays meet the ellipse.
  const double t0 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
  const double t1 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
  const double sign = ArcSign();
  const double sweep = sign * PositiveSweep(sign * (t1 - t0));
  std::vector<MfPoint> points = ArcPoints(left, top, right, bottom, t0, sweep);
  budget_.Spend(double(points.size()));
  if (kind == ArcKind::kPie) points.push_back(ToPicture({cx, cy}));
  const bool closed = kind == ArcKind::kChord || kind == ArcKind::kPie;
  Shape(closed, [&](MfPath& path) {
    if (kind == ArcKind::kArcTo) {
      for (const MfPoint& p : points) path.LineTo(state.position, p), state.position = p;
    } else {
      path.AddFigure(std::move(points), closed);
    }
  });
}

void MetafileCanvas::AngleArc(MfPoint centre, double radius, double startDegrees,
                              double sweepDegrees) {
  if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || !(radius >= 0)) return;
  // Angles turn counterclockwise with y downwards, so the parameter angle
  // is their negative. More than one turn draws the circle once.
  const double from = -std::fmod(startDegrees, 360) * M_PI / 180;
  const double sweep = -std::clamp(sweepDegrees, -360.0, 360.0) * M_PI / 180;
  std::vector<MfPoint> points = ArcPoints(centre.x - radius, centre.y - radius, centre.x + radius,
                                          centre.y + radius, from, sweep);
  budget_.Spend(double(points.size()));
  const double endAngle = from - std::fmod(sweepDegrees, 360) * M_PI / 180;
  const MfPoint end =
      ToPicture({centre.x + radius * std::cos(endAngle), centre.y + radius * std::sin(endAngle)});
  Shape(false, [&](MfPath& path) {
    for (const MfPoint& p : points) path.LineTo(state.position, p), state.position = p;
  });
  state.position = end;
}

void MetafileCanvas::PatternFill(double left, double top, double right, double bottom) {
  MfPolygons polygons{{ToPicture({left, top}), ToPicture({right, top}), ToPicture({right, bottom}),
                       ToPicture({left, bottom})}};
  FillPolygons(polygons, false);
}

void MetafileCanvas::BeginPath() {
  ClearPath();
  pathOpen_ = true;
}

void MetafileCanvas::ClearPath() {
  path_.Clear();
  widened_ = false;
}

void MetafileCanvas::EndPath() {
  pathOpen_ = false;
}

void MetafileCanvas::AbortPath() {
  ClearPath();
  pathOpen_ = false;
}

void MetafileCanvas::CloseFigure() {
  if (pathOpen_) state.position = path_.Close(state.position);
}

// A widened path is a pen's pieces: only their union means anything, so it
// fills by the non-zero rule whatever the fill mode.
void MetafileCanvas::DrawPath(bool fill, bool stroke) {
  pathOpen_ = false;
  Draw(path_, fill, stroke, state.fillMode == 2 || widened_);
  ClearPath();
}

void MetafileCanvas::FillPath() {
  DrawPath(true, false);
}

void MetafileCanvas::StrokePath() {
  DrawPath(false, true);
}

void MetafileCanvas::StrokeAndFillPath() {
  DrawPath(true, true);
}

void MetafileCanvas::WidenPath() {
  pathOpen_ = false;
  if ((state.pen.style & 15) == 5) return;
  MfStrokeStyle style = StrokeStyle();
  style.width = std::max(style.width, 1.0);
  MfPath widened(fileName_);
  for (const MfFigure& figure : path_.Figures())
    quenvar::StrokeFigure(figure.points, figure.closed, style, target_.width, target_.height,
                          budget_, [&](const MfPolygons& pieces) {
                            for (const auto& piece : pieces) widened.AddFigure(piece, true);
                          });
  path_ = std::move(widened);
  widened_ = true;
}

void MetafileCanvas::SelectClipPath(int mode) {
  pathOpen_ = false;
  const MfPolygons polygons = path_.Polygons();
  const bool nonZero = state.fillMode == 2 || widened_;
  state.clip.Combine(
      [&](const MfSpanSink& sink) {
        ScanPolygons(polygons, nonZero, target_.width, target_.height, budget_, sink);
      },
      mode, budget_);
  ClearPath();
}

}  // namespace quenvar
