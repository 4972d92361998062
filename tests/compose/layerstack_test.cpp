// Composing frames from layer stacks, the collection and its notifications.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "compose/blendmodes.h"
#include "compose/layerstack.h"

namespace quenvar {
namespace {

constexpr TColor32 kBackground = Color32(10, 10, 10, 255);
constexpr TColor32 kWhite = Color32(255, 255, 255, 255);

// A view whose first stage paints a flat background, as the view window
// paints its checkerboard, over a white canvas.
struct View {
  TImgView32 view;
  View(int clientW, int clientH, int canvasW, int canvasH) {
    view.PaintStages()[0].Stage = PST_CUSTOM;
    view.OnPaintStage = [](TImage32&, TBitmap32& buffer, int) { buffer.FillAll(kBackground); };
    view.SetClientSize(clientW, clientH);
    view.Bitmap().Resize(canvasW, canvasH);
    view.Bitmap().FillAll(kWhite);
  }
  TBitmapLayer& AddLayer(int w, int h, TColor32 c, TBlendMode mode, std::uint32_t opacity, float x,
                         float y) {
    TBitmapLayer& l = view.Layers().Add<TBitmapLayer>();
    l.Bitmap().Resize(w, h);
    l.Bitmap().FillAll(c);
    ApplyBlendMode(l.Bitmap(), mode);
    l.Bitmap().SetMasterAlpha(opacity);
    l.SetLocation(TFloatRect{x, y, x + float(w), y + float(h)});
    return l;
  }
  TColor32 At(int x, int y) { return view.Buffer().Pixel(x, y); }
};

TEST(LayerStack, EmptyProjectShowsWhiteCanvasOverTheBackground) {
  View v(5, 4, 3, 2);
  v.view.RepaintNow();
  EXPECT_EQ(v.At(0, 0), kWhite);
  EXPECT_EQ(v.At(2, 1), kWhite);
  EXPECT_EQ(v.At(3, 0), kBackground);
  EXPECT_EQ(v.At(0, 2), kBackground);
}

// Every pixel of a frame from five layers, worked out by hand.
TEST(LayerStack, FrameComposedFromLayersInDifferentModes) {
  View v(6, 4, 4, 3);
  v.AddLayer(2, 2, Color32(200, 0, 0, 255), bmNone, 255, 0, 0);
  v.AddLayer(2, 2, Color32(100, 100, 100, 255), bmMultiply, 255, 1, 1);
  v.AddLayer(1, 1, Color32(0, 0, 255, 128), bmNone, 128, 4, 0);
  v.view.Layers().Add<TBitmapLayer>();                              // no picture: draws nothing
  v.AddLayer(2, 2, Color32(255, 255, 255, 255), bmDodge, 0, 0, 0);  // opacity 0
  v.view.RepaintNow();

  const TColor32 red = Color32(200, 0, 0, 255);
  // Multiply onto red: t = 200 * 100 >> 8 = 78; 200 + floor(-122 * 254 / 256) = 78.
  const TColor32 onRed = Color32(78, 0, 0, 255);
  // Multiply onto white: t = 99; 255 + floor(-156 * 254 / 256) = 100.
  const TColor32 onWhite = Color32(100, 100, 100, 255);
  // Blend with master alpha 128 over the background: W = 64;
  // blue ((255 * 64 + 128) >> 8) + ((10 * 191 + 128) >> 8) = 64 + 7, alpha 0.
  const TColor32 blue = Color32(7, 7, 71, 0);
  const TColor32 expected[4][6] = {
      {red, red, kWhite, kWhite, blue, kBackground},
      {red, onRed, onWhite, kWhite, kBackground, kBackground},
      {kWhite, onWhite, onWhite, kWhite, kBackground, kBackground},
      {kBackground, kBackground, kBackground, kBackground, kBackground, kBackground},
  };
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(v.At(x, y), expected[y][x]) << x << "," << y;
}

TEST(LayerStack, HigherIndexSeesTheLowerResult) {
  View v(2, 1, 2, 1);
  v.AddLayer(1, 1, Color32(200, 100, 0, 255), bmAverage, 255, 0, 0);
  v.AddLayer(1, 1, Color32(0, 100, 200, 255), bmAverage, 255, 0, 0);
  v.view.RepaintNow();
  // First average onto white: t = (227, 177, 127) -> 255 + floor((t - 255) * 254 / 256).
  // r: 255 - 28 = 227, g: 255 - 78 = 177, b: 255 - 127 = 128.
  // Second onto that: t = (113, 138, 164) -> r 227 - 114 = 113, g 177 - 39 = 138,
  // b 128 + 35 = 163.
  EXPECT_EQ(v.At(0, 0), Color32(113, 138, 163, 255));
}

TEST(LayerStack, LocationRoundsTiesToEven) {
  TRect r;
  ASSERT_TRUE(RoundRect(TFloatRect{10.5f, 20, 110.5f, 120}, r));
  EXPECT_EQ(r, (TRect{10, 20, 110, 120}));
  ASSERT_TRUE(RoundRect(TFloatRect{1.5f, -2.5f, 3.5f, 0.49f}, r));
  EXPECT_EQ(r, (TRect{2, -2, 4, 0}));

  View v(4, 1, 4, 1);
  TBitmapLayer& l = v.AddLayer(2, 1, Color32(1, 2, 3, 255), bmNone, 255, 0, 0);
  l.SetLocation(TFloatRect{0.5f, 0, 2.5f, 1});  // rounds to (0, 0, 2, 1)
  v.view.RepaintNow();
  EXPECT_EQ(v.At(0, 0), Color32(1, 2, 3, 255));
  EXPECT_EQ(v.At(2, 0), kWhite);
}

TEST(LayerStack, NonFiniteLocationsDrawNothing) {
  View v(3, 3, 3, 3);
  TBitmapLayer& l = v.AddLayer(2, 2, Color32(1, 2, 3, 255), bmNone, 255, 0, 0);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (TFloatRect loc : {TFloatRect{nan, 0, 2, 2}, TFloatRect{0, 0, inf, 2},
                         TFloatRect{-inf, -inf, inf, inf}, TFloatRect{0, 0, 3e38f, 3e38f}}) {
    l.SetLocation(loc);
    v.view.RepaintNow();
    EXPECT_EQ(v.At(0, 0), kWhite);
    EXPECT_FALSE(l.HitTest(1, 1) && std::isnan(loc.Left));
  }
}

TEST(LayerStack, LayersSpillOverTheCanvasUnlessCropped) {
  View v(4, 2, 2, 2);
  TBitmapLayer& l = v.AddLayer(3, 1, Color32(1, 2, 3, 255), bmNone, 255, 1, 0);
  v.view.RepaintNow();
  EXPECT_EQ(v.At(3, 0), Color32(1, 2, 3, 255));
  l.SetCropped(true);
  v.view.RepaintNow();
  EXPECT_EQ(v.At(1, 0), Color32(1, 2, 3, 255));
  EXPECT_EQ(v.At(2, 0), kBackground);
  // Wholly outside the buffer: nothing, and no harm.
  l.SetCropped(false);
  l.SetLocation(TFloatRect{-100, -100, -97, -99});
  v.view.RepaintNow();
  EXPECT_EQ(v.At(0, 0), kWhite);
}

TEST(LayerStack, EnlargedLayerIsResampledBeforeItsOperation) {
  View v(4, 4, 4, 4);
  TBitmapLayer& l = v.AddLayer(2, 2, Color32(100, 100, 100, 255), bmMultiply, 255, 0, 0);
  l.Bitmap().SetPixel(1, 1, Color32(255, 255, 255, 255));
  l.SetLocation(TFloatRect{0, 0, 4, 4});
  v.view.RepaintNow();
  EXPECT_EQ(v.At(1, 1), Color32(100, 100, 100, 255));
  EXPECT_EQ(v.At(3, 0), Color32(100, 100, 100, 255));
  // White multiplied onto white: t = 254 -> 255 + floor(-254 / 256) = 254.
  EXPECT_EQ(v.At(2, 2), Color32(254, 254, 254, 255));
  EXPECT_EQ(v.At(3, 3), Color32(254, 254, 254, 255));
}

TEST(LayerStack, IndexMovesShiftTheEntriesBetween) {
  TImage32 img;
  TLayerCollection& c = img.Layers();
  TBitmapLayer& a = c.Add<TBitmapLayer>();
  TBitmapLayer& b = c.Add<TBitmapLayer>();
  TBitmapLayer& d = c.Add<TBitmapLayer>();
  EXPECT_EQ(a.Location(), (TFloatRect{0, 0, 64, 64}));
  EXPECT_EQ(a.LayerOptions(), 0xA0000000u);
  b.SetIndex(10);  // beyond the end: last
  EXPECT_EQ(&c[0], &a);
  EXPECT_EQ(&c[1], &d);
  EXPECT_EQ(&c[2], &b);
  d.SetIndex(-3);
  EXPECT_EQ(d.Index(), 0);
  a.BringToFront();
  EXPECT_EQ(&c[0], &d);
  EXPECT_EQ(&c[1], &b);
  EXPECT_EQ(&c[2], &a);
  int destroyed = 0;
  a.AddDestroyNotify([&](TCustomLayer&) { ++destroyed; });
  b.AddDestroyNotify([&](TCustomLayer&) { ++destroyed; });
  c.Remove(&b);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(destroyed, 1);
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(destroyed, 2);
}

TEST(LayerStack, UpdateBracketHoldsInvalidationUntilItCloses) {
  View v(4, 4, 4, 4);
  TBitmapLayer& l = v.AddLayer(2, 2, Color32(1, 2, 3, 255), bmNone, 255, 0, 0);
  int invalidated = 0, shown = 0;
  v.view.OnInvalidate = [&](TImage32&) { ++invalidated; };
  v.view.OnRepaintNow = [&](TImage32&) { ++shown; };
  v.view.BeginUpdate();
  l.Bitmap().ScrollWrap(1, 0);
  l.Bitmap().SetMasterAlpha(10);
  EXPECT_EQ(invalidated, 0);
  EXPECT_TRUE(v.view.NeedsPaint());
  v.view.EndUpdate();
  EXPECT_EQ(invalidated, 1);
  v.view.RepaintNow();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(v.view.NeedsPaint());
  // Outside a bracket each change invalidates: location, options, hook.
  l.SetLocation(TFloatRect{1, 1, 3, 3});
  l.SetVisible(false);
  l.Bitmap().SetOnPixelCombine(BlendOpEvent(TBlendOp::Hue));
  EXPECT_EQ(invalidated, 4);
  // Unchanged values do not.
  l.SetLocation(TFloatRect{1, 1, 3, 3});
  l.Bitmap().SetMasterAlpha(10);
  EXPECT_EQ(invalidated, 4);
  // A hidden layer is not drawn.
  v.view.RepaintNow();
  EXPECT_EQ(v.At(1, 1), kWhite);
}

TEST(LayerStack, PaintNotificationRunsAfterEachVisibleLayer) {
  View v(2, 2, 2, 2);
  TBitmapLayer& l = v.AddLayer(1, 1, Color32(1, 2, 3, 255), bmNone, 255, 0, 0);
  TColor32 seen = 0;
  l.OnPaint = [&](TCustomLayer&, TBitmap32& buffer) { seen = buffer.Pixel(0, 0); };
  v.view.RepaintNow();
  EXPECT_EQ(seen, Color32(1, 2, 3, 255));
}

TEST(MouseRouting, PressGoesToTheHighestEntryThatTakesIt) {
  View v(100, 100, 100, 100);
  TBitmapLayer& low = v.AddLayer(50, 50, 0, bmNone, 255, 0, 0);
  TBitmapLayer& high = v.AddLayer(50, 50, 0, bmNone, 255, 25, 25);
  TCustomLayer* pressed = nullptr;
  int moves = 0, releases = 0, viewPresses = 0;
  for (TBitmapLayer* l : {&low, &high}) {
    l->OnMouseDown = [&](TCustomLayer& s, TMouseButton, TShiftState, int, int) { pressed = &s; };
    l->OnMouseMove = [&](TCustomLayer&, TShiftState, int, int) { ++moves; };
    l->OnMouseUp = [&](TCustomLayer&, TMouseButton, TShiftState, int, int) { ++releases; };
  }
  v.view.OnMouseDown = [&](TImage32&, TMouseButton, TShiftState, int, int) { ++viewPresses; };

  EXPECT_TRUE(v.view.MouseDown(mbLeft, ssLeft, 30, 30));
  EXPECT_EQ(pressed, &high);
  // The entry that took the press gets moves and the release, wherever they are.
  EXPECT_TRUE(v.view.MouseMove(ssLeft, 90, 90));
  EXPECT_TRUE(v.view.MouseUp(mbLeft, 0, 90, 90));
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(releases, 1);
  EXPECT_FALSE(v.view.MouseMove(0, 30, 30));  // no button held: nobody
  EXPECT_EQ(moves, 1);

  // Right and bottom edges are exclusive; the lower layer takes (24, 24).
  EXPECT_TRUE(v.view.MouseDown(mbLeft, ssLeft, 24, 24));
  EXPECT_EQ(pressed, &low);
  v.view.MouseUp(mbLeft, 0, 24, 24);
  high.SetMouseEvents(false);
  v.view.MouseDown(mbLeft, ssLeft, 30, 30);
  EXPECT_EQ(pressed, &low);
  v.view.MouseUp(mbLeft, 0, 30, 30);

  EXPECT_FALSE(v.view.MouseDown(mbLeft, ssLeft, 80, 80));
  EXPECT_EQ(viewPresses, 1);
  v.view.MouseUp(mbLeft, 0, 80, 80);
}

TEST(MouseRouting, EntryDeletedByItsPressHandlerIsForgotten) {
  View v(10, 10, 10, 10);
  TBitmapLayer& l = v.AddLayer(5, 5, 0, bmNone, 255, 0, 0);
  l.OnMouseDown = [&](TCustomLayer& s, TMouseButton, TShiftState, int, int) {
    s.Collection().Remove(&s);
  };
  v.view.MouseDown(mbLeft, ssLeft, 1, 1);
  EXPECT_EQ(v.view.Layers().MouseListener(), nullptr);
  EXPECT_FALSE(v.view.MouseMove(ssLeft, 2, 2));
}

}  // namespace
}  // namespace quenvar
