#include "compose/blendmodes.h"

#include "compose/surface.h"

namespace quenvar {
namespace {

struct ModeEntry {
  const char* fileName;
  TBlendOp op;
};

// Indexed by TBlendMode. bmNone's operation is unused (it draws with dmBlend).
constexpr std::array<ModeEntry, kBlendModeCount> kModes = {{
    {"average", TBlendOp::Average},
    {"multiply", TBlendOp::Multiply},
    {"screen", TBlendOp::Screen},
    {"darken", TBlendOp::Darken},
    {"lighten", TBlendOp::Lighten},
    {"difference", TBlendOp::Difference},
    {"negation", TBlendOp::Negation},
    {"exclusion", TBlendOp::Exclusion},
    {"overlay", TBlendOp::Overlay},
    {"hardlight", TBlendOp::HardLight},
    {"dodge", TBlendOp::Dodge},
    {"burn", TBlendOp::Burn},
    {"reflect", TBlendOp::Reflect},
    {"shine", TBlendOp::Reflect},
    {"glow", TBlendOp::Glow},
    {"freeze", TBlendOp::Freeze},
    {"heat", TBlendOp::Heat},
    {"stamp", TBlendOp::Stamp},
    {"or", TBlendOp::Or},
    {"xor", TBlendOp::Xor},
    {"and", TBlendOp::And},
    {"blur blend", TBlendOp::Dodge},
    {"grid2", TBlendOp::Dodge},
    {"grid4", TBlendOp::Grid4},
    {"multilight", TBlendOp::Dodge},
    {"blur ii", TBlendOp::Dodge},
    {"none", TBlendOp::Dodge},
    {"colorshift", TBlendOp::ColorShift},
    {"red", TBlendOp::Red},
    {"green", TBlendOp::Green},
    {"blue", TBlendOp::Blue},
    {"hue", TBlendOp::Hue},
    {"saturation", TBlendOp::Saturation},
    {"lightness", TBlendOp::Lightness},
}};
static_assert(kModes.size() == std::size_t(bmLightness) + 1, "every mode has an entry");

constexpr const char* kDashes23 = "-----------------------";
constexpr const char* kDashes30 = "------------------------------";

constexpr TBlendModeListRow Row(const char* text, TBlendMode mode) {
  return TBlendModeListRow{text, false, mode};
}
constexpr TBlendModeListRow Separator(const char* dashes) {
  return TBlendModeListRow{dashes, true, bmNone};
}

// "Alpha Blend" names no mode; like any such text it selects bmNone.
constexpr std::array<TBlendModeListRow, kBlendModeListRows> kUserList = {{
    Row("None", bmNone),
    Row("Alpha Blend", bmNone),
    Separator(kDashes23),
    Row("Average", bmAverage),
    Row("Multiply", bmMultiply),
    Row("Screen", bmScreen),
    Row("Darken", bmDarken),
    Row("Lighten", bmLighten),
    Row("MultiLight", bmMultiLight),
    Separator(kDashes30),
    Row("Difference", bmDifference),
    Row("Negation", bmNegation),
    Row("Exclusion", bmExclusion),
    Separator(kDashes30),
    Row("Overlay", bmOverlay),
    Row("Hardlight", bmHardlight),
    Row("Dodge", bmDodge),
    Row("Burn", bmBurn),
    Separator(kDashes30),
    Row("Blur Blend", bmBlurBlend),
    Row("Blur II", bmBlur),
    Row("ColorShift", bmColorshift),
    Separator(kDashes30),
    Row("Reflect", bmReflect),
    Row("Shine", bmShine),
    Row("Glow", bmGlow),
    Row("Freeze", bmFreeze),
    Row("Heat", bmHeat),
    Row("Stamp", bmStamp),
    Separator(kDashes30),
    Row("Grid2", bmGrid2),
    Row("Grid4", bmGrid4),
    Separator(kDashes30),
    Row("Or", bmOr),
    Row("Xor", bmXor),
    Row("And", bmAnd),
    Separator(kDashes30),
    Row("Red", bmRed),
    Row("Green", bmGreen),
    Row("Blue", bmBlue),
    Row("Hue", bmHue),
    Row("Saturation", bmSaturation),
    Row("Lightness", bmLightness),
}};

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

std::string BlendModeName(TBlendMode mode) {
  if (std::size_t(mode) >= kModes.size()) return "none";
  return kModes[mode].fileName;
}

TBlendMode BlendModeFromName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = LowerAscii(c);
  for (std::size_t i = 0; i < kModes.size(); ++i)
    if (lower == kModes[i].fileName) return TBlendMode(i);
  return bmNone;
}

std::string CapitalizeFirst(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = char(out[0] - 'a' + 'A');
  return out;
}

TBlendOp BlendOpOfMode(TBlendMode mode) {
  if (std::size_t(mode) >= kModes.size()) return TBlendOp::Dodge;
  return kModes[mode].op;
}

void ApplyBlendMode(TBitmap32& surface, TBlendMode mode) {
  if (mode == bmNone) {
    surface.SetDrawMode(dmBlend);
    surface.SetCombineMode(cmBlend);
    return;
  }
  surface.SetOnPixelCombine(BlendOpEvent(BlendOpOfMode(mode)));
  surface.SetDrawMode(dmCustom);
}

const std::array<TBlendModeListRow, kBlendModeListRows>& BlendModeUserList() {
  return kUserList;
}

int BlendModeListRowOf(TBlendMode mode) {
  const std::string shown = CapitalizeFirst(BlendModeName(mode));
  for (std::size_t i = 0; i < kUserList.size(); ++i)
    if (EqualsIgnoringCase(kUserList[i].text, shown)) return int(i);
  return -1;
}

TBlendMode BlendModeOfListText(std::string_view text) {
  return BlendModeFromName(text);
}

int ModeListChoice(int selected, int previous) {
  if (selected < 0 || selected >= kBlendModeListRows) return selected;
  if (std::string_view(kUserList[std::size_t(selected)].text).find('-') == std::string_view::npos)
    return selected;
  return selected < previous ? selected - 1 : selected + 1;
}

}  // namespace quenvar
