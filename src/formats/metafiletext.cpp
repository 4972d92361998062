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

}  // namespace

void MetafileCanvas::TextOut(const MfTextOut& text) {
  budget_.Spend(double(text.codes.size()) + 1);
  const MfXform toPicture = LogicalToPicture();
  TextPainter painter{target_, state.clip, budget_, {0, 0, target_.width, target_.height}};
  const bool hasRect = !(text.options & kEtoNoRect);
  const double* r = text.rect;
  const std::vector<MfPoint> rect{ToPicture({r[0], r[1]}), ToPicture({r[2], r[1]}),
                                  ToPicture({r[2], r[3]}), ToPicture({r[0], r[3]})};
  if (hasRect && (text.options & kEtoOpaque)) painter.Fill(rect, state.background);
  if (hasRect && (text.options & kEtoClipped)) {
    // Rectangles turned by the transform clip to the box round them.
    double x0 = kMfFar, y0 = kMfFar, x1 = -kMfFar, y1 = -kMfFar;
    for (const MfPoint& p : rect)
      x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x),
      y1 = std::max(y1, p.y);
    auto edge = [](double v, int size) {
      return int(std::clamp(std::ceil(v - 0.5), 0.0, double(size)));
    };
    painter.box = {edge(x0, target_.width), edge(y0, target_.height), edge(x1, target_.width),
                   edge(y1, target_.height)};
  }
  if (text.codes.empty()) return;

  const MfFont& font = state.text.font;
  bool opened = false;
  FT_Face face = FindFace({font.face, font.weight, font.italic}, &opened);
  if (opened) budget_.Spend(kFaceWork);
  if (!face) return;
  const FaceMetrics metrics = MeasureFace(face);
  const MfXform page = Page().Then(device_);
  const MfXform axes = TextAxes(state.world, page, font.escapement);
  const double em = EmSize(font, metrics, std::hypot(page.m21, page.m22));
  const double k = std::sqrt(std::fabs(axes.Det()));
  if (!axes.Usable() || !(em > 0) || !(k > 0)) return;
  double widthScale = 1;
  if (font.width > 0 && metrics.averageWidth > 0)
    widthScale =
        std::clamp(font.width / (metrics.averageWidth * em / metrics.unitsPerEm), 1.0 / 16, 16.0);
  const double emPixels = em * axes.MaxStretch() * widthScale;
  // The size FreeType works at; the matrix makes up the rest.
  const double ppem = std::max(1.0, std::round(std::min(em * k, kMaxEmPixels) * 64)) / 64;
  if (FT_Set_Char_Size(face, 0, FT_F26Dot6(ppem * 64), 72, 72) != 0) return;
  // Font units, then logical units of text space.
  const double perUnit = em / metrics.unitsPerEm;
  const double ascent = metrics.ascent * perUnit, descent = metrics.descent * perUnit;

  // The advances, in logical units along the baseline (x) and up (y).
  const bool glyphIndex = (text.options & kEtoGlyphIndex) != 0;
  std::vector<FT_UInt> glyphs;
  std::vector<MfPoint> advances;
  double total = 0;
  for (std::size_t i = 0; i < text.codes.size(); ++i) {
    budget_.Spend(kAdvanceWork);
    glyphs.push_back(GlyphFor(face, text.codes[i], glyphIndex));
    MfPoint step;
    if (!text.advances.empty()) {
      step = {text.advances[i].x, -text.advances[i].y};
    } else {
      FT_Fixed advance = 0;
      FT_Get_Advance(face, glyphs.back(), FT_LOAD_NO_HINTING, &advance);
      step.x = double(advance) / 65536 / ppem * em * widthScale;
    }
    advances.push_back(step);
    total += step.x;
  }

  // Where the baseline starts for the alignment.
  const unsigned align = state.text.align;
  const double startX = (align & kTaCenter) == kTaCenter  ? -total / 2
                        : (align & kTaCenter) == kTaRight ? -total
                                                          : 0;
  const double baseline = (align & kTaBaseline) == kTaBaseline ? 0
                          : (align & kTaBaseline) == kTaBottom ? descent
                                                               : -ascent;
  const MfPoint origin =
      (align & kTaUpdateCp) ? state.position : ClampPoint(toPicture.Apply(text.reference));
  MfXform frame = axes;
  frame.dx = origin.x, frame.dy = origin.y;
  auto at = [&](double x, double y) { return ClampPoint(frame.Apply({x, y})); };
  auto band = [&](double bottom, double top) {
    return std::vector<MfPoint>{at(startX, bottom), at(startX + total, bottom),
                                at(startX + total, top), at(startX, top)};
  };
  if (state.opaqueBackground)
    painter.Fill(band(baseline - descent, baseline + ascent), state.background);

  if (emPixels <= kMaxEmPixels) {
    // Outlines in FreeType's pixels at `ppem` go to picture pixels (y down)
    // through the text axes; FreeType's own y runs up.
    const bool slant = font.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    const bool bold = font.weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    const double s = em / ppem, ws = widthScale, shear = slant ? kSyntheticSlant : 0;
    const FT_Matrix matrix{Fixed(axes.m11 * ws * s), Fixed((ws * shear * axes.m11 + axes.m21) * s),
                           Fixed(-axes.m12 * ws * s),
                           Fixed(-(ws * shear * axes.m12 + axes.m22) * s)};
    double penX = startX, penY = baseline;
    // Glyphs whose origin is more than two ems away from the drawn area
    // cannot reach it and are not even loaded.
    const double reach = 2 * emPixels + 2;
    const MfClip::Box& area = painter.box;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      const MfPoint pen = at(penX, penY);
      penX += advances[i].x, penY += advances[i].y;
      if (pen.x < area.x0 - reach || pen.x > area.x1 + reach || pen.y < area.y0 - reach ||
          pen.y > area.y1 + reach)
        continue;
      DrawGlyph(painter, face, glyphs[i], pen, matrix, bold ? ppem * kSyntheticBold : 0,
                state.text.color);
    }
  }
  const double bar = metrics.underlineSize * perUnit;
  if (font.underline) {
    const double y = baseline + metrics.underlinePosition * perUnit;
    painter.Fill(band(y - bar / 2, y + bar / 2), state.text.color);
  }
  if (font.strikeOut) {
    const double y = baseline + metrics.strikePosition * perUnit;
    painter.Fill(band(y - metrics.strikeSize * perUnit, y), state.text.color);
  }
  FT_Set_Transform(face, nullptr, nullptr);

  if (align & kTaUpdateCp) {
    if ((align & kTaCenter) == 0) state.position = at(total, 0);
    if ((align & kTaCenter) == kTaRight) state.position = at(-total, 0);
  }
}

}  // namespace quenvar
