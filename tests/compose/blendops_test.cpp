// The 28 blend operations against values worked out by hand.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compose/blendops.h"

namespace quenvar {
namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

void PrintTo(const Rgb& c, std::ostream* os) {
  *os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// Runs one operation through its hook, as dmCustom drawing calls it.
Rgb Apply(TBlendOp op, Rgb f, Rgb b, unsigned fAlpha = 255, std::uint32_t m = 255,
          unsigned bAlpha = 255) {
  TColor32 B = Color32(b.r, b.g, b.b, bAlpha);
  BlendOpEvent(op)(Color32(f.r, f.g, f.b, fAlpha), B, m);
  return Rgb{int(RedOf(B)), int(GreenOf(B)), int(BlueOf(B))};
}

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

TEST(BlendOps, AverageFollowsStrength) {
  EXPECT_EQ(Apply(TBlendOp::Average, {200, 100, 0}, {0, 100, 200}), (Rgb{99, 100, 100}));
  EXPECT_EQ(Apply(TBlendOp::Average, {200, 100, 0}, {0, 100, 200}, 128), (Rgb{49, 100, 150}));
  EXPECT_EQ(Apply(TBlendOp::Average, {200, 100, 0}, {0, 100, 200}, 255, 0), (Rgb{0, 100, 200}));
}

TEST(BlendOps, OnlyTheLowByteOfMasterAlphaCounts) {
  // 0x100 has low byte 0: strength 0, nothing changes; 0x1FF acts as 255.
  EXPECT_EQ(Apply(TBlendOp::Average, {200, 100, 0}, {0, 100, 200}, 255, 0x100), (Rgb{0, 100, 200}));
  EXPECT_EQ(Apply(TBlendOp::Average, {200, 100, 0}, {0, 100, 200}, 255, 0x1FF),
            (Rgb{99, 100, 100}));
}

TEST(BlendOps, StepFloorsTowardsMinusInfinity) {
  // Target 99, (99 - 100) * 254 / 256 floors to -1.
  EXPECT_EQ(Apply(TBlendOp::Multiply, kWhite, {100, 100, 100}), (Rgb{99, 99, 99}));
  EXPECT_EQ(Apply(TBlendOp::Screen, kWhite, {0, 128, 255}), (Rgb{253, 254, 255}));
  EXPECT_EQ(Apply(TBlendOp::Difference, kWhite, kBlack), (Rgb{253, 253, 253}));
}

TEST(BlendOps, ComparisonAndInversionTargets) {
  EXPECT_EQ(Apply(TBlendOp::Lighten, {10, 200, 30}, {100, 150, 200}), (Rgb{100, 199, 200}));
  EXPECT_EQ(Apply(TBlendOp::Darken, {10, 200, 30}, {100, 150, 200}), (Rgb{10, 150, 31}));
  EXPECT_EQ(Apply(TBlendOp::Exclusion, kWhite, {0, 128, 255}), (Rgb{253, 128, 3}));
  EXPECT_EQ(Apply(TBlendOp::Negation, {255, 200, 0}, {255, 100, 0}), (Rgb{1, 209, 0}));
}

TEST(BlendOps, LightTargetsSplitAtHalf) {
  EXPECT_EQ(Apply(TBlendOp::Overlay, {100, 100, 100}, {200, 50, 128}), (Rgb{189, 39, 102}));
  EXPECT_EQ(Apply(TBlendOp::HardLight, {200, 50, 128}, {100, 100, 100}), (Rgb{188, 39, 101}));
}

TEST(BlendOps, DividingTargets) {
  EXPECT_EQ(Apply(TBlendOp::Dodge, {255, 128, 0}, {10, 100, 200}), (Rgb{253, 200, 200}));
  EXPECT_EQ(Apply(TBlendOp::Burn, {0, 128, 255}, {10, 100, 200}), (Rgb{0, 0, 200}));
  EXPECT_EQ(Apply(TBlendOp::Reflect, {128, 128, 128}, {100, 200, 250}), (Rgb{78, 254, 254}));
  EXPECT_EQ(Apply(TBlendOp::Freeze, {255, 128, 0}, {100, 100, 100}), (Rgb{160, 68, 0}));
  EXPECT_EQ(Apply(TBlendOp::Heat, {100, 100, 100}, {0, 128, 255}), (Rgb{0, 68, 161}));
}

TEST(BlendOps, GlowMixesWithItsOwnWeights) {
  // (255 * 254 + 1 * 255) >> 8 = 254: glow never writes 255.
  EXPECT_EQ(Apply(TBlendOp::Glow, kWhite, kWhite), (Rgb{254, 254, 254}));
  // b = 100, f = 200: t = min(255, 40000 / 155) = 255; (255*254 + 1*100) >> 8 = 253.
  EXPECT_EQ(Apply(TBlendOp::Glow, {200, 0, 0}, {100, 0, 0}), (Rgb{253, 0, 0}));
}

TEST(BlendOps, StampClampsBothWays) {
  EXPECT_EQ(Apply(TBlendOp::Stamp, {255, 255, 50}, {200, 200, 100}), (Rgb{254, 254, 0}));
}

TEST(BlendOps, LogicalTargetsCrossChannels) {
  EXPECT_EQ(Apply(TBlendOp::Xor, {0, 0, 255}, {15, 240, 51}), (Rgb{202, 16, 253}));
  EXPECT_EQ(Apply(TBlendOp::And, {255, 15, 60}, {240, 170, 85}), (Rgb{21, 1, 20}));
  EXPECT_EQ(Apply(TBlendOp::ColorShift, {10, 20, 30}, {100, 150, 200}), (Rgb{90, 60, 145}));
  // Or: T.r = 60 | 85 = 125, T.g = 15 | 240 = 255, T.b = 85 | 125 = 125.
  // r: 240 + floor(-115 * 254 / 256) = 125; g: 170 + (85 * 254 >> 8) = 254;
  // b: 85 + (40 * 254 >> 8) = 124.
  EXPECT_EQ(Apply(TBlendOp::Or, {255, 15, 60}, {240, 170, 85}), (Rgb{125, 254, 124}));
}

TEST(BlendOps, SingleChannelOperationsKeepTheOthersExactly) {
  EXPECT_EQ(Apply(TBlendOp::Red, {255, 0, 0}, {0, 100, 200}), (Rgb{253, 100, 200}));
  EXPECT_EQ(Apply(TBlendOp::Green, {0, 0, 0}, {0, 100, 200}), (Rgb{0, 0, 200}));
  EXPECT_EQ(Apply(TBlendOp::Blue, {9, 9, 255}, {0, 100, 200}), (Rgb{0, 100, 254}));
}

TEST(BlendOps, HueTakesTheSourceHue) {
  // Target HSL (0, 1, 0.5) = (255, 0, 0).
  EXPECT_EQ(Apply(TBlendOp::Hue, {128, 128, 128}, {0, 0, 255}), (Rgb{253, 0, 1}));
  // Saturation of grey F is 0: the target is B's lightness as grey.
  // B (0, 0, 255) has L = 0.5: round(127.5) = 128 (ties to even).
  EXPECT_EQ(Apply(TBlendOp::Saturation, {128, 128, 128}, {0, 0, 255}), (Rgb{127, 127, 128}));
  // Lightness of white F is 1: target white.
  EXPECT_EQ(Apply(TBlendOp::Lightness, kWhite, {0, 0, 255}), (Rgb{253, 253, 255}));
}

TEST(BlendOps, HslRoundTripsPrimariesAndGreys) {
  for (TColor32 c :
       {Color32(255, 0, 0), Color32(0, 255, 0), Color32(0, 0, 255), Color32(255, 255, 0),
        Color32(0, 0, 0), Color32(255, 255, 255), Color32(51, 51, 51)})
    EXPECT_EQ(HslToRgb(RgbToHsl(c)), c);
  const THsl blue = RgbToHsl(Color32(0, 0, 255));
  EXPECT_FLOAT_EQ(blue.H, 4.0f / 6.0f);
  EXPECT_FLOAT_EQ(blue.S, 1.0f);
  EXPECT_FLOAT_EQ(blue.L, 0.5f);
  // A negative raw hue wraps into 0..1: magenta (255, 0, 255) has H = 5/6.
  EXPECT_NEAR(RgbToHsl(Color32(255, 0, 255)).H, 5.0f / 6.0f, 1e-6);
}

TEST(BlendOps, Grid4CounterAdvancesBeforeTheStrengthTest) {
  const Rgb b{200, 100, 50};
  const Rgb f{0, 0, 250};
  GridCounter() = 2;
  EXPECT_EQ(Apply(TBlendOp::Grid4, f, b), b);  // counter 3: unchanged
  // Counter 4: target (100, 50, 250).
  EXPECT_EQ(Apply(TBlendOp::Grid4, f, b), (Rgb{100, 50, 248}));
  EXPECT_EQ(Apply(TBlendOp::Grid4, f, b), (Rgb{100, 50, 248}));  // counter 5
  EXPECT_EQ(GridCounter(), 5);
  // A transparent source still advances the counter.
  Apply(TBlendOp::Grid4, f, b, 0);
  EXPECT_EQ(GridCounter(), 6);
  // Wraps from 65535 to 0, and 0 is divisible by 3.
  GridCounter() = 65535;
  EXPECT_EQ(Apply(TBlendOp::Grid4, f, b), b);
  EXPECT_EQ(GridCounter(), 0);
}

TEST(BlendOps, AlphaByteOfDestinationIsKept) {
  for (int i = 0; i < kBlendOpCount; ++i) {
    TColor32 B = Color32(10, 20, 30, 77);
    BlendOpEvent(TBlendOp(i))(Color32(200, 150, 100, 255), B, 255);
    EXPECT_EQ(AlphaOf(B), 77u) << BlendOpName(TBlendOp(i));
  }
}

TEST(BlendOps, ZeroStrengthLeavesEveryPixelAlone) {
  std::mt19937 rng(7);
  for (int i = 0; i < kBlendOpCount; ++i) {
    for (int k = 0; k < 200; ++k) {
      const TColor32 F = rng(), B0 = rng();
      // Source alpha 0, or master alpha 0, or F.a * m < 256.
      for (auto [fa, m] : {std::pair{0u, 255u}, {255u, 0u}, {1u, 255u}, {15u, 17u}}) {
        TColor32 B = B0;
        BlendOpEvent(TBlendOp(i))((F & 0x00FFFFFFu) | (fa << 24), B, m);
        EXPECT_EQ(B, B0) << BlendOpName(TBlendOp(i));
      }
    }
  }
}

// Every channel value pair once per operation: catches division by zero and
// out-of-range shifts (in the sanitizer build), and checks that each result
// stays a byte moved from B at most as far as full strength allows.
TEST(BlendOps, EveryChannelPairIsSafe) {
  for (int i = 0; i < kBlendOpCount; ++i) {
    for (int f = 0; f < 256; ++f) {
      for (int b = 0; b < 256; ++b) {
        TColor32 B = Color32(b, b, b);
        BlendOpEvent(TBlendOp(i))(Color32(f, f, f), B, 255);
        ASSERT_EQ(AlphaOf(B), 255u);
      }
    }
  }
}

TEST(BlendOps, RowKernelsMatchThePixelFormForEveryOperation) {
  std::mt19937 rng(1234);
  std::vector<TColor32> f(257), b(257);
  for (int i = 0; i < kBlendOpCount; ++i) {
    for (auto& p : f) p = rng();
    for (auto& p : b) p = rng();
    std::vector<TColor32> byPixel = b, byRow = b;
    const std::uint32_t m = rng() & 511;
    GridCounter() = 100;
    for (std::size_t k = 0; k < f.size(); ++k) BlendOpPixel(TBlendOp(i))(f[k], byPixel[k], m);
    const std::uint16_t after = GridCounter();
    GridCounter() = 100;
    BlendOpRow(TBlendOp(i))(f.data(), byRow.data(), int(f.size()), m);
    EXPECT_EQ(byRow, byPixel) << BlendOpName(TBlendOp(i));
    EXPECT_EQ(GridCounter(), after);
  }
}

TEST(BlendOps, HooksAreRecognisedAndForeignOnesAreNot) {
  for (int i = 0; i < kBlendOpCount; ++i) {
    TBlendOp found;
    ASSERT_TRUE(FindBlendOp(BlendOpEvent(TBlendOp(i)), found));
    EXPECT_EQ(found, TBlendOp(i));
  }
  TBlendOp found;
  EXPECT_FALSE(FindBlendOp(TPixelCombineEvent(), found));
  int dummy = 0;
  // The program's operation bound to an object is still the same function.
  TPixelCombineEvent foreign([](void*, TColor32, TColor32&, std::uint32_t) {}, &dummy);
  EXPECT_FALSE(FindBlendOp(foreign, found));
}

TEST(BlendOps, ReplacedRowKernelIsUsedAndCanBeRestored) {
  static int calls = 0;
  const TRowKernel counting = [](const TColor32*, TColor32*, int, std::uint32_t) { ++calls; };
  SetBlendOpRow(TBlendOp::Average, counting);
  TColor32 f = 0, b = 0;
  BlendOpRow(TBlendOp::Average)(&f, &b, 1, 255);
  EXPECT_EQ(calls, 1);
  SetBlendOpRow(TBlendOp::Average, nullptr);
  EXPECT_EQ(BlendOpRow(TBlendOp::Average), BlendOpScalarRow(TBlendOp::Average));
}

}  // namespace
}  // namespace quenvar
