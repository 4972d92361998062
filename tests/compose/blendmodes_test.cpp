// The mode catalogue: names, the user list and the hooks modes bind.
#include <gtest/gtest.h>

#include "compose/blendmodes.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

TEST(BlendModes, EveryModeSurvivesANameRoundTrip) {
  for (int v = 0; v < kBlendModeCount; ++v) {
    const TBlendMode mode = TBlendMode(v);
    EXPECT_EQ(BlendModeFromName(BlendModeName(mode)), mode) << BlendModeName(mode);
  }
  EXPECT_EQ(BlendModeName(bmOverlay), "overlay");
  EXPECT_EQ(BlendModeName(bmBlur), "blur ii");
  EXPECT_EQ(BlendModeName(bmBlurBlend), "blur blend");
  EXPECT_EQ(BlendModeName(bmColorshift), "colorshift");
}

TEST(BlendModes, NamesAreMatchedIgnoringAsciiCase) {
  EXPECT_EQ(BlendModeFromName("OVERLAY"), bmOverlay);
  EXPECT_EQ(BlendModeFromName("Blur II"), bmBlur);
  EXPECT_EQ(BlendModeFromName("ColorShift"), bmColorshift);
  EXPECT_EQ(BlendModeFromName("MultiLight"), bmMultiLight);
}

TEST(BlendModes, TextsThatNameNoModeGiveNone) {
  for (const char* text :
       {"blur", "Alpha Blend", "", "-----------------------", "overlay ", "\xC3\x96verlay", "grid"})
    EXPECT_EQ(BlendModeFromName(text), bmNone) << text;
}

TEST(BlendModes, ValuesOutsideTheTableAreNamedNone) {
  EXPECT_EQ(BlendModeName(TBlendMode(34)), "none");
  EXPECT_EQ(BlendModeName(TBlendMode(255)), "none");
  EXPECT_EQ(sizeof(TBlendMode), 1u);
}

TEST(BlendModes, CapitalizeFirstTouchesOnlyALeadingLowerCaseLetter) {
  EXPECT_EQ(CapitalizeFirst("blur ii"), "Blur ii");
  EXPECT_EQ(CapitalizeFirst(""), "");
  EXPECT_EQ(CapitalizeFirst("Hue"), "Hue");
  EXPECT_EQ(CapitalizeFirst("2x"), "2x");
}

TEST(BlendModes, UserListHasOneRowPerModeFoundByName) {
  const auto& list = BlendModeUserList();
  ASSERT_EQ(list.size(), 43u);
  EXPECT_STREQ(list[0].text, "None");
  EXPECT_EQ(std::string(list[2].text), std::string(23, '-'));
  EXPECT_EQ(std::string(list[9].text), std::string(30, '-'));
  EXPECT_STREQ(list[42].text, "Lightness");
  int separators = 0;
  for (const auto& row : list) {
    if (row.separator) {
      ++separators;
      continue;
    }
    // A row selects its mode by its text.
    EXPECT_EQ(BlendModeOfListText(row.text), row.mode) << row.text;
  }
  EXPECT_EQ(separators, 8);
  for (int v = 0; v < kBlendModeCount; ++v) {
    const int row = BlendModeListRowOf(TBlendMode(v));
    ASSERT_GE(row, 0) << BlendModeName(TBlendMode(v));
    EXPECT_EQ(list[std::size_t(row)].mode, TBlendMode(v));
  }
  EXPECT_EQ(BlendModeListRowOf(bmColorshift), 21);
  EXPECT_EQ(BlendModeListRowOf(bmBlur), 20);
  EXPECT_EQ(BlendModeListRowOf(bmNone), 0);
}

TEST(BlendModes, ApplyBindsTheModesOperation) {
  TBitmap32 a, b;
  ApplyBlendMode(a, bmShine);
  ApplyBlendMode(b, bmReflect);
  EXPECT_EQ(a.DrawMode(), dmCustom);
  EXPECT_EQ(a.OnPixelCombine(), b.OnPixelCombine());
  EXPECT_EQ(a.OnPixelCombine(), BlendOpEvent(TBlendOp::Reflect));
  for (TBlendMode m : {bmGrid2, bmBlurBlend, bmMultiLight, bmBlur, bmDodge, TBlendMode(200)}) {
    ApplyBlendMode(a, m);
    EXPECT_EQ(a.OnPixelCombine(), BlendOpEvent(TBlendOp::Dodge)) << int(m);
  }
  ApplyBlendMode(a, bmGrid4);
  EXPECT_EQ(a.OnPixelCombine(), BlendOpEvent(TBlendOp::Grid4));
}

TEST(BlendModes, NoneSwitchesToBlendAndKeepsTheOldHook) {
  TBitmap32 s;
  s.SetMasterAlpha(90);
  s.SetCombineMode(cmMerge);
  ApplyBlendMode(s, bmHue);
  EXPECT_EQ(s.CombineMode(), cmMerge);  // left as it was
  ApplyBlendMode(s, bmNone);
  EXPECT_EQ(s.DrawMode(), dmBlend);
  EXPECT_EQ(s.CombineMode(), cmBlend);
  EXPECT_EQ(s.OnPixelCombine(), BlendOpEvent(TBlendOp::Hue));
  EXPECT_EQ(s.MasterAlpha(), 90u);
}

TEST(BlendModes, PickingASeparatorStepsAwayFromWhereThePickCameFrom) {
  const auto& rows = BlendModeUserList();
  EXPECT_EQ(ModeListChoice(9, 0), 10);  // a fresh row steps down
  EXPECT_STREQ(rows[10].text, "Difference");
  EXPECT_EQ(ModeListChoice(9, 12), 8);  // from Exclusion it steps up
  EXPECT_STREQ(rows[8].text, "MultiLight");
  EXPECT_EQ(ModeListChoice(2, 5), 1);
  EXPECT_STREQ(rows[1].text, "Alpha Blend");
  EXPECT_EQ(ModeListChoice(9, 9), 10);
  EXPECT_EQ(ModeListChoice(12, 0), 12) << "other rows are taken as picked";
  for (int i = 0; i < kBlendModeListRows; ++i) {
    const int row = ModeListChoice(i, 40);
    ASSERT_FALSE(rows[std::size_t(row)].separator) << i;
  }
}

}  // namespace
}  // namespace quenvar
