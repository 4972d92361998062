// Blended rectangles, outlines, lines and text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "compose/surface.h"

namespace quenvar {
namespace {

TBitmap32 Filled(int w, int h, TColor32 c) {
  TBitmap32 b;
  b.Resize(w, h);
  b.FillAll(c);
  return b;
}

TEST(Shapes, FillRectBlendedCombinesEveryByte) {
  TBitmap32 b = Filled(4, 4, Color32(100, 100, 100, 255));
  b.FillRectBlended(TRect{-2, -2, 2, 2}, Color32(212, 222, 229, 200));
  // ((212 * 200 + 128) >> 8) + ((100 * 55 + 128) >> 8) = 166 + 21.
  EXPECT_EQ(RedOf(b.Pixel(1, 1)), 187u);
  // Alpha: ((200 * 200 + 128) >> 8) + ((255 * 55 + 128) >> 8) = 156 + 55.
  EXPECT_EQ(AlphaOf(b.Pixel(0, 0)), 211u);
  EXPECT_EQ(b.Pixel(2, 2), Color32(100, 100, 100, 255));
  b.FillRectBlended(TRect{0, 0, 4, 4}, Color32(1, 2, 3, 255));
  EXPECT_EQ(b.Pixel(3, 3), Color32(1, 2, 3, 255));
  b.FillRectBlended(TRect{0, 0, 4, 4}, Color32(9, 9, 9, 0));
  EXPECT_EQ(b.Pixel(3, 3), Color32(1, 2, 3, 255));
}

TEST(Shapes, FrameRectDrawsTheInnerEdgeClipped) {
  TBitmap32 b = Filled(4, 4, 0);
  b.FrameRect(TRect{1, 1, 5, 5}, 7);  // right and bottom edges fall outside
  EXPECT_EQ(b.Pixel(1, 1), 7u);
  EXPECT_EQ(b.Pixel(3, 1), 7u);
  EXPECT_EQ(b.Pixel(1, 3), 7u);
  EXPECT_EQ(b.Pixel(2, 2), 0u);
  EXPECT_EQ(b.Pixel(3, 3), 0u);
  EXPECT_EQ(b.Pixel(0, 0), 0u);
  b.FrameRect(TRect{2, 2, 2, 4}, 9);  // no width: nothing
  EXPECT_EQ(b.Pixel(2, 2), 0u);
}

TEST(Shapes, LineSkipsItsEndPoint) {
  TBitmap32 b = Filled(6, 3, Color32(0, 0, 0, 255));
  b.DrawLine(1, 1, 4, 1, Color32(255, 255, 255, 255));
  EXPECT_EQ(b.Pixel(1, 1), Color32(255, 255, 255, 255));
  EXPECT_EQ(b.Pixel(3, 1), Color32(255, 255, 255, 255));
  EXPECT_EQ(b.Pixel(4, 1), Color32(0, 0, 0, 255));
  EXPECT_EQ(b.Pixel(0, 1), Color32(0, 0, 0, 255));
  EXPECT_EQ(b.Pixel(2, 0), Color32(0, 0, 0, 255));
}

TEST(Shapes, LineBetweenRowsSplitsItsCoverage) {
  TBitmap32 b = Filled(4, 4, Color32(0, 0, 0, 255));
  b.DrawLine(0, 1.5f, 3, 1.5f, Color32(255, 255, 255, 255));
  const unsigned upper = RedOf(b.Pixel(1, 1)), lower = RedOf(b.Pixel(1, 2));
  EXPECT_GT(upper, 100u);
  EXPECT_LT(upper, 160u);
  EXPECT_NEAR(int(upper), int(lower), 2);
}

TEST(Shapes, LineAlphaScalesWithTheColour) {
  TBitmap32 b = Filled(3, 1, Color32(0, 0, 0, 255));
  b.DrawLine(0, 0, 2, 0, Color32(255, 255, 255, 128));
  EXPECT_EQ(RedOf(b.Pixel(0, 0)), 128u);  // the plain blend at alpha 128
}

TEST(Shapes, LinesFarOutsideOrNotFiniteAreSafe) {
  TBitmap32 b = Filled(4, 4, 0);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  b.DrawLine(nan, 0, 3, 3, 0xFFFFFFFFu);
  b.DrawLine(0, 0, inf, 3, 0xFFFFFFFFu);
  b.DrawLine(-1e30f, 2, 1e30f, 2, 0xFFFFFFFFu);  // crosses the whole surface
  EXPECT_EQ(b.Pixel(0, 1), 0u);
  EXPECT_NE(b.Pixel(1, 2), 0u);
  b.DrawLine(-1e9f, -1e9f, -1e9f + 5, -1e9f, 0xFFFFFFFFu);
  TBitmap32 empty;
  empty.DrawLine(0, 0, 5, 5, 0xFFFFFFFFu);
}

// A renderer that marks the pixel at the text origin and measures 6 per char.
struct FakeRenderer : TTextRenderer {
  std::u16string lastText;
  TFont32 lastFont;
  int lastLevel = -1;
  void DrawText(TBitmap32& target, int x, int y, std::u16string_view text, int aaLevel,
                TColor32 color, const TFont32& font) override {
    lastText = text;
    lastFont = font;
    lastLevel = aaLevel;
    target.SetPixelS(x, y, color);
  }
  int MeasureText(std::u16string_view text, const TFont32&) override {
    return int(text.size()) * 6;
  }
};

TEST(Shapes, TextGoesThroughTheInstalledRenderer) {
  TBitmap32 b = Filled(4, 4, 0);
  b.DrawText(1, 1, u"abc", 2, 5);
  EXPECT_EQ(b.MeasureText(u"abc"), 0);  // no renderer: nothing
  EXPECT_EQ(b.Pixel(1, 1), 0u);

  FakeRenderer r;
  SetTextRenderer(&r);
  b.Font().Name = "Wingdings";
  b.Font().Size = 9;
  b.DrawText(1, 2, u"\u00A1", 4, 5);
  EXPECT_EQ(b.MeasureText(u"abcd"), 24);
  SetTextRenderer(nullptr);
  EXPECT_EQ(b.Pixel(1, 2), 5u);
  EXPECT_EQ(r.lastText, u"\u00A1");
  EXPECT_EQ(r.lastLevel, 4);
  EXPECT_EQ(r.lastFont.Name, "Wingdings");
  EXPECT_EQ(r.lastFont.Size, 9);
}

}  // namespace
}  // namespace quenvar
