// Documents as editors write them, made by the fixture script: layer masks
// of every kind, groups and Unicode names, grey layers, 16- and 32-bit
// layers kept in the global layer information, a large document. Every
// pixel is checked against the script's formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdreader.h"
#include "psd/psdshown.h"
#include "psdfixture.h"

namespace quenvar {
namespace {

using test::FixturePixel;
using test::LoadFixture;

const TPsdImage& Read(const std::string& name) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  const auto bytes = LoadFixture(name);
  EXPECT_FALSE(bytes.empty()) << name;
  ReadPsd(bytes);
  return tPsdImage();
}

// The script's mask value at mask pixel (x, y) for seed s.
unsigned MaskValue(int s, int x, int y) {
  return unsigned(x * 37 + y * 71 + s) & 255;
}

unsigned Scaled(unsigned a, unsigned m) {
  return unsigned(std::lround(a * m / 255.0));
}

using PixelFn = std::function<TColor32(int x, int y)>;

void ExpectPixels(const TBitmap32& picture, int width, int height, const PixelFn& want,
                  const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(picture.Width(), width);
  ASSERT_EQ(picture.Height(), height);
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (picture.Pixel(x, y) != want(x, y) && wrong++ < 3)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << picture.Pixel(x, y)
                      << " want " << want(x, y);
  EXPECT_EQ(wrong, 0);
}

// A 6 x 5 layer at (2, 1) of seed s whose alpha the mask function scales.
PixelFn MaskedLayer(int s, const std::function<unsigned(int x, int y)>& mask) {
  return [=](int x, int y) {
    const TColor32 p = FixturePixel(s, x, y, false);
    return (p & 0x00FFFFFFu) | TColor32(Scaled(AlphaOf(p), mask(x, y))) << 24;
  };
}

// Mask (seed ms) at rectangle (left, top, w, h) with default colour d, seen
// from a layer at (2, 1).
std::function<unsigned(int, int)> MaskAt(int ms, int left, int top, int w, int h, unsigned d) {
  return [=](int x, int y) {
    const int mx = 2 + x - left, my = 1 + y - top;
    return mx >= 0 && mx < w && my >= 0 && my < h ? MaskValue(ms, mx, my) : d;
  };
}

TEST(PsdEditors, LayerMasksOfEveryKind) {
  const TPsdImage& img = Read("masks.psd");
  ASSERT_EQ(img.layerCount, 9);
  auto layer = [&](int i) -> const PsdLayer& { return img.layers[std::size_t(i)]; };
  for (int i = 1; i < 9; ++i) EXPECT_FALSE(layer(i).empty) << i;
  auto check = [&](int i, int seed, const std::function<unsigned(int, int)>& mask) {
    ExpectPixels(layer(i).picture, 6, 5, MaskedLayer(seed, mask), layer(i).name);
  };
  check(1, 41, MaskAt(1, 3, 2, 3, 2, 0));       // smaller than the layer, default 0
  check(2, 42, MaskAt(2, 0, 0, 10, 8, 255));    // larger than the layer
  check(3, 43, MaskAt(3, 5, 4, 4, 3, 255));     // partly outside, default 255
  check(4, 44, [](int, int) { return 255u; });  // disabled
  check(5, 45, MaskAt(5, 1, 1, 3, 2, 0));       // the flag does not move the mask
  check(6, 46, [](int x, int y) {
    return 255 - Scaled(255 - MaskValue(6, x, y), 128);  // density 128
  });
  check(7, 47, [](int, int) { return 255u; });  // empty mask: no mask
  // The rendered vector mask (-2) and the user mask (-3) both apply.
  const auto vector = MaskAt(7, 2, 1, 3, 5, 0), user = MaskAt(8, 4, 2, 4, 3, 255);
  ExpectPixels(
      layer(8).picture, 6, 5,
      [&](int x, int y) {
        const TColor32 p = FixturePixel(48, x, y, false);
        return (p & 0x00FFFFFFu) | TColor32(Scaled(Scaled(AlphaOf(p), vector(x, y)), user(x, y)))
                                       << 24;
      },
      layer(8).name);

  EXPECT_EQ(layer(1).mask.left, 3);
  EXPECT_EQ(layer(1).mask.width, 3);
  EXPECT_EQ(layer(2).mask.defaultColor, 255);
  EXPECT_TRUE(layer(4).mask.Disabled());
  EXPECT_TRUE(layer(5).mask.RelativeToLayer());
  EXPECT_EQ(layer(6).mask.density, 128);
  EXPECT_TRUE(layer(7).mask.Empty());
  EXPECT_TRUE(layer(8).realMask.present);
  // Mask planes keep the part of their rectangle over the layer: all of
  // the smaller masks, 6 x 5 of the 10 x 8 one.
  EXPECT_EQ(layer(1).channels[4].data.size(), 6u);
  EXPECT_EQ(layer(2).channels[4].data.size(), 30u);
  EXPECT_EQ(layer(8).channels[5].data.size(), 12u);
}

TEST(PsdEditors, BackgroundWithoutTransparencyIsShownOpaque) {
  const TPsdImage& img = Read("masks.psd");
  const PsdLayer& bg = img.layers[0];
  ASSERT_EQ(bg.channelCount, 3u);
  EXPECT_TRUE(bg.opaque);
  // The record keeps alpha 0; the layer as shown is opaque.
  ExpectPixels(
      bg.picture, 12, 10, [](int x, int y) { return FixturePixel(40, x, y, true) & 0x00FFFFFFu; },
      "record");
  ExpectPixels(
      PsdLayerAsShown(bg), 12, 10, [](int x, int y) { return FixturePixel(40, x, y, true); },
      "as shown");
  // Layers with transparency or masks are shown as their pictures are.
  for (int i = 1; i < 9; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    EXPECT_FALSE(l.opaque) << i;
    const TBitmap32 shown = PsdLayerAsShown(l);
    EXPECT_TRUE(std::equal(shown.Bits(), shown.Bits() + 30, l.picture.Bits())) << i;
  }
}

TEST(PsdEditors, GroupsAndUnicodeNames) {
  const TPsdImage& img = Read("groups.psd");
  ASSERT_EQ(img.layerCount, 8);
  struct Want {
    const char* name;
    TPsdLayerKind kind;
    int depth;
    bool visible, inHidden;
  };
  using K = TPsdLayerKind;
  const Want want[] = {
      {"Grund", K::Normal, 0, true, false},
      {"Über 🎨", K::Normal, 0, true, false},
      {"</Layer group>", K::GroupClose, 0, true, false},
      {"</Layer group>", K::GroupClose, 1, true, false},
      {"Tief", K::Normal, 2, true, true},
      {"Versteckt", K::GroupOpen, 1, false, false},
      {"Kind 日本", K::Normal, 1, true, false},
      {"Äußere", K::GroupOpen, 0, true, false},
  };
  for (int i = 0; i < 8; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    SCOPED_TRACE(i);
    EXPECT_EQ(l.name, want[i].name);
    EXPECT_EQ(l.kind, want[i].kind);
    EXPECT_EQ(l.groupDepth, want[i].depth);
    EXPECT_EQ(l.visible, want[i].visible);
    EXPECT_EQ(l.inHiddenGroup, want[i].inHidden);
    EXPECT_EQ(IsPsdPictureLayer(l), want[i].kind == K::Normal);
  }
  EXPECT_FALSE(IsPsdLayerShown(img.layers[4]));
  EXPECT_TRUE(IsPsdLayerShown(img.layers[6]));
  ExpectPixels(
      img.layers[4].picture, 2, 2, [](int x, int y) { return FixturePixel(52, x, y, false); },
      "Tief");
}

TEST(PsdEditors, GreyLayers) {
  // ImageMagick: a grey layer without transparency, one with it stored last.
  const TPsdImage& im = Read("grey-im.psd");
  ASSERT_EQ(im.layerCount, 2);
  ExpectPixels(
      im.layers[0].picture, 3, 2, [](int, int) { return Color32(204, 204, 204, 255); }, "L1");
  EXPECT_TRUE(im.layers[0].opaque);
  ExpectPixels(
      im.layers[1].picture, 2, 2, [](int, int) { return Color32(200, 200, 200, 128); }, "L2");

  const TPsdImage& img = Read("grey.psd");
  EXPECT_EQ(img.colorMode, 1);
  ASSERT_EQ(img.layerCount, 2);
  const int seeds[] = {60, 61};
  for (int i = 0; i < 2; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    ExpectPixels(
        l.picture, l.width, l.height,
        [&](int x, int y) {
          const TColor32 p = FixturePixel(seeds[i], x, y, false);
          const unsigned grey = RedOf(p);
          return Color32(grey, grey, grey, AlphaOf(p));
        },
        l.name);
  }
}

TEST(PsdEditors, SixteenBitLayersInTheirBlock) {
  const TPsdImage& img = Read("lr16.psd");
  EXPECT_EQ(LastPsdDocument().bitsPerSample, 16);
  ASSERT_EQ(img.layerCount, 2);
  EXPECT_EQ(img.layers[0].name, "Deep A");
  EXPECT_EQ(img.layers[0].channels[1].compression, 3);
  EXPECT_EQ(img.layers[1].left, 1);
  EXPECT_EQ(img.layers[1].top, 2);
  const int seeds[] = {62, 63};
  for (int i = 0; i < 2; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    ExpectPixels(
        l.picture, l.width, l.height,
        [&](int x, int y) { return FixturePixel(seeds[i], x, y, false); }, l.name);
  }
}

// The writer stores colour as (v / 255)^2.2 and coverage as v / 255.
unsigned SrgbOfWritten(unsigned v) {
  const double linear = double(float(std::pow(v / 255.0, 2.2)));
  const double s = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return unsigned(std::lround(255 * s));
}

TEST(PsdEditors, ThirtyTwoBitLayersInTheirBlock) {
  const TPsdImage& img = Read("float32.psd");
  EXPECT_EQ(LastPsdDocument().bitsPerSample, 32);
  ASSERT_EQ(img.layerCount, 2);
  EXPECT_EQ(img.layers[1].name, "Float B");
  const int seeds[] = {64, 65};
  for (int i = 0; i < 2; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    ExpectPixels(
        l.picture, l.width, l.height,
        [&](int x, int y) {
          const TColor32 p = FixturePixel(seeds[i], x, y, false);
          return Color32(SrgbOfWritten(RedOf(p)), SrgbOfWritten(GreenOf(p)),
                         SrgbOfWritten(BlueOf(p)), AlphaOf(p));
        },
        l.name);
  }
}

TEST(PsdEditors, LargeDocument) {
  const TPsdImage& img = Read("large.psb");
  EXPECT_TRUE(img.large);
  ASSERT_EQ(img.layerCount, 2);
  EXPECT_EQ(img.layers[1].name, "Groß");
  ExpectPixels(
      PsdLayerAsShown(img.layers[0]), 9, 7,
      [](int x, int y) { return FixturePixel(66, x, y, true); }, "Grund");
  ExpectPixels(
      img.layers[1].picture, 5, 4,
      [](int x, int y) {
        const TColor32 p = FixturePixel(67, x, y, false);
        const int mx = 2 + x - 3, my = 1 + y - 2;
        const unsigned m = mx >= 0 && mx < 3 && my >= 0 && my < 3 ? MaskValue(9, mx, my) : 0;
        return (p & 0x00FFFFFFu) | TColor32(Scaled(AlphaOf(p), m)) << 24;
      },
      "Groß");
}

}  // namespace
}  // namespace quenvar
