#include "psd/psdblendkey.h"

namespace quenvar {

const TPsdBlendKeyRow kPsdBlendKeys[21] = {
    {"norm", "Normal", "none"},           {"scrn", "Screen", "screen"},
    {"diss", "Dissolve", "screen"},       {"lite", "Lighten", "lighten"},
    {"dark", "Darken", "darken"},         {"mul ", "Multiply", "multiply"},
    {"idiv", "Color Burn", "burn"},       {"lddg", "Linear Dodge", "dodge"},
    {"over", "Overlay", "overlay"},       {"sLit", "Soft Light", "shine"},
    {"hLit", "Hard Light", "hardlight"},  {"vLit", "Vivit Light", "glow"},
    {"lLit", "Linear Light", "reflect"},  {"pLit", "Pin Light", "glow"},
    {"hMix", "Hard Mix", "stamp"},        {"diff", "Difference", "difference"},
    {"smud", "Exclusion", "exclusion"},   {"hue ", "Hue", "hue"},
    {"sat ", "Saturation", "saturation"}, {"colr", "Color", "colorshift"},
    {"lum ", "Luminosity", "saturation"},
};

std::string PsdBlendKeyModeName(std::string_view key) {
  for (const auto& row : kPsdBlendKeys)
    if (key == row.key) return row.mode;
  return "none";
}

}  // namespace quenvar
