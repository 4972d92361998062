#pragma once
// The drawing surface the metafile players draw on: the graphics state a
// metafile changes (pen, brush, fill mode, mapping, current position) and the
// few drawing operations its common records need, rasterised into a picture.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/picture.h"

namespace quenvar {

struct MfPoint {
  double x = 0, y = 0;
};

struct MfPen {
  unsigned style = 0;  // 5: no outline
  double width = 1;    // logical units; 0 means one pixel
  TColor32 color = 0xFF000000u;
};

struct MfBrush {
  unsigned style = 0;  // 0 solid, 1 none, 2 hatched
  unsigned hatch = 0;
  TColor32 color = 0xFFFFFFFFu;
};

class MetafileCanvas {
 public:
  // Draws into `target`, which already has its size and background.
  MetafileCanvas(TPicture& target, std::string fileName);

  // Logical to picture: (p - windowOrg) * viewportExt / windowExt +
  // viewportOrg + offset; the extents count only when `scalable`.
  struct Mapping {
    double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
    double offsetX = 0, offsetY = 0;
    bool scalable = true;
  };
  struct State {
    Mapping map;
    MfPen pen;
    MfBrush brush;
    unsigned fillMode = 1;  // 1 alternate, 2 winding
    bool opaqueBackground = true;
    TColor32 background = 0xFFFFFFFFu;
    MfPoint position;
  };
  State state;

  void Save();
  void Restore(int relative);  // negative: that many levels back

  MfPoint ToDevice(double x, double y) const;

  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void Polyline(const std::vector<MfPoint>& points);  // logical points
  void Polygon(const std::vector<std::vector<MfPoint>>& polygons);
  void Rectangle(double left, double top, double right, double bottom);
  void Ellipse(double left, double top, double right, double bottom);
  // Fills a rectangle (logical) with the brush and no outline.
  void PatternFill(double left, double top, double right, double bottom);
  // Draws `source` (src rectangle in its pixels) into the logical rectangle.
  void DrawPicture(const TPicture& source, double dx, double dy, double dw, double dh, int sx,
                   int sy, int sw, int sh);

 private:
  void FillDevice(const std::vector<std::vector<MfPoint>>& polygons, const MfBrush& brush);
  void StrokeDevice(MfPoint a, MfPoint b, bool lastPixel);
  void Plot(long x, long y, TColor32 color);
  void Stamp(long x, long y, TColor32 color, double width);
  bool BrushCovers(const MfBrush& brush, long x, long y, TColor32* color) const;
  double PenWidthDevice() const;

  // Counts pixel and edge visits; a file whose drawing would take longer
  // than any sensible picture fails instead of hanging.
  void Spend(double work);
  double work_ = 0;

  TPicture& target_;
  std::string fileName_;
  std::vector<State> saved_;
};

}  // namespace quenvar
