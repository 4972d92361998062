#include <gtest/gtest.h>

#include "host/canvassize.h"
#include "host/themecolor.h"

using namespace quenvar;

TEST(ThemeColor, TheInterfaceShades) {
  EXPECT_EQ(TintColor(kThemeColor, 40), (TRgb{231, 237, 240}));
  EXPECT_EQ(ShadeColor(kThemeColor, 70), (TRgb{136, 146, 153}));
  // The meters' gradient ends.
  EXPECT_EQ(ShadeColor(kThemeColor, 50), (TRgb{97, 104, 109}));
  EXPECT_EQ(TintColor(kThemeColor, 60), (TRgb{218, 227, 233}));
}

TEST(ThemeColor, RoundingTiesGoToEven) {
  // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2: one channel value each.
  EXPECT_EQ(ShadeColor(TRgb{1, 3, 5}, 50), (TRgb{0, 2, 2}));
  EXPECT_EQ(RoundDivEven(250, 100), 2);
  EXPECT_EQ(RoundDivEven(350, 100), 4);
  EXPECT_EQ(RoundDivEven(-150, 100), -2);
  EXPECT_EQ(RoundDivEven(-151, 100), -2);
  // Tint at 50 lifts by round(127.5) = 128.
  EXPECT_EQ(TintColor(TRgb{0, 0, 0}, 50), (TRgb{128, 128, 128}));
}

TEST(ThemeColor, ResultsAreClamped) {
  EXPECT_EQ(ShadeColor(TRgb{200, 100, 0}, 200), (TRgb{255, 200, 0}));
  EXPECT_EQ(TintColor(TRgb{255, 255, 255}, 0), (TRgb{255, 255, 255}));
  EXPECT_EQ(TintColor(TRgb{0, 0, 0}, 100), (TRgb{0, 0, 0}));
  // Above 100 percent the lift turns negative; the result stays in range.
  EXPECT_EQ(TintColor(TRgb{10, 0, 200}, 300), (TRgb{0, 0, 90}));
}

TEST(CanvasSize, AcceptsWholeNumbersThatFitSixteenBits) {
  auto s = ParseCanvasSize("768", "576");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->width, 768);
  EXPECT_EQ(s->height, 576);
  s = ParseCanvasSize("65535", "1");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->width, 65535);
  EXPECT_EQ(ParseCanvasSize("0100", "007")->height, 7);
}

TEST(CanvasSize, RefusesWhatTheFieldsCannotHold) {
  for (auto [x, y] :
       std::initializer_list<std::pair<const char*, const char*>>{{"", "576"},
                                                                  {"768", ""},
                                                                  {"0", "576"},
                                                                  {"768", "000"},
                                                                  {"65536", "10"},
                                                                  {"70000", "10"},
                                                                  {"10", "99999999999999999999"},
                                                                  {"-5", "10"},
                                                                  {"12a", "10"},
                                                                  {" 12", "10"}}) {
    EXPECT_FALSE(ParseCanvasSize(x, y)) << x << " x " << y;
  }
}

TEST(CanvasSize, FrameIntervalIsIntegerDivision) {
  EXPECT_EQ(FrameIntervalForFps(10), 100);
  EXPECT_EQ(FrameIntervalForFps(85), 11);
  EXPECT_EQ(FrameIntervalForFps(27), 37);
  EXPECT_EQ(FrameIntervalForFps(0), 0);
}
