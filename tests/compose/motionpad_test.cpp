// The motion pad: speeds from the marker, the order of notification and
// marker update, and its two looks.
#include <gtest/gtest.h>

#include <vector>

#include "compose/layerstack.h"
#include "compose/motionpad.h"

namespace quenvar {
namespace {

constexpr TColor32 kInactiveFill = Color32(212, 222, 229, 255);

TEST(MotionPad, SpeedsCountGridCellsFromThePointOfNoMotionWithTiesToEven) {
  struct Case {
    int x, y, sx, sy;
  };
  const Case cases[] = {{0, 0, -8, -7},   {40, 20, 2, -2}, {32, 28, 0, 0}, {32, 32, 0, 1},
                        {34, 28, 0, 0},   {38, 28, 2, 0},  {30, 28, 0, 0}, {26, 28, -2, 0},
                        {63, 63, 8, 9},   {32, 30, 0, 0},  {32, 34, 0, 2}, {-40, 100, -18, 18},
                        {200, -4, 42, -8}};
  for (const Case& c : cases) {
    EXPECT_EQ(PadSpeedX(c.x, 64, 16), c.sx) << c.x;
    EXPECT_EQ(PadSpeedY(c.y, 64, 16), c.sy) << c.y;
  }
  EXPECT_EQ(PadLabel(-8, -7), "-8x-7");
  EXPECT_EQ(PadLabel(2, -2), "2x-2");
  EXPECT_EQ(PadLabel(0, 0), "0x0");
}

TEST(MotionPad, NewPadShowsTheMarkerTopLeftInTheInactiveLook) {
  TLayerCollection collection;
  auto& pad = collection.Add<T2dcontrollerLayer>(64, 64);
  EXPECT_EQ(pad.cells, 16);
  EXPECT_EQ(pad.Bitmap().Width(), 64);
  EXPECT_EQ(pad.Location(), (TFloatRect{0, 0, 64, 64}));
  EXPECT_EQ(pad.markerX, 0);
  EXPECT_EQ(pad.speedX, -8);
  EXPECT_EQ(pad.speedY, -7);
  EXPECT_EQ(pad.Bitmap().DrawMode(), dmBlend);
  EXPECT_EQ(pad.Bitmap().Pixel(6, 2), kInactiveFill);
}

TEST(MotionPad, GridFrameIsGreyOutsideAndDarkOnePixelIn) {
  TLayerCollection collection;
  auto& pad = collection.Add<T2dcontrollerLayer>(64, 64);
  pad.DrawPadGrid(false);
  const TBitmap32& s = pad.Bitmap();
  EXPECT_EQ(s.Pixel(0, 10), Color32(150, 150, 150));
  EXPECT_EQ(s.Pixel(63, 10), Color32(150, 150, 150));
  EXPECT_EQ(s.Pixel(10, 63), Color32(150, 150, 150));
  EXPECT_EQ(s.Pixel(1, 10), Color32(60, 60, 90));
  EXPECT_EQ(s.Pixel(10, 1), Color32(60, 60, 90));
  EXPECT_EQ(s.Pixel(0, 0), Color32(150, 150, 150));
  EXPECT_EQ(s.Pixel(1, 1), Color32(60, 60, 90));
  // The centre lines are darker than the lines next to the edges.
  EXPECT_LT(RedOf(s.Pixel(20, 32)), RedOf(s.Pixel(20, 4)));
  EXPECT_LT(RedOf(s.Pixel(32, 20)), RedOf(s.Pixel(4, 20)));
  EXPECT_EQ(s.Pixel(6, 6), kInactiveFill);
}

// The row reads the speeds in the move notification, which comes before the
// pad takes the new pointer position.
TEST(MotionPad, MoveNotifiesWithThePreviousSpeedsThenFollowsTheLeftButton) {
  TLayerCollection collection;
  auto& pad = collection.Add<T2dcontrollerLayer>(64, 64);
  std::vector<std::pair<int, int>> seen;
  pad.OnMouseMove = [&](TCustomLayer& sender, TShiftState, int, int) {
    auto& p = static_cast<T2dcontrollerLayer&>(sender);
    seen.emplace_back(p.speedX, p.speedY);
  };
  ASSERT_EQ(collection.MouseDown(mbLeft, ssLeft, 40, 20), &pad);
  EXPECT_EQ(pad.speedX, 2);
  EXPECT_EQ(pad.speedY, -2);
  collection.MouseMove(ssLeft, 48, 28);
  collection.MouseMove(ssLeft, 63, 63);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{2, -2}, {4, 0}}));
  EXPECT_EQ(pad.speedX, 8);
  EXPECT_EQ(pad.speedY, 9);
  collection.MouseUp(mbLeft, 0, 63, 63);
  EXPECT_EQ(pad.markerX, 63);
  EXPECT_EQ(pad.speedX, 8);
  EXPECT_EQ(seen.size(), 2u) << "the release raises no move";
}

TEST(MotionPad, WithoutTheLeftButtonTheMarkerStaysAndMovesDoNotRedraw) {
  TLayerCollection collection;
  auto& pad = collection.Add<T2dcontrollerLayer>(64, 64);
  int moves = 0;
  pad.OnMouseMove = [&](TCustomLayer&, TShiftState, int, int) { ++moves; };
  // A right-button press draws the active look and leaves the marker.
  collection.MouseDown(mbRight, ssRight, 40, 20);
  EXPECT_EQ(pad.markerX, 0);
  EXPECT_EQ(pad.speedX, -8);
  const TColor32 active = pad.Bitmap().Pixel(6, 2);
  EXPECT_LT(AlphaOf(active), 255u) << "the active look lets earlier drawings show through";
  const std::vector<TColor32> before(pad.Bitmap().Bits(), pad.Bitmap().Bits() + 64 * 64);
  collection.MouseMove(ssRight, 50, 50);
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(std::vector<TColor32>(pad.Bitmap().Bits(), pad.Bitmap().Bits() + 64 * 64), before);
  collection.MouseUp(mbRight, 0, 50, 50);
  EXPECT_EQ(pad.Bitmap().Pixel(6, 2), kInactiveFill);
  EXPECT_EQ(pad.markerX, 0);
}

TEST(MotionPad, RepeatedActiveDrawingsFadeTowardsTheFill) {
  TLayerCollection collection;
  auto& pad = collection.Add<T2dcontrollerLayer>(64, 64);
  pad.DrawPadGrid(true);
  const unsigned once = AlphaOf(pad.Bitmap().Pixel(6, 2));
  pad.DrawPadGrid(true);
  const unsigned twice = AlphaOf(pad.Bitmap().Pixel(6, 2));
  EXPECT_EQ(once, 211u);  // (200 * 200 + 128) >> 8 plus (255 * 55 + 128) >> 8
  EXPECT_LT(twice, once);
}

}  // namespace
}  // namespace quenvar
