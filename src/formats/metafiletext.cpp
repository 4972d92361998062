// Text on the metafile canvas: the font's face found through fontconfig,
// laid out along its baseline with the record's spacing or the face's own
// advances, and its glyphs drawn by FreeType's anti-aliased rasteriser,
// blended in the text colour inside the clip.
#include "formats/metafiletext.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <functional>

#include "formats/fontfinder.h"
#include "formats/metafilecanvas.h"
#include "formats/metafileraster.h"

namespace quenvar {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Glyphs whose em would be larger than this many pixels are not drawn: one
// of them could cost more than a whole sensible page.
constexpr double kMaxEmPixels = 4096;
// Work charged for opening a face, for an advance and for loading a glyph.
constexpr double kFaceWork = 2e5, kAdvanceWork = 50, kGlyphWork = 2000;
// The default font's character cell, in picture pixels.
constexpr double kDefaultCellPixels = 16;
// Slant of a face made italic, and the stroke added to one made bold, per em.
constexpr double kSyntheticSlant = 0.2, kSyntheticBold = 1.0 / 24;

// The face's vertical measures in its own units, as the platform's text
// metrics take them: the Windows ascent and descent when the face has them.
struct FaceMetrics {
  double unitsPerEm = 1000, ascent = 800, descent = 200, averageWidth = 0;
  double underlinePosition = -100, underlineSize = 50, strikePosition = 300, strikeSize = 50;
};

FaceMetrics MeasureFace(FT_Face face) {
  FaceMetrics m;
  if (face->units_per_EM > 0) m.unitsPerEm = face->units_per_EM;
  m.ascent = face->ascender, m.descent = -face->descender;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF) {
    if (os2->usWinAscent + os2->usWinDescent > 0)
      m.ascent = os2->usWinAscent, m.descent = os2->usWinDescent;
    if (os2->xAvgCharWidth > 0) m.averageWidth = os2->xAvgCharWidth;
    if (os2->yStrikeoutSize > 0)
      m.strikePosition = os2->yStrikeoutPosition, m.strikeSize = os2->yStrikeoutSize;
  }
  if (!(m.ascent + m.descent > 0)) m.ascent = 0.8 * m.unitsPerEm, m.descent = 0.2 * m.unitsPerEm;
  if (face->underline_thickness > 0)
    m.underlinePosition = face->underline_position, m.underlineSize = face->underline_thickness;
  return m;
}

// Plain blend of the colour over `back` with the coverage as its alpha; the
// page keeps its own alpha.
TColor32 Cover(TColor32 back, TColor32 color, unsigned coverage) {
  if (coverage == 0) return back;
  if (coverage >= 255) return (back & 0xFF000000u) | (color & 0xFFFFFFu);
  auto mix = [&](int shift) {
    const unsigned f = (color >> shift) & 255, b = (back >> shift) & 255;
    return (((f * coverage + 128) >> 8) + ((b * (255 - coverage) + 128) >> 8)) << shift;
  };
  return (back & 0xFF000000u) | mix(16) | mix(8) | mix(0);
}

// Puts text pixels on the picture: inside the clip and, for a clipped
// output, inside its rectangle.
struct TextPainter {
  TPicture& target;
  const MfClip& clip;
  MfBudget& budget;
  MfClip::Box box;

  void Row(int y, long x0, long x1, const std::function<void(TColor32*, int, int)>& paint) {
    if (y < box.y0 || y >= box.y1) return;
    const int a = int(std::max<long>(x0, box.x0)), b = int(std::min<long>(x1, box.x1));
    if (a >= b) return;
    TColor32* row = target.pixels.data() + std::size_t(y) * std::size_t(target.width);
    clip.Runs(y, a, b, [&](int from, int to) {
      budget.Spend(double(to - from));
      paint(row, from, to);
    });
  }

  void Fill(const std::vector<MfPoint>& corners, TColor32 color) {
    ScanPolygons({corners}, true, target.width, target.height, budget, [&](int y, int x0, int x1) {
      Row(y, x0, x1, [&](TColor32* row, int a, int b) { std::fill(row + a, row + b, color); });
    });
  }

  // A rendered glyph whose top-left pixel lands on (left, top).
  void Glyph(const FT_Bitmap& bitmap, long left, long top, TColor32 color) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch < 0) return;
    for (unsigned r = 0; r < bitmap.rows; ++r) {
      const long y = top + long(r);
      if (y < 0 || y >= target.height) continue;
      const unsigned char* coverage = bitmap.buffer + std::size_t(r) * std::size_t(bitmap.pitch);
      Row(int(y), left, left + long(bitmap.width), [&](TColor32* row, int a, int b) {
        for (int x = a; x < b; ++x) row[x] = Cover(row[x], color, coverage[x - left]);
      });
    }
  }
};

// Text space has x along the baseline and y up, in logical units. This
// takes it to picture pixels, without the offset. The
// escapement turns the baseline counterclockwise as seen on the page; the
// world transform turns and stretches the text, the page mapping only sizes
// it, so text stays upright whichever way the page's axes run.
MfXform TextAxes(const MfXform& world, const MfXform& page, int escapement) {
  const double a = escapement / 10.0 * kPi / 180, c = std::cos(a), s = std::sin(a);
  const MfXform turn{c, -s, -s, -c, 0, 0};
  MfXform w = world;
  w.dx = w.dy = 0;
  const MfXform size{std::hypot(page.m11, page.m12), 0, 0, std::hypot(page.m21, page.m22), 0, 0};
  return turn.Then(w).Then(size);
}

// The em in logical units for the font's height: a negative height is the
// characters', a positive one the cell's.
double EmSize(const MfFont& font, const FaceMetrics& m, double cellScale) {
  const double cell = m.ascent + m.descent;
  if (font.height < 0) return -font.height;
  if (font.height > 0) return font.height * m.unitsPerEm / cell;
  return cellScale > 0 ? kDefaultCellPixels / cellScale * m.unitsPerEm / cell : 0;
}

FT_UInt GlyphFor(FT_Face face, std::uint32_t code, bool glyphIndex) {
  if (glyphIndex) return code < FT_UInt(face->num_glyphs) ? FT_UInt(code) : 0;
  FT_UInt g = FT_Get_Char_Index(face, code);
  // Symbol faces map their codes into the private area.
  if (g == 0 && code < 0x100) g = FT_Get_Char_Index(face, 0xF000 + code);
  return g;
}

FT_Fixed Fixed(double v) {
  return FT_Fixed(std::lround(std::clamp(v, -32767.0, 32767.0) * 65536));
}

// One glyph with its origin at `pen` (picture pixels): loaded through the
// matrix, made bolder by `bold` pixels when asked, and rendered only when it
// reaches the picture.
void DrawGlyph(TextPainter& painter, FT_Face face, FT_UInt glyph, MfPoint pen,
               const FT_Matrix& matrix, double bold, TColor32 color) {
  painter.budget.Spend(kGlyphWork);
  const double fx = std::floor(pen.x), fy = std::floor(pen.y);
  FT_Matrix m = matrix;
  FT_Vector delta{FT_Pos(std::lround((pen.x - fx) * 64)), FT_Pos(-std::lround((pen.y - fy) * 64))};
  FT_Set_Transform(face, &m, &delta);
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
  if (bold > 0) {
    const FT_Pos strength = FT_Pos(std::lround(bold * 64));
    FT_Outline_EmboldenXY(&slot->outline, strength, strength);
  }
  FT_BBox box;
  FT_Outline_Get_CBox(&slot->outline, &box);
  // The outline's box in picture pixels, y down.
  const double left = fx + double(box.xMin) / 64, right = fx + double(box.xMax) / 64;
  const double top = fy - double(box.yMax) / 64, bottom = fy - double(box.yMin) / 64;
  const MfClip::Box& clip = painter.box;
  if (right < clip.x0 || left > clip.x1 || bottom < clip.y0 || top > clip.y1) return;
  const double area = (right - left + 2) * (bottom - top + 2);
  if (!(area < 1e8)) return;
  painter.budget.Spend(area);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  painter.Glyph(slot->bitmap, long(fx) + slot->bitmap_left, long(fy) - slot->bitmap_top, color);
}

// The box a clipped output keeps its text in: the picture pixels round the
// rectangle, which the transform may have turned.
MfClip::Box OutputBox(const std::vector<MfPoint>& rect, int width, int height) {
  double x0 = kMfFar, y0 = kMfFar, x1 = -kMfFar, y1 = -kMfFar;
  for (const MfPoint& p : rect) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  auto edge = [](double v, int size) {
    return int(std::clamp(std::ceil(v - 0.5), 0.0, double(size)));
  };
  return {edge(x0, width), edge(y0, height), edge(x1, width), edge(y1, height)};
}

// The text laid out in text space: sizes in logical units, each glyph and
// the step to the next.
struct TextLayout {
  FT_Face face = nullptr;
  FaceMetrics metrics;
  MfXform axes;
  double em = 0, ppem = 0, widthScale = 1, emPixels = 0, ascent = 0, descent = 0;
  std::vector<FT_UInt> glyphs;
  std::vector<MfPoint> advances;
  double total = 0;
};

// Sizes the face for the font and the mapping (`page` takes page units to
// picture pixels) and measures the text; false when nothing can be drawn.
bool LayOut(const MfFont& font, const MfTextOut& text, const MfXform& world, const MfXform& page,
            MfBudget& budget, TextLayout& t) {
  bool opened = false;
  t.face = FindFace({font.face, font.weight, font.italic}, &opened);
  if (opened) budget.Spend(kFaceWork);
  if (!t.face) return false;
  t.metrics = MeasureFace(t.face);
  t.axes = TextAxes(world, page, font.escapement);
  t.em = EmSize(font, t.metrics, std::hypot(page.m21, page.m22));
  const double k = std::sqrt(std::fabs(t.axes.Det()));
  if (!t.axes.Usable() || !(t.em > 0) || !(k > 0)) return false;
  if (font.width > 0 && t.metrics.averageWidth > 0)
    t.widthScale = std::clamp(font.width / (t.metrics.averageWidth * t.em / t.metrics.unitsPerEm),
                              1.0 / 16, 16.0);
  t.emPixels = t.em * t.axes.MaxStretch() * t.widthScale;
  // The size FreeType works at; the matrix makes up the rest.
  t.ppem = std::max(1.0, std::round(std::min(t.em * k, kMaxEmPixels) * 64)) / 64;
  if (FT_Set_Char_Size(t.face, 0, FT_F26Dot6(t.ppem * 64), 72, 72) != 0) return false;
  const double perUnit = t.em / t.metrics.unitsPerEm;
  t.ascent = t.metrics.ascent * perUnit, t.descent = t.metrics.descent * perUnit;
  const bool glyphIndex = (text.options & kEtoGlyphIndex) != 0;
  for (std::size_t i = 0; i < text.codes.size(); ++i) {
    budget.Spend(kAdvanceWork);
    t.glyphs.push_back(GlyphFor(t.face, text.codes[i], glyphIndex));
    MfPoint step;
    if (!text.advances.empty()) {
      step = {text.advances[i].x, -text.advances[i].y};  // the record's y runs down
    } else {
      FT_Fixed advance = 0;
      FT_Get_Advance(t.face, t.glyphs.back(), FT_LOAD_NO_HINTING, &advance);
      step.x = double(advance) / 65536 / t.ppem * t.em * t.widthScale;
    }
    t.advances.push_back(step);
    t.total += step.x;
  }
  return true;
}

// Draws the glyphs from (x, y) in text space; `frame` takes text space to
// picture pixels.
void DrawGlyphs(TextPainter& painter, const TextLayout& t, const MfFont& font, const MfXform& frame,
                double x, double y, TColor32 color) {
  if (t.emPixels > kMaxEmPixels) return;
  // Outlines in FreeType's pixels at `ppem` go to picture pixels (y down)
  // through the text axes; FreeType's own y runs up.
  const bool slant = font.italic && !(t.face->style_flags & FT_STYLE_FLAG_ITALIC);
  const bool bold = font.weight >= 600 && !(t.face->style_flags & FT_STYLE_FLAG_BOLD);
  const MfXform& a = t.axes;
  const double s = t.em / t.ppem, ws = t.widthScale, shear = slant ? kSyntheticSlant : 0;
  const FT_Matrix matrix{Fixed(a.m11 * ws * s), Fixed((ws * shear * a.m11 + a.m21) * s),
                         Fixed(-a.m12 * ws * s), Fixed(-(ws * shear * a.m12 + a.m22) * s)};
  // Glyphs whose origin is more than two ems away from the drawn area
  // cannot reach it and are not even loaded.
  const double reach = 2 * t.emPixels + 2;
  const MfClip::Box& area = painter.box;
  for (std::size_t i = 0; i < t.glyphs.size(); ++i) {
    const MfPoint pen = ClampPoint(frame.Apply({x, y}));
    x += t.advances[i].x, y += t.advances[i].y;
    if (pen.x < area.x0 - reach || pen.x > area.x1 + reach || pen.y < area.y0 - reach ||
        pen.y > area.y1 + reach)
      continue;
    DrawGlyph(painter, t.face, t.glyphs[i], pen, matrix, bold ? t.ppem * kSyntheticBold : 0, color);
  }
  FT_Set_Transform(t.face, nullptr, nullptr);
}

}  // namespace

void MetafileCanvas::TextOut(const MfTextOut& text) {
  budget_.Spend(double(text.codes.size()) + 1);
  TextPainter painter{target_, state.clip, budget_, {0, 0, target_.width, target_.height}};
  const double* r = text.rect;
  const std::vector<MfPoint> rect{ToPicture({r[0], r[1]}), ToPicture({r[2], r[1]}),
                                  ToPicture({r[2], r[3]}), ToPicture({r[0], r[3]})};
  const bool hasRect = !(text.options & kEtoNoRect);
  if (hasRect && (text.options & kEtoOpaque)) painter.Fill(rect, state.background);
  if (hasRect && (text.options & kEtoClipped))
    painter.box = OutputBox(rect, target_.width, target_.height);
  TextLayout t;
  if (text.codes.empty() ||
      !LayOut(state.text.font, text, state.world, Page().Then(device_), budget_, t))
    return;

  // Where the baseline starts for the alignment.
  const unsigned align = state.text.align;
  const double startX = (align & kTaCenter) == kTaCenter  ? -t.total / 2
                        : (align & kTaCenter) == kTaRight ? -t.total
                                                          : 0;
  const double baseline = (align & kTaBaseline) == kTaBaseline ? 0
                          : (align & kTaBaseline) == kTaBottom ? t.descent
                                                               : -t.ascent;
  const MfPoint origin = (align & kTaUpdateCp) ? state.position : ToPicture(text.reference);
  MfXform frame = t.axes;
  frame.dx = origin.x, frame.dy = origin.y;
  auto band = [&](double bottom, double top) {
    std::vector<MfPoint> corners;
    for (const MfPoint& c : {MfPoint{startX, bottom}, MfPoint{startX + t.total, bottom},
                             MfPoint{startX + t.total, top}, MfPoint{startX, top}})
      corners.push_back(ClampPoint(frame.Apply(c)));
    return corners;
  };
  if (state.opaqueBackground)
    painter.Fill(band(baseline - t.descent, baseline + t.ascent), state.background);
  const MfFont& font = state.text.font;
  DrawGlyphs(painter, t, font, frame, startX, baseline, state.text.color);
  const double perUnit = t.em / t.metrics.unitsPerEm;
  if (font.underline) {
    const double y = baseline + t.metrics.underlinePosition * perUnit;
    const double half = t.metrics.underlineSize * perUnit / 2;
    painter.Fill(band(y - half, y + half), state.text.color);
  }
  if (font.strikeOut) {
    const double y = baseline + t.metrics.strikePosition * perUnit;
    painter.Fill(band(y - t.metrics.strikeSize * perUnit, y), state.text.color);
  }
  // The current position moves past the text, away from the side it is
  // aligned on; centred text leaves it.
  if ((align & kTaUpdateCp) && (align & kTaCenter) != kTaCenter) {
    const double to = (align & kTaCenter) == kTaRight ? -t.total : t.total;
    state.position = ClampPoint(frame.Apply({to, 0}));
  }
}

}  // namespace quenvar
