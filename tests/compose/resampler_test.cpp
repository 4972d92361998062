// Drawing into rectangles of another size with each resampler.
#include <gtest/gtest.h>

#include "compose/blendops.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

TBitmap32 Picture(int w, int h, std::initializer_list<TColor32> pixels) {
  TBitmap32 b;
  b.Resize(w, h);
  std::copy(pixels.begin(), pixels.end(), b.Bits());
  return b;
}

TColor32 Grey(unsigned v) {
  return Color32(v, v, v, 255);
}

TEST(Resamplers, NearestDoublesEachPixel) {
  TBitmap32 src = Picture(2, 2, {Grey(10), Grey(20), Grey(30), Grey(40)});
  TBitmap32 dst;
  dst.Resize(4, 4);
  src.StretchOnto(dst, TRect{0, 0, 4, 4});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(Resamplers, NearestShrinkTakesThePixelUnderTheCentre) {
  TBitmap32 src = Picture(4, 1, {Grey(1), Grey(2), Grey(3), Grey(4)});
  TBitmap32 dst;
  dst.Resize(2, 1);
  src.StretchOnto(dst, TRect{0, 0, 2, 1});
  // Centres 0.5 and 1.5 map to source 1.0 and 3.0.
  EXPECT_EQ(dst.Pixel(0, 0), Grey(2));
  EXPECT_EQ(dst.Pixel(1, 0), Grey(4));
}

TEST(Resamplers, LinearInterpolatesBetweenNeighbours) {
  TBitmap32 src = Picture(2, 1, {Grey(0), Grey(200)});
  src.SetResamplerClassName("TLinearResampler");
  TBitmap32 dst;
  dst.Resize(4, 1);
  src.StretchOnto(dst, TRect{0, 0, 4, 1});
  // Centres map to -0.25, 0.25, 0.75, 1.25: edges clamp, inside 1/4 and 3/4.
  EXPECT_EQ(dst.Pixel(0, 0), Grey(0));
  EXPECT_EQ(dst.Pixel(1, 0), Grey(50));
  EXPECT_EQ(dst.Pixel(2, 0), Grey(150));
  EXPECT_EQ(dst.Pixel(3, 0), Grey(200));
}

TEST(Resamplers, DraftAveragesBoxesWhenShrinking) {
  TBitmap32 src = Picture(4, 2,
                          {Grey(0), Grey(100), Grey(10), Grey(20),  //
                           Grey(100), Grey(200), Grey(30), Grey(40)});
  src.SetResamplerClassName("TDraftResampler");
  TBitmap32 dst;
  dst.Resize(2, 1);
  src.StretchOnto(dst, TRect{0, 0, 2, 1});
  EXPECT_EQ(dst.Pixel(0, 0), Grey(100));  // (0 + 100 + 100 + 200) / 4
  EXPECT_EQ(dst.Pixel(1, 0), Grey(25));
  // Enlarging behaves as the linear resampler.
  TBitmap32 two = Picture(2, 1, {Grey(0), Grey(200)});
  two.SetResamplerClassName("TDraftResampler");
  TBitmap32 wide;
  wide.Resize(4, 1);
  two.StretchOnto(wide, TRect{0, 0, 4, 1});
  EXPECT_EQ(wide.Pixel(1, 0), Grey(50));
}

TEST(Resamplers, CubicKernelHasItsShape) {
  TCubicKernel k;
  EXPECT_FLOAT_EQ(k.Filter(0), 1.0f);
  EXPECT_FLOAT_EQ(k.Filter(1), 0.0f);
  EXPECT_FLOAT_EQ(k.Filter(-2), 0.0f);
  EXPECT_FLOAT_EQ(k.Filter(0.5f), 0.5625f);   // 1.5/8 - 2.5/4 + 1
  EXPECT_FLOAT_EQ(k.Filter(1.5f), -0.0625f);  // -0.5 * (3.375 - 11.25 + 12 - 4)
}

TEST(Resamplers, KernelKeepsFlatAreasAndOvershootsAreClamped) {
  TBitmap32 flat;
  flat.Resize(5, 5);
  flat.FillAll(Color32(90, 120, 200, 255));
  flat.SetResamplerClassName("TKernelResampler");
  TBitmap32 dst;
  dst.Resize(2, 3);
  flat.StretchOnto(dst, TRect{0, 0, 2, 3});
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dst.Bits()[i], Color32(90, 120, 200, 255));

  // A hard edge enlarged: cubic ringing must stay within a byte.
  TBitmap32 edge = Picture(2, 1, {Grey(0), Grey(255)});
  edge.SetResamplerClassName("TKernelResampler");
  TBitmap32 wide;
  wide.Resize(8, 1);
  edge.StretchOnto(wide, TRect{0, 0, 8, 1});
  EXPECT_EQ(wide.Pixel(0, 0), Grey(0));
  EXPECT_EQ(wide.Pixel(7, 0), Grey(255));
  for (int x = 1; x < 8; ++x) EXPECT_GE(RedOf(wide.Pixel(x, 0)), RedOf(wide.Pixel(x - 1, 0)));
}

TEST(Resamplers, ThumbnailOfALargePictureIsTheAverageColour) {
  TBitmap32 src;
  src.Resize(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) src.SetPixel(x, y, (x + y) % 2 ? Grey(200) : Grey(100));
  src.SetResamplerClassName("TKernelResampler");
  TBitmap32 thumb;
  thumb.Resize(64, 64);
  src.StretchOnto(thumb, TRect{0, 0, 64, 64});
  EXPECT_NEAR(int(RedOf(thumb.Pixel(30, 30))), 150, 2);
}

TEST(Resamplers, ResampledPixelsAreCombinedByTheDrawMode) {
  TBitmap32 src = Picture(1, 1, {Color32(255, 255, 255, 255)});
  src.SetOnPixelCombine(BlendOpEvent(TBlendOp::Multiply));
  src.SetDrawMode(dmCustom);
  TBitmap32 dst;
  dst.Resize(3, 3);
  dst.FillAll(Grey(100));
  src.StretchOnto(dst, TRect{1, 1, 3, 3});
  EXPECT_EQ(dst.Pixel(1, 1), Grey(99));
  EXPECT_EQ(dst.Pixel(2, 2), Grey(99));
  EXPECT_EQ(dst.Pixel(0, 0), Grey(100));
  // Clipped to the caller's rectangle as well as to the target.
  dst.FillAll(Grey(100));
  src.StretchOnto(dst, TRect{-10, -10, 50, 50}, TRect{0, 0, 1, 3});
  EXPECT_EQ(dst.Pixel(0, 2), Grey(99));
  EXPECT_EQ(dst.Pixel(1, 0), Grey(100));
}

TEST(Resamplers, HugeAndInvertedRectanglesAreSafe) {
  TBitmap32 src = Picture(2, 2, {Grey(1), Grey(2), Grey(3), Grey(4)});
  TBitmap32 dst;
  dst.Resize(4, 4);
  for (const char* name :
       {"TNearestResampler", "TLinearResampler", "TDraftResampler", "TKernelResampler"}) {
    dst.FillAll(Grey(9));
    src.SetResamplerClassName(name);
    src.StretchOnto(dst, TRect{3, 3, 1, 1});  // inverted: nothing
    EXPECT_EQ(dst.Pixel(2, 2), Grey(9));
    src.StretchOnto(dst, TRect{-1000000000, -1000000000, 1000000000, 1000000000});
    // The middle of the huge picture lies between the four source pixels.
    EXPECT_GE(RedOf(dst.Pixel(0, 0)), 1u) << name;
    EXPECT_LE(RedOf(dst.Pixel(0, 0)), 4u) << name;
  }
}

}  // namespace
}  // namespace quenvar
