// Fitting the canvas to a screen for full screen: size, centring, rounding,
// degenerate sizes, and the way back from screen points to canvas pixels.
#include <gtest/gtest.h>

#include <array>

#include "compose/fittoscreen.h"

namespace quenvar {
namespace {

TRect R(int l, int t, int r, int b) {
  return TRect{l, t, r, b};
}

TEST(FitToScreen, PlacesTheCanvasWholeCentredWithItsAspect) {
  struct Case {
    int cw, ch, sw, sh;
    TRect target;
  };
  const Case cases[] = {
      {768, 576, 1280, 800, R(106, 0, 1173, 800)},    // taller than the screen: bars left, right
      {768, 576, 1920, 1080, R(240, 0, 1680, 1080)},  // 4:3 on 16:9, scaled up
      {1920, 1080, 1280, 800, R(0, 40, 1280, 760)},   // larger than the screen: scaled down
      {5000, 2000, 1280, 800, R(0, 144, 1280, 656)},  // far larger and wider
      {800, 600, 800, 600, R(0, 0, 800, 600)},        // the screen's own size
      {200, 100, 800, 600, R(0, 100, 800, 500)},      // wider: bars above and below
      {2, 2, 5, 4, R(0, 0, 4, 4)},                    // the odd pixel goes right
  };
  for (const Case& c : cases) {
    const TFitPlacement fit = FitToScreen(c.cw, c.ch, c.sw, c.sh);
    EXPECT_EQ(fit.target, c.target) << c.cw << "x" << c.ch << " on " << c.sw << "x" << c.sh;
    EXPECT_DOUBLE_EQ(fit.scale, double(c.target.Width()) / c.cw);
  }
}

TEST(FitToScreen, RoundsTheOtherSideToEvenOnTies) {
  // 4 x 3 on 10 wide: 7.5 high; 4 x 5: 12.5 high.
  EXPECT_EQ(FitToScreen(4, 3, 10, 100).target.Height(), 8);
  EXPECT_EQ(FitToScreen(4, 5, 10, 100).target.Height(), 12);
  // 3 x 4 on 100 x 10 the other way round.
  EXPECT_EQ(FitToScreen(3, 4, 100, 10).target.Width(), 8);
}

TEST(FitToScreen, DegenerateSizes) {
  EXPECT_TRUE(FitToScreen(0, 576, 1280, 800).Empty());
  EXPECT_TRUE(FitToScreen(768, -1, 1280, 800).Empty());
  EXPECT_TRUE(FitToScreen(768, 576, 0, 800).Empty());
  EXPECT_EQ(FitToScreen(768, 576, 1280, 0).scale, 0);
  // A sliver keeps at least one pixel.
  EXPECT_EQ(FitToScreen(65535, 1, 100, 100).target, R(0, 49, 100, 50));
  // The largest canvas on the largest screen does not overflow.
  EXPECT_EQ(FitToScreen(65535, 65535, 1 << 30, 1 << 30).target.Width(), 1 << 30);
}

TEST(ScreenToCanvas, ThePictureMapsOntoTheWholeCanvasInOrder) {
  for (auto [cw, ch, sw, sh] : {std::array{768, 576, 1280, 800}, std::array{1920, 1080, 1280, 800},
                                std::array{3, 2, 7, 5}}) {
    const TFitPlacement fit = FitToScreen(cw, ch, sw, sh);
    const TRect t = fit.target;
    EXPECT_EQ(ScreenToCanvas(fit, cw, ch, t.Left, t.Top), (TPoint{0, 0}));
    EXPECT_EQ(ScreenToCanvas(fit, cw, ch, t.Right - 1, t.Bottom - 1), (TPoint{cw - 1, ch - 1}));
    // Across the picture the canvas column never goes back, never skips when
    // scaled up, and stays on the canvas.
    int last = 0;
    for (int sx = t.Left; sx < t.Right; ++sx) {
      const int x = ScreenToCanvas(fit, cw, ch, sx, t.Top).X;
      ASSERT_GE(x, last);
      ASSERT_LT(x, cw);
      if (t.Width() >= cw) {
        ASSERT_LE(x - last, 1) << cw << " on " << sw << " at " << sx;
      }
      last = x;
    }
  }
}

TEST(ScreenToCanvas, PointsOffThePictureLieBeyondTheEdges) {
  const TFitPlacement fit = FitToScreen(768, 576, 1280, 800);  // left bar 106 wide, scale ~1.39
  EXPECT_LT(ScreenToCanvas(fit, 768, 576, 0, 400).X, 0);
  EXPECT_EQ(ScreenToCanvas(fit, 768, 576, 105, 400).X, -1);  // one pixel left of the picture
  EXPECT_GE(ScreenToCanvas(fit, 768, 576, 1279, 400).X, 768);
  EXPECT_EQ(ScreenToCanvas(TFitPlacement{}, 768, 576, 10, 10), (TPoint{0, 0}));
}

}  // namespace
}  // namespace quenvar
