#include "psd/psdblendkey.h"

#include "compose/surface.h"

namespace quenvar {

const TPsdBlendKeyRow kPsdBlendKeys[21] = {
    {"norm", "Normal", bmNone},           {"scrn", "Screen", bmScreen},
    {"diss", "Dissolve", bmScreen},       {"lite", "Lighten", bmLighten},
    {"dark", "Darken", bmDarken},         {"mul ", "Multiply", bmMultiply},
    {"idiv", "Color Burn", bmBurn},       {"lddg", "Linear Dodge", bmDodge},
    {"over", "Overlay", bmOverlay},       {"sLit", "Soft Light", bmShine},
    {"hLit", "Hard Light", bmHardlight},  {"vLit", "Vivit Light", bmGlow},
    {"lLit", "Linear Light", bmReflect},  {"pLit", "Pin Light", bmGlow},
    {"hMix", "Hard Mix", bmStamp},        {"diff", "Difference", bmDifference},
    {"smud", "Exclusion", bmExclusion},   {"hue ", "Hue", bmHue},
    {"sat ", "Saturation", bmSaturation}, {"colr", "Color", bmColorshift},
    {"lum ", "Luminosity", bmSaturation},
};

TBlendMode BlendModeFromKey(std::string_view key) {
  for (const auto& row : kPsdBlendKeys)
    if (key == row.key) return row.mode;
  return bmNone;
}

void ApplyBlendKey(TBitmap32& surface, std::string_view key) {
  ApplyBlendMode(surface, BlendModeFromKey(key));
}

std::string PsdBlendKeyModeName(std::string_view key) {
  return BlendModeName(BlendModeFromKey(key));
}

std::string PsdBlendKeyDisplayName(std::string_view key) {
  return CapitalizeFirst(BlendModeName(BlendModeFromKey(key)));
}

}  // namespace quenvar
