#include "formats/metafilestroke.h"

#include <algorithm>
#include <cmath>

namespace quenvar {
namespace {

constexpr std::size_t kBatchPoints = 8192;

bool Same(MfPoint a, MfPoint b) {
  return a.x == b.x && a.y == b.y;
}

MfPoint Add(MfPoint a, MfPoint b, double k = 1) {
  return {a.x + k * b.x, a.y + k * b.y};
}

// Collects pieces, turns them all the same way and paints them in batches.
class Pieces {
 public:
  Pieces(int width, int height, MfBudget& budget,
         const std::function<void(const MfPolygons&)>& paint)
      : width_(width), height_(height), budget_(budget), paint_(paint) {}
  bool Visible(MfPoint c, double radius) const {
    return c.x + radius >= -1 && c.x - radius <= width_ + 1 && c.y + radius >= -1 &&
           c.y - radius <= height_ + 1;
  }

  // A circle holding the whole picture is the picture.
  bool Covers(MfPoint c, double radius) const {
    const double dx = std::max(std::fabs(c.x + 1), std::fabs(width_ + 1 - c.x));
    const double dy = std::max(std::fabs(c.y + 1), std::fabs(height_ + 1 - c.y));
    return dx * dx + dy * dy < radius * radius * 0.99;
  }

  void AddPicture() {
    const double w = width_ + 1.0, h = height_ + 1.0;
    Add({{-1, -1}, {w, -1}, {w, h}, {-1, h}});
  }

  void Add(std::vector<MfPoint> piece) {
    double area = 0, left = piece[0].x, right = left, top = piece[0].y, bottom = top;
    for (std::size_t i = 0; i < piece.size(); ++i) {
      const MfPoint a = piece[i], b = piece[(i + 1) % piece.size()];
      area += a.x * b.y - b.x * a.y;
      left = std::min(left, a.x), right = std::max(right, a.x);
      top = std::min(top, a.y), bottom = std::max(bottom, a.y);
    }
    if (area == 0 || right < -1 || left > width_ + 1 || bottom < -1 || top > height_ + 1) return;
    if (area < 0) std::reverse(piece.begin(), piece.end());
    budget_.Spend(double(piece.size()));
    points_ += piece.size();
    batch_.push_back(std::move(piece));
    if (points_ >= kBatchPoints) Flush();
  }

  void Flush() {
    if (!batch_.empty()) paint_(batch_);
    batch_.clear();
    points_ = 0;
  }

 private:
  int width_, height_;
  MfBudget& budget_;
  const std::function<void(const MfPolygons&)>& paint_;
  MfPolygons batch_;
  std::size_t points_ = 0;
};

class Stroker {
 public:
  Stroker(const MfStrokeStyle& style, Pieces& pieces)
      : style_(style), half_(style.width / 2), pieces_(pieces) {}

  void Segment(MfPoint a, MfPoint b) {
    const MfPoint n = Normal(Direction(a, b));
    pieces_.Add({Add(a, n), Add(b, n), Add(b, n, -1), Add(a, n, -1)});
  }

  // The corner at v, coming in along d1 and leaving along d2.
  void Join(MfPoint v, MfPoint d1, MfPoint d2) {
    const double cross = d1.x * d2.y - d1.y * d2.x, dot = d1.x * d2.x + d1.y * d2.y;
    if (std::fabs(cross) < 1e-12 && dot > 0) return;
    if (style_.join == MfStrokeStyle::Join::Round) return Round(v);
    // The outer side is the one the figure turns away from.
    const double side = cross > 0 ? -1 : 1;
    const MfPoint n1 = Normal(d1, side), n2 = Normal(d2, side);
    const double halfTurnCos = std::sqrt(std::max(0.0, (1 + dot) / 2));
    if (style_.join == MfStrokeStyle::Join::Bevel || halfTurnCos * style_.miterLimit < 1)
      return pieces_.Add({v, Add(v, n1), Add(v, n2)});
    const MfPoint bisector = Add(n1, n2);
    const double length = std::hypot(bisector.x, bisector.y);
    if (!(length > 0)) return pieces_.Add({v, Add(v, n1), Add(v, n2)});
    const double reach = half_ / halfTurnCos / length;
    pieces_.Add({v, Add(v, n1), Add(v, bisector, reach), Add(v, n2)});
  }

  // The end at p of a figure leaving p along -d.
  void Cap(MfPoint p, MfPoint d) {
    if (style_.cap == MfStrokeStyle::Cap::Round) return Round(p);
    if (style_.cap == MfStrokeStyle::Cap::Flat) return;
    const MfPoint n = Normal(d), out = Add(p, d, half_);
    pieces_.Add({Add(p, n), Add(out, n), Add(out, n, -1), Add(p, n, -1)});
  }

  void Dot(MfPoint p) {
    if (style_.cap == MfStrokeStyle::Cap::Round) return Round(p);
    if (style_.cap == MfStrokeStyle::Cap::Flat) return;
    pieces_.Add({{p.x - half_, p.y - half_},
                 {p.x + half_, p.y - half_},
                 {p.x + half_, p.y + half_},
                 {p.x - half_, p.y + half_}});
  }

  static MfPoint Direction(MfPoint a, MfPoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    return {dx / length, dy / length};
  }

 private:
  MfPoint Normal(MfPoint d, double side = 1) const {
    return {-d.y * half_ * side, d.x * half_ * side};
  }
  void Round(MfPoint c) {
    if (!pieces_.Visible(c, half_)) return;
    if (pieces_.Covers(c, half_)) return pieces_.AddPicture();
    pieces_.Add(CirclePolygon(c, half_));
  }

  const MfStrokeStyle& style_;
  double half_;
  Pieces& pieces_;
};

}  // namespace

void StrokeFigure(const std::vector<MfPoint>& points, bool closed, const MfStrokeStyle& style,
                  int width, int height, MfBudget& budget,
                  const std::function<void(const MfPolygons&)>& paint) {
  std::vector<MfPoint> pts;
  for (const MfPoint& p : points)
    if (pts.empty() || !Same(p, pts.back())) pts.push_back(p);
  if (closed && pts.size() > 1 && Same(pts.front(), pts.back())) pts.pop_back();
  if (pts.empty() || !(style.width > 0)) return;
  Pieces pieces(width, height, budget, paint);
  Stroker stroker(style, pieces);
  const std::size_t n = pts.size();
  if (n == 1) {
    stroker.Dot(pts[0]);
    return pieces.Flush();
  }
  const std::size_t segments = closed ? n : n - 1;
  for (std::size_t s = 0; s < segments; ++s) stroker.Segment(pts[s], pts[(s + 1) % n]);
  auto dir = [&](std::size_t s) { return Stroker::Direction(pts[s % n], pts[(s + 1) % n]); };
  for (std::size_t v = closed ? 0 : 1; v < (closed ? n : n - 1); ++v)
    stroker.Join(pts[v], dir(v + n - 1), dir(v));
  if (!closed) {
    const MfPoint d0 = dir(0), d1 = dir(n - 2);
    stroker.Cap(pts[0], {-d0.x, -d0.y});
    stroker.Cap(pts[n - 1], d1);
  }
  pieces.Flush();
}

}  // namespace quenvar
