#pragma once
// Points, affine transforms and curve flattening for the metafile players.
// Plain double arithmetic; every loop count is bounded so that a hostile
// file cannot ask for endless subdivision.
#include <vector>

namespace quenvar {

struct MfPoint {
  double x = 0, y = 0;
};

using MfPolygons = std::vector<std::vector<MfPoint>>;

// Coordinates are kept within +-kMfFar pixels: far enough that no real
// drawing notices, near enough that integer conversions stay exact.
constexpr double kMfFar = 1073741824.0;  // 2^30

// A metafile transform: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.
struct MfXform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

  MfPoint Apply(MfPoint p) const {
    return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy};
  }
  // This transform, then `next`.
  MfXform Then(const MfXform& next) const;
  double Det() const { return m11 * m22 - m12 * m21; }
  // Finite and invertible, so drawing through it makes sense.
  bool Usable() const;
  bool Invert(MfXform* out) const;
  // How far the transform stretches a unit length at most.
  double MaxStretch() const;
};

// NaN goes to 0, everything else is clamped to +-kMfFar.
MfPoint ClampPoint(MfPoint p);

// Segments for a cubic Bezier so that no point strays more than a tenth of
// a pixel from the curve; between 1 and kMfMaxCurveSegments.
constexpr int kMfMaxCurveSegments = 1024;
int BezierSegments(MfPoint p0, MfPoint p1, MfPoint p2, MfPoint p3);
// Appends the points after p0, ending with p3.
void FlattenBezier(MfPoint p0, MfPoint p1, MfPoint p2, MfPoint p3, int segments,
                   std::vector<MfPoint>& out);

// Segments for an arc of `sweep` radians on a circle of `radius` pixels,
// with the same tolerance; between 1 and kMfMaxArcSegments.
constexpr int kMfMaxArcSegments = 4096;
int ArcSegments(double radius, double sweep);

// A circle as a closed polygon, for round pen ends and joins: at most
// kMfMaxCircleSegments, which stays within the tolerance up to pens some
// hundred pixels wide.
constexpr int kMfMaxCircleSegments = 256;
std::vector<MfPoint> CirclePolygon(MfPoint centre, double radius);

}  // namespace quenvar
