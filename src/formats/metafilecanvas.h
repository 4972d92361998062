#pragma once
// The drawing surface the metafile players draw on: the graphics state a
// metafile changes (pen, brush, fill mode, mapping, world transform,
// clipping, current position), the path bracket, and the drawing operations
// of its records, rasterised into a picture. Shapes come in logical units;
// the path and the current position are kept in picture pixels.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/metafilebudget.h"
#include "formats/metafileclip.h"
#include "formats/metafiledash.h"
#include "formats/metafilegeometry.h"
#include "formats/metafilepath.h"
#include "formats/metafilestroke.h"
#include "formats/metafiletext.h"
#include "formats/picture.h"

namespace quenvar {

struct MfPen {
  // Kind in the low four bits (5: no outline), end cap in 0xF00 (round,
  // square, flat), join in 0xF000 (round, bevel, miter).
  unsigned style = 0;
  double width = 0;       // logical units; 0 means one pixel
  bool cosmetic = false;  // one pixel whatever the width
  TColor32 color = 0xFF000000u;
  // A user style's dash and gap lengths: logical units for a geometric pen,
  // pixels for a cosmetic one.
  std::vector<double> userStyle;
};

struct MfBrush {
  unsigned style = 0;  // 0 solid, 1 none, 2 hatched, 3 pattern
  unsigned hatch = 0;
  TColor32 color = 0xFFFFFFFFu;
  // The tile of a pattern brush, repeated from the picture's origin.
  std::shared_ptr<const TPicture> pattern;
};

// A corner of a gradient: a logical point and a colour of 16 bits a channel.
struct MfGradientVertex {
  double x = 0, y = 0;
  std::uint16_t red = 0, green = 0, blue = 0;
};

class MetafileCanvas {
 public:
  // Draws into `target`, which already has its size and background.
  MetafileCanvas(TPicture& target, std::string fileName);

  // Logical to page: (p - windowOrg) * scale + viewportOrg. The scale comes
  // from the mapping mode: 1 one to one, 2 to 6 fixed units on the reference
  // device, 7 (isotropic) and 8 (anisotropic) from the two extents.
  struct Mapping {
    int mode = 1;
    double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
  };
  struct State {
    Mapping map;
    MfXform world;
    MfPen pen;
    MfBrush brush;
    unsigned fillMode = 1;  // 1 alternate, 2 winding
    bool opaqueBackground = true;
    TColor32 background = 0xFFFFFFFFu;
    MfPoint position;  // picture pixels
    bool clockwise = false;
    double miterLimit = 10;
    MfClip clip;
    MfTextState text;  // font, alignment, colour
  };
  State state;

  // Where the page's device units land in the picture, and the device's
  // resolution for the fixed mapping modes.
  void SetDevice(const MfXform& toPicture, double pixelsPerMmX, double pixelsPerMmY);

  void Save();
  void Restore(int relative);  // negative: that many levels back

  MfXform LogicalToPicture() const;
  MfPoint ToPicture(MfPoint logical) const;

  // An unusable matrix (singular, not finite) leaves the transform as it was.
  void SetWorldTransform(const MfXform& xf);
  // 1 identity, 2 xf before the current one, 3 after it, 4 set.
  void ModifyWorldTransform(const MfXform& xf, unsigned mode);

  // Inside a path bracket these shapes join the path; outside they are
  // drawn at once, closed ones filled with the brush and outlined.
  void MoveTo(MfPoint p);
  void LineTo(MfPoint p);
  void PolylineTo(const std::vector<MfPoint>& points);
  void PolyBezierTo(const std::vector<MfPoint>& points);  // three points a curve
  void Polyline(const std::vector<MfPoint>& points);
  void PolyBezier(const std::vector<MfPoint>& points);  // start, then three a curve
  void PolyDraw(const std::vector<MfPoint>& points, const std::vector<std::uint8_t>& types);
  void Polygon(const MfPolygons& polygons);
  void Rectangle(double left, double top, double right, double bottom);
  void RoundRect(double left, double top, double right, double bottom, double cornerWidth,
                 double cornerHeight);
  void Ellipse(double left, double top, double right, double bottom);
  enum class ArcKind { kArc, kArcTo, kChord, kPie };
  // The arc of the box's ellipse from the ray towards `start` to the ray
  // towards `end`, counterclockwise on the picture unless set clockwise.
  void Arc(ArcKind kind, double left, double top, double right, double bottom, MfPoint start,
           MfPoint end);
  void AngleArc(MfPoint centre, double radius, double startDegrees, double sweepDegrees);

  // Fills a logical rectangle with the brush, no outline, never into a path.
  void PatternFill(double left, double top, double right, double bottom);

  // Raster records: bitmaps and patterns combined with what is there by a
  // raster operation or by alpha, gradients, regions and single pixels.
  // `rop` is the record's raster operation; its third byte picks the
  // operation on pattern, source and destination bits.
  void Blit(const TPicture* source, double dx, double dy, double dw, double dh, int sx, int sy,
            int sw, int sh, std::uint32_t rop);
  // `blend`: operation, flags, constant alpha, format (1: the source carries
  // premultiplied alpha), from the low byte up.
  void AlphaBlend(const TPicture& source, double dx, double dy, double dw, double dh, int sx,
                  int sy, int sw, int sh, std::uint32_t blend);
  void SetPixel(MfPoint p, TColor32 color);
  // Mode 0 rectangles shaded left to right, 1 top to bottom (two corner
  // indices each), 2 triangles (three indices each).
  void GradientFill(const std::vector<MfGradientVertex>& vertices,
                    const std::vector<std::uint32_t>& indices, unsigned mode);
  // Regions as lists of logical rectangles (left, top, right, bottom).
  using Rects = std::vector<std::array<double, 4>>;
  void FillRegion(const Rects& rects, const MfBrush& brush);
  void FrameRegion(const Rects& rects, const MfBrush& brush, double width, double height);
  void InvertRegion(const Rects& rects);
  // Work a player does for the records, such as decoding their bitmaps.
  void Spend(double work) { budget_.Spend(work); }
  const std::string& FileName() const { return fileName_; }

  void BeginPath();
  void EndPath();
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  // Replaces the path by the outline of the pen along it.
  void WidenPath();
  void SelectClipPath(int mode);

  // Logical rectangles, right and bottom edges excluded.
  void IntersectClipRect(double left, double top, double right, double bottom);
  void ExcludeClipRect(double left, double top, double right, double bottom);
  // Rectangles as pairs of opposite corners, in device units; none with
  // the copy mode removes all clipping.
  void SelectClipRects(const std::vector<MfPoint>& corners, int mode);

  // Text (metafiletext.cpp): one output in the text state's font, at the
  // reference point or the current position as the alignment says.
  void TextOut(const MfTextOut& text);

 private:
  template <class Build>
  void Shape(bool fill, Build&& build);
  void Draw(const MfPath& path, bool fill, bool stroke, bool nonZero);
  // Uses up the path: fills and, or, strokes it.
  void DrawPath(bool fill, bool stroke);
  void ClearPath();
  void AddBezier(MfPath& path, MfPoint from, const MfPoint* controls);
  std::vector<MfPoint> ArcPoints(double left, double top, double right, double bottom, double from,
                                 double sweep) const;
  double ArcSign() const;
  MfXform Page() const;

  void FillPolygons(const MfPolygons& polygons, bool nonZero);
  void StrokeFigure(const MfFigure& figure);
  // `dash`, when given, says pixel by pixel whether to draw.
  void ThinLine(MfPoint a, MfPoint b, bool lastPixel, MfDashStepper* dash = nullptr);
  void PaintSpan(int y, int x0, int x1, TColor32 color);
  void Plot(long x, long y, TColor32 color);
  bool BrushCovers(const MfBrush& brush, long x, long y, TColor32* color) const;
  double PenWidthPixels() const;
  MfStrokeStyle StrokeStyle() const;
  MfDashes DashPattern() const;
  void ClipShape(const std::vector<MfPoint>& corners, bool axisAligned, int mode);
  template <class Visit>
  void VisitRect(double dx, double dy, double dw, double dh, Visit&& visit);
  MfPolygons RegionPolygons(const Rects& rects) const;
  TColor32 PatternAt(int x, int y) const;

  TPicture& target_;
  std::string fileName_;
  MfBudget budget_;
  MfXform device_;
  double pixelsPerMmX_ = 96 / 25.4, pixelsPerMmY_ = 96 / 25.4;
  std::vector<State> saved_;
  MfPath path_;
  bool pathOpen_ = false;
  bool widened_ = false;
};

}  // namespace quenvar
