#include "formats/metafilegeometry.h"

#include <algorithm>
#include <cmath>

namespace quenvar {
namespace {

constexpr double kTolerance = 0.1;  // pixels

bool Finite(double v) {
  return std::isfinite(v);
}

}  // namespace

MfXform MfXform::Then(const MfXform& n) const {
  return {m11 * n.m11 + m12 * n.m21,      m11 * n.m12 + m12 * n.m22,
          m21 * n.m11 + m22 * n.m21,      m21 * n.m12 + m22 * n.m22,
          dx * n.m11 + dy * n.m21 + n.dx, dx * n.m12 + dy * n.m22 + n.dy};
}

bool MfXform::Usable() const {
  const double det = Det();
  return Finite(m11) && Finite(m12) && Finite(m21) && Finite(m22) && Finite(dx) && Finite(dy) &&
         Finite(det) && det != 0;
}

bool MfXform::Invert(MfXform* out) const {
  if (!Usable()) return false;
  const double d = Det();
  MfXform inv{m22 / d, -m12 / d, -m21 / d, m11 / d, 0, 0};
  inv.dx = -(dx * inv.m11 + dy * inv.m21);
  inv.dy = -(dx * inv.m12 + dy * inv.m22);
  if (!inv.Usable()) return false;
  *out = inv;
  return true;
}

double MfXform::MaxStretch() const {
  // The larger singular value of the linear part.
  const double sum = m11 * m11 + m12 * m12 + m21 * m21 + m22 * m22;
  const double det = Det();
  const double root = std::sqrt(std::max(0.0, sum * sum - 4 * det * det));
  return std::sqrt((sum + root) / 2);
}

MfPoint ClampPoint(MfPoint p) {
  auto clamp = [](double v) { return std::isnan(v) ? 0.0 : std::clamp(v, -kMfFar, kMfFar); };
  return {clamp(p.x), clamp(p.y)};
}

int BezierSegments(MfPoint p0, MfPoint p1, MfPoint p2, MfPoint p3) {
  // Uniform steps of 1/n stray at most 6 * d / (8 n^2), d the larger second
  // difference of the control points.
  const double d = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                            std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
  const double n = std::ceil(std::sqrt(6 * d / (8 * kTolerance)));
  if (!(n >= 1)) return 1;
  return int(std::min(n, double(kMfMaxCurveSegments)));
}

void FlattenBezier(MfPoint p0, MfPoint p1, MfPoint p2, MfPoint p3, int segments,
                   std::vector<MfPoint>& out) {
  for (int i = 1; i < segments; ++i) {
    const double t = double(i) / segments, s = 1 - t;
    const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, e = t * t * t;
    out.push_back(
        {a * p0.x + b * p1.x + c * p2.x + e * p3.x, a * p0.y + b * p1.y + c * p2.y + e * p3.y});
  }
  out.push_back(p3);
}

int ArcSegments(double radius, double sweep) {
  sweep = std::fabs(sweep);
  if (!(radius > kTolerance) || !(sweep > 0)) return 1;
  const double step = 2 * std::acos(1 - kTolerance / radius);
  const double n = std::ceil(sweep / step);
  if (!(n >= 1)) return 1;
  return int(std::min(n, double(kMfMaxArcSegments)));
}

std::vector<MfPoint> CirclePolygon(MfPoint centre, double radius) {
  const int n = std::clamp(ArcSegments(radius, 2 * M_PI), 8, kMfMaxCircleSegments);
  std::vector<MfPoint> points;
  points.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * i / n;
    points.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
  }
  return points;
}

}  // namespace quenvar
