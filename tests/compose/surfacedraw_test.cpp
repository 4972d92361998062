// Drawing one surface onto another: draw modes, the reference blends,
// clipping and how hooks are called.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "compose/blendmodes.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

TBitmap32 Filled(int w, int h, TColor32 c) {
  TBitmap32 b;
  b.Resize(w, h);
  b.FillAll(c);
  return b;
}

// Numbers each pixel by its index, so a hook can tell which it was given.
TBitmap32 Numbered(int w, int h) {
  TBitmap32 b;
  b.Resize(w, h);
  for (int i = 0; i < w * h; ++i) b.Bits()[i] = TColor32(i);
  return b;
}

// A foreign hook that records what it was called with.
struct Recorder {
  std::vector<std::pair<TColor32, TColor32>> calls;
  std::uint32_t lastM = 0;
  void Combine(TColor32 F, TColor32& B, std::uint32_t M) {
    calls.emplace_back(F, B);
    lastM = M;
    B = F | 0x80000000u;
  }
};

TEST(SurfaceDraw, ReferenceBlendExamples) {
  // Plain blend: 0 + ((255 * 127 + 128) >> 8) = 127 per colour byte.
  const TColor32 r = BlendReg(Color32(0, 0, 0, 128), Color32(255, 255, 255, 255));
  EXPECT_EQ(RedOf(r), 127u);
  EXPECT_EQ(BlueOf(r), 127u);
  // Alpha is blended too: ((128 * 128 + 128) >> 8) + ((255 * 127 + 128) >> 8) = 64 + 127.
  EXPECT_EQ(AlphaOf(r), 191u);
  EXPECT_EQ(BlendReg(Color32(9, 9, 9, 0), 0x12345678u), 0x12345678u);
  EXPECT_EQ(BlendReg(Color32(9, 8, 7, 255), 0x12345678u), Color32(9, 8, 7, 255));

  // Master alpha 128: W = (255 * 129) >> 8 = 128; red (255*128+128)>>8 = 128; alpha 0.
  EXPECT_EQ(BlendRegEx(Color32(255, 0, 0, 255), Color32(0, 0, 0, 255), 128), Color32(128, 0, 0, 0));
  // W = (1 * 101) >> 8 = 0: unchanged.
  EXPECT_EQ(BlendRegEx(Color32(255, 0, 0, 1), 0xFF102030u, 100), 0xFF102030u);
}

TEST(SurfaceDraw, BlendModeChoosesPlainOrMasterForm) {
  TBitmap32 src = Filled(1, 1, Color32(255, 0, 0, 255));
  src.SetDrawMode(dmBlend);
  TBitmap32 dst = Filled(1, 1, Color32(0, 0, 0, 255));
  src.SetMasterAlpha(128);
  src.DrawTo(dst, 0, 0);
  EXPECT_EQ(dst.Pixel(0, 0), Color32(128, 0, 0, 0));
  src.SetMasterAlpha(300);  // 255 or more: the plain blend
  src.DrawTo(dst, 0, 0);
  EXPECT_EQ(dst.Pixel(0, 0), Color32(255, 0, 0, 255));
  dst.FillAll(0xFF000000u);
  src.SetMasterAlpha(0);
  src.DrawTo(dst, 0, 0);
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u);
}

TEST(SurfaceDraw, CustomHookIsCalledForEveryPixelRowByRowEvenAtMasterAlphaZero) {
  TBitmap32 src = Numbered(3, 2);
  Recorder rec;
  src.SetOnPixelCombine(BindPixelCombine<&Recorder::Combine>(&rec));
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(0);
  TBitmap32 dst = Filled(5, 5, 0xFF000000u);
  src.DrawTo(dst, 1, 2);
  ASSERT_EQ(rec.calls.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(rec.calls[i].first, TColor32(i));
  EXPECT_EQ(rec.lastM, 0u);
  EXPECT_EQ(dst.Pixel(1, 2), 0x80000000u);
  EXPECT_EQ(dst.Pixel(3, 3), 0x80000005u);
  EXPECT_EQ(dst.Pixel(0, 2), 0xFF000000u);
}

TEST(SurfaceDraw, PartlyOutsideTouchesOnlyTheOverlap) {
  TBitmap32 src = Numbered(3, 3);
  Recorder rec;
  src.SetOnPixelCombine(BindPixelCombine<&Recorder::Combine>(&rec));
  src.SetDrawMode(dmCustom);
  TBitmap32 dst = Filled(4, 4, 0xFF000000u);
  src.DrawTo(dst, -1, 2);  // columns 1..2 of rows 0..1 land on (0..1, 2..3)
  ASSERT_EQ(rec.calls.size(), 4u);
  EXPECT_EQ(rec.calls[0].first, 1u);
  EXPECT_EQ(rec.calls[1].first, 2u);
  EXPECT_EQ(rec.calls[2].first, 4u);
  EXPECT_EQ(rec.calls[3].first, 5u);
  EXPECT_EQ(dst.Pixel(2, 2), 0xFF000000u);
  rec.calls.clear();
  src.DrawTo(dst, 4, 0);
  src.DrawTo(dst, -3, -3);
  src.DrawTo(dst, -2000000000, 2000000000);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(SurfaceDraw, OpaqueCopiesAllFourBytes) {
  TBitmap32 src = Filled(2, 2, Color32(1, 2, 3, 0));
  TBitmap32 dst = Filled(3, 3, 0xFFFFFFFFu);
  src.DrawTo(dst, 1, 1);
  EXPECT_EQ(dst.Pixel(2, 2), Color32(1, 2, 3, 0));
  EXPECT_EQ(dst.Pixel(0, 0), 0xFFFFFFFFu);
}

TEST(SurfaceDraw, BlendModeNeverCallsTheHookLeftBound) {
  TBitmap32 src = Filled(2, 2, Color32(255, 0, 0, 255));
  Recorder rec;
  src.SetOnPixelCombine(BindPixelCombine<&Recorder::Combine>(&rec));
  ApplyBlendMode(src, bmNone);
  TBitmap32 dst = Filled(2, 2, 0xFF000000u);
  src.DrawTo(dst, 0, 0);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(dst.Pixel(0, 0), Color32(255, 0, 0, 255));
}

TEST(SurfaceDraw, ProgramOperationsRunAsOneRowKernelCallPerRow) {
  static int rows = 0;
  static int pixels = 0;
  SetBlendOpRow(TBlendOp::Screen, [](const TColor32* f, TColor32* b, int n, std::uint32_t m) {
    ++rows;
    pixels += n;
    BlendOpScalarRow(TBlendOp::Screen)(f, b, n, m);
  });
  TBitmap32 src = Filled(4, 3, Color32(255, 255, 255, 255));
  ApplyBlendMode(src, bmScreen);
  TBitmap32 dst = Filled(6, 6, Color32(0, 128, 255, 255));
  src.DrawTo(dst, 3, 0);  // three columns of each row inside
  SetBlendOpRow(TBlendOp::Screen, nullptr);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(pixels, 9);
  EXPECT_EQ(dst.Pixel(3, 0), Color32(253, 254, 255, 255));
  EXPECT_EQ(dst.Pixel(2, 0), Color32(0, 128, 255, 255));
}

TEST(SurfaceDraw, DrawingASurfaceOntoItselfReadsTheOriginal) {
  TBitmap32 b = Numbered(3, 1);
  b.DrawTo(b, 1, 0);
  EXPECT_EQ(b.Pixel(0, 0), 0u);
  EXPECT_EQ(b.Pixel(1, 0), 0u);
  EXPECT_EQ(b.Pixel(2, 0), 1u);
}

TEST(SurfaceDraw, ChangeIsReportedForTheDrawnArea) {
  TBitmap32 src = Filled(2, 2, 1);
  TBitmap32 dst = Filled(4, 4, 0);
  TRect area;
  int count = 0;
  dst.OnChange = [&](TBitmap32&, const TRect& a) {
    area = a;
    ++count;
  };
  src.DrawTo(dst, 3, -1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(area, (TRect{3, 0, 4, 1}));
}

TEST(SurfaceDraw, EmptySurfacesDrawNothing) {
  TBitmap32 empty;
  TBitmap32 dst = Filled(2, 2, 5);
  empty.DrawTo(dst, 0, 0);
  empty.StretchOnto(dst, TRect{0, 0, 2, 2});
  TBitmap32 src = Filled(2, 2, 9);
  src.DrawTo(empty, 0, 0);
  EXPECT_EQ(dst.Pixel(1, 1), 5u);
}

}  // namespace
}  // namespace quenvar
