// The blend-key table: every row, exact matching, and the drawing settings a
// key gives a surface.
#include <gtest/gtest.h>

#include "compose/surface.h"
#include "psd/psdblendkey.h"

namespace quenvar {
namespace {

TEST(PsdBlendKey, EveryRowAndKeysThatMatchNone) {
  const struct {
    const char* key;
    TBlendMode mode;
  } table[] = {
      {"norm", bmNone},       {"scrn", bmScreen},   {"diss", bmScreen},     {"lite", bmLighten},
      {"dark", bmDarken},     {"mul ", bmMultiply}, {"idiv", bmBurn},       {"lddg", bmDodge},
      {"over", bmOverlay},    {"sLit", bmShine},    {"hLit", bmHardlight},  {"vLit", bmGlow},
      {"lLit", bmReflect},    {"pLit", bmGlow},     {"hMix", bmStamp},      {"diff", bmDifference},
      {"smud", bmExclusion},  {"hue ", bmHue},      {"sat ", bmSaturation}, {"colr", bmColorshift},
      {"lum ", bmSaturation},
  };
  for (const auto& row : table) EXPECT_EQ(BlendModeFromKey(row.key), row.mode) << row.key;
  // Exact compare: case and the trailing space count.
  for (const char* key : {"SCRN", "mul", "mul  ", "pass", "", "lum"})
    EXPECT_EQ(BlendModeFromKey(key), bmNone) << '"' << key << '"';
  EXPECT_EQ(PsdBlendKeyDisplayName("colr"), "Colorshift");
  EXPECT_EQ(PsdBlendKeyDisplayName("what"), "None");
}

TEST(PsdBlendKey, ApplyGivesTheModesDrawingSettings) {
  TBitmap32 normal;
  normal.SetDrawMode(dmCustom);
  ApplyBlendKey(normal, "norm");
  EXPECT_EQ(normal.DrawMode(), dmBlend);
  EXPECT_EQ(normal.CombineMode(), cmBlend);
  TBitmap32 screen, expected;
  ApplyBlendKey(screen, "scrn");
  ApplyBlendMode(expected, bmScreen);
  EXPECT_EQ(screen.DrawMode(), dmCustom);
  EXPECT_TRUE(screen.OnPixelCombine() == expected.OnPixelCombine());
}

}  // namespace
}  // namespace quenvar
