// The surface: sizing, copying, properties and change notification.
#include <gtest/gtest.h>

#include "compose/blendmodes.h"
#include "compose/surface.h"
#include "formats/limits.h"
#include "host/error.h"

namespace quenvar {
namespace {

// Counts change notifications.
struct ChangeCounter {
  int count = 0;
  TRect last;
  void Attach(TBitmap32& b) {
    b.OnChange = [this](TBitmap32&, const TRect& area) {
      ++count;
      last = area;
    };
  }
};

TEST(Surface, ResizeTakesNegativeAsZeroAndEmptiesBothWays) {
  TBitmap32 b;
  b.Resize(-5, 10);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  b.Resize(3, 2);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  b.Resize(3, 0);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Bits(), nullptr);
}

TEST(Surface, ResizeBeyondTheLimitsFailsAndLeavesTheSurfaceEmpty) {
  TBitmap32 b;
  b.Resize(4, 4);
  try {
    b.Resize(100000, 100000);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
}

TEST(Surface, PropertiesSurviveResizeAndRaiseOnlyOnRealChange) {
  TBitmap32 b;
  ChangeCounter c;
  c.Attach(b);
  b.SetMasterAlpha(255);
  b.SetDrawMode(dmOpaque);
  b.SetCombineMode(cmBlend);
  b.SetOnPixelCombine(TPixelCombineEvent());
  EXPECT_EQ(c.count, 0);
  b.SetMasterAlpha(100);
  b.SetDrawMode(dmCustom);
  b.SetOnPixelCombine(BlendOpEvent(TBlendOp::Burn));
  EXPECT_EQ(c.count, 3);
  b.Resize(2, 2);
  EXPECT_EQ(b.MasterAlpha(), 100u);
  EXPECT_EQ(b.DrawMode(), dmCustom);
  EXPECT_EQ(b.OnPixelCombine(), BlendOpEvent(TBlendOp::Burn));
  // Filling an empty surface raises nothing.
  TBitmap32 empty;
  ChangeCounter e;
  e.Attach(empty);
  empty.FillAll(0xFFFFFFFFu);
  EXPECT_EQ(e.count, 0);
}

TEST(Surface, FillAndForceOpaque) {
  TBitmap32 b;
  b.Resize(3, 2);
  b.FillAll(Color32(1, 2, 3, 4));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b.Bits()[i], Color32(1, 2, 3, 4));
  b.ForceOpaque(128);
  EXPECT_EQ(b.Pixel(2, 1), Color32(1, 2, 3, 128));
  EXPECT_EQ(b.RowPointer(1), b.Bits() + 3);
}

TEST(Surface, CopyFromSurfaceTakesPropertiesButNotTheHook) {
  TBitmap32 src;
  src.Resize(2, 1);
  src.SetPixel(0, 0, 0x11223344u);
  src.SetPixel(1, 0, 0x55667788u);
  ApplyBlendMode(src, bmMultiply);
  src.SetMasterAlpha(77);
  src.SetOuterColor(0xABCDEF01u);
  src.SetResamplerClassName("TDraftResampler");
  src.Font().Name = "Wingdings";

  TBitmap32 noHook;
  noHook.CopyFrom(src);
  EXPECT_EQ(noHook.Pixel(1, 0), 0x55667788u);
  EXPECT_EQ(noHook.DrawMode(), dmCustom);
  EXPECT_EQ(noHook.MasterAlpha(), 77u);
  EXPECT_EQ(noHook.OuterColor(), 0xABCDEF01u);
  EXPECT_EQ(noHook.ResamplerClassName(), "TDraftResampler");
  EXPECT_EQ(noHook.Font().Name, "Wingdings");
  EXPECT_FALSE(noHook.OnPixelCombine().Assigned());

  // With no hook, dmCustom draws opaque.
  TBitmap32 target;
  target.Resize(2, 1);
  target.FillAll(0xFF000000u);
  noHook.DrawTo(target, 0, 0);
  EXPECT_EQ(target.Pixel(0, 0), 0x11223344u);

  TBitmap32 withHook;
  withHook.SetOnPixelCombine(BlendOpEvent(TBlendOp::Hue));
  withHook.CopyFrom(src);
  EXPECT_EQ(withHook.OnPixelCombine(), BlendOpEvent(TBlendOp::Hue));
}

TEST(Surface, CopiesDoNotCarryTheChangeNotification) {
  TBitmap32 a;
  ChangeCounter c;
  c.Attach(a);
  a.Resize(1, 1);
  const int before = c.count;
  TBitmap32 copy(a);
  copy.FillAll(5);
  EXPECT_EQ(c.count, before);
  EXPECT_FALSE(bool(copy.OnChange));
}

TEST(Surface, MovesTakeThePixelsAndKeepTheTargetsNotification) {
  TBitmap32 src;
  src.Resize(2, 1);
  src.FillAll(3);
  src.SetMasterAlpha(40);
  TBitmap32 dst;
  ChangeCounter c;
  c.Attach(dst);
  dst = std::move(src);
  EXPECT_EQ(dst.Pixel(1, 0), 3u);
  EXPECT_EQ(dst.MasterAlpha(), 40u);
  EXPECT_EQ(c.count, 1);
  EXPECT_TRUE(src.Empty());
  EXPECT_EQ(src.ResamplerClassName(), "TNearestResampler");
  TBitmap32 moved(std::move(dst));
  EXPECT_EQ(moved.Width(), 2);
  EXPECT_FALSE(bool(moved.OnChange));
}

TEST(Surface, CopyFromPictureAppliesTheAlphaRulesOfItsKind) {
  TPicture p;
  p.width = 2;
  p.height = 1;
  p.pixels = {Color32(10, 20, 30, 0), Color32(1, 2, 3, 40)};
  TBitmap32 b;

  p.kind = TPictureKind::Bitmap32;
  b.CopyFrom(p);
  EXPECT_EQ(b.Pixel(0, 0), Color32(10, 20, 30, 0));
  EXPECT_EQ(b.Pixel(1, 0), Color32(1, 2, 3, 40));

  p.kind = TPictureKind::Bitmap;
  p.transparent = true;
  p.transparentColor = Color32(1, 2, 3, 255);
  b.CopyFrom(p);
  EXPECT_EQ(b.Pixel(0, 0), Color32(10, 20, 30, 255));
  EXPECT_EQ(b.Pixel(1, 0), Color32(1, 2, 3, 0));  // key colour: alpha 0, colour kept

  p.kind = TPictureKind::Other;
  b.CopyFrom(p);
  EXPECT_EQ(b.Pixel(1, 0), Color32(1, 2, 3, 255));

  p.pixels.pop_back();  // fewer pixels than the size says
  EXPECT_THROW(b.CopyFrom(p), Error);
}

TEST(Surface, ResamplerNamesAreChecked) {
  TBitmap32 b;
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
  for (const char* name : {"TLinearResampler", "TKernelResampler", "TDraftResampler"}) {
    b.SetResamplerClassName(name);
    EXPECT_EQ(b.ResamplerClassName(), name);
  }
  EXPECT_THROW(b.SetResamplerClassName("TMagicResampler"), Error);
  EXPECT_EQ(b.ResamplerClassName(), "TDraftResampler");
}

TEST(Surface, CheckedPixelAccessIgnoresOutsidePoints) {
  TBitmap32 b;
  b.Resize(2, 2);
  b.FillAll(7);
  b.SetPixelS(-1, 0, 9);
  b.SetPixelS(2, 1, 9);
  EXPECT_EQ(b.PixelS(5, 5), 0u);
  EXPECT_EQ(b.PixelS(1, 1), 7u);
}

}  // namespace
}  // namespace quenvar
