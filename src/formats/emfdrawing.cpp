// Enhanced metafiles: the records that draw (lines, curves, shapes, arcs),
// build and use paths, and clip.
#include <cstring>
#include <vector>

#include "formats/bytereader.h"
#include "formats/emfrecords.h"
#include "formats/pictureutil.h"

namespace quenvar {
namespace {

std::vector<MfPoint> ReadPoints(ByteReader& p, std::size_t count, bool small) {
  if (count > kMfMaxPathPoints) p.Fail("a shape has more points than the player allows");
  if (count > p.Remaining() / (small ? 4 : 8)) p.Fail("point list is longer than its record");
  std::vector<MfPoint> points;
  points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double x = small ? p.I16LE() : p.I32LE();
    points.push_back({x, double(small ? p.I16LE() : p.I32LE())});
  }
  return points;
}

MfPoint ReadPoint(ByteReader& p) {
  const double x = p.I32LE();
  return {x, double(p.I32LE())};
}

float ReadFloat(ByteReader& p) {
  const std::uint32_t bits = p.U32LE();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// POLYPOLYLINE and POLYPOLYGON: the counts, then all points.
MfPolygons ReadPolyPoly(ByteReader& p, bool small) {
  const std::uint32_t polys = p.U32LE(), total = p.U32LE();
  if (polys > p.Remaining() / 4) p.Fail("polygon count is larger than its record");
  if (total > kMfMaxPathPoints) p.Fail("a shape has more points than the player allows");
  std::vector<std::uint32_t> counts;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < polys; ++i) counts.push_back(p.U32LE()), sum += counts.back();
  if (sum > total) p.Fail("polygon point counts exceed their total");
  MfPolygons all;
  for (std::uint32_t c : counts) all.push_back(ReadPoints(p, c, small));
  return all;
}

void PlayPoly(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p) {
  const bool small = type >= 85;
  p.Skip(16);  // bounds
  switch (small ? type - 83 : type) {
    case 2:  // POLYBEZIER
      return canvas.PolyBezier(ReadPoints(p, p.U32LE(), small));
    case 3:  // POLYGON
      return canvas.Polygon({ReadPoints(p, p.U32LE(), small)});
    case 4:  // POLYLINE
      return canvas.Polyline(ReadPoints(p, p.U32LE(), small));
    case 5:  // POLYBEZIERTO
      return canvas.PolyBezierTo(ReadPoints(p, p.U32LE(), small));
    case 6:  // POLYLINETO
      return canvas.PolylineTo(ReadPoints(p, p.U32LE(), small));
    case 7:  // POLYPOLYLINE
      for (const auto& line : ReadPolyPoly(p, small)) canvas.Polyline(line);
      return;
    case 8:  // POLYPOLYGON
      return canvas.Polygon(ReadPolyPoly(p, small));
    default:
      return;
  }
}

// POLYDRAW (56) and POLYDRAW16 (92): points, then a type byte for each.
void PlayPolyDraw(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p) {
  p.Skip(16);
  const std::uint32_t count = p.U32LE();
  std::vector<MfPoint> points = ReadPoints(p, count, type == 92);
  const auto bytes = p.Bytes(count);
  canvas.PolyDraw(points, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// ELLIPSE, RECTANGLE, ROUNDRECT, ARC, CHORD, PIE, ARCTO: a box first.
void PlayBoxShape(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p) {
  const double l = p.I32LE(), t = p.I32LE(), r = p.I32LE(), b = p.I32LE();
  if (type == 42) return canvas.Ellipse(l, t, r, b);
  if (type == 43) return canvas.Rectangle(l, t, r, b);
  if (type == 44) {
    const double w = p.I32LE();
    return canvas.RoundRect(l, t, r, b, w, p.I32LE());
  }
  const MfPoint start = ReadPoint(p), end = ReadPoint(p);
  using Kind = MetafileCanvas::ArcKind;
  const Kind kind = type == 45   ? Kind::kArc
                    : type == 46 ? Kind::kChord
                    : type == 47 ? Kind::kPie
                                 : Kind::kArcTo;
  canvas.Arc(kind, l, t, r, b, start, end);
}

void PlayAngleArc(MetafileCanvas& canvas, ByteReader& p) {
  const MfPoint centre = ReadPoint(p);
  const double radius = p.U32LE();
  const double start = ReadFloat(p);
  canvas.AngleArc(centre, radius, start, ReadFloat(p));
}

// EXTSELECTCLIPRGN: the region's rectangles, in device units.
void PlayClipRegion(MetafileCanvas& canvas, ByteReader& p) {
  const std::uint32_t size = p.U32LE(), mode = p.U32LE();
  std::vector<MfPoint> corners;
  if (size > 0) {
    if (size < 32 || size > p.Remaining()) p.Fail("a clipping region is larger than its record");
    p.Skip(8);  // header size, type
    const std::uint32_t count = p.U32LE();
    p.Skip(4 + 16);  // region size, bounds
    if (count > (size - 32) / 16) p.Fail("a clipping region has more rectangles than bytes");
    for (std::uint32_t i = 0; i < count; ++i) {
      corners.push_back(ReadPoint(p));
      corners.push_back(ReadPoint(p));
    }
  }
  canvas.SelectClipRects(corners, int(mode));
}

bool PlayPathRecord(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p) {
  switch (type) {
    case 59:
      canvas.BeginPath();
      return true;
    case 60:
      canvas.EndPath();
      return true;
    case 61:
      canvas.CloseFigure();
      return true;
    case 62:
      canvas.FillPath();
      return true;
    case 63:
      canvas.StrokeAndFillPath();
      return true;
    case 64:
      canvas.StrokePath();
      return true;
    case 67:
      canvas.SelectClipPath(int(p.U32LE()));
      return true;
    case 68:
      canvas.AbortPath();
      return true;
    case 65:  // FLATTENPATH: paths hold flattened curves already
      return true;
    case 66:
      canvas.WidenPath();
      return true;
    default:
      return false;
  }
}

}  // namespace

bool PlayEmfDrawing(MetafileCanvas& canvas, std::uint32_t type,
                    std::span<const std::uint8_t> record, const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8);
  if ((type >= 2 && type <= 8) || (type >= 85 && type <= 91)) {
    PlayPoly(canvas, type, p);
    return true;
  }
  switch (type) {
    case 56:
    case 92:
      PlayPolyDraw(canvas, type, p);
      return true;
    case 27:
      canvas.MoveTo(ReadPoint(p));
      return true;
    case 54:
      canvas.LineTo(ReadPoint(p));
      return true;
    case 41:
      PlayAngleArc(canvas, p);
      return true;
    case 42:
    case 43:
    case 44:
    case 45:
    case 46:
    case 47:
    case 55:
      PlayBoxShape(canvas, type, p);
      return true;
    case 29:
    case 30: {  // EXCLUDECLIPRECT, INTERSECTCLIPRECT
      const double l = p.I32LE(), t = p.I32LE(), r = p.I32LE(), b = p.I32LE();
      if (type == 29)
        canvas.ExcludeClipRect(l, t, r, b);
      else
        canvas.IntersectClipRect(l, t, r, b);
      return true;
    }
    case 75:
      PlayClipRegion(canvas, p);
      return true;
    default:
      return PlayPathRecord(canvas, type, p);
  }
}

}  // namespace quenvar
