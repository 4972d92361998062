// Blend modes and OpenRaster's composite-op names. Only modes that compute
// the same thing as the named operation are paired; the rest are written as
// plain alpha blending and keep their own name in our attributes.
#include <array>
#include <utility>

#include "project/oraformat.h"

namespace quenvar {

namespace {

constexpr std::array<std::pair<TBlendMode, std::string_view>, 14> kPairs = {{
    {bmNone, "svg:src-over"},
    {bmMultiply, "svg:multiply"},
    {bmScreen, "svg:screen"},
    {bmOverlay, "svg:overlay"},
    {bmDarken, "svg:darken"},
    {bmLighten, "svg:lighten"},
    {bmDodge, "svg:color-dodge"},
    {bmBurn, "svg:color-burn"},
    {bmHardlight, "svg:hard-light"},
    {bmDifference, "svg:difference"},
    {bmExclusion, "svg:exclusion"},
    {bmHue, "svg:hue"},
    {bmSaturation, "svg:saturation"},
    {bmLightness, "svg:luminosity"},
}};

}  // namespace

bool ModeHasCompositeOp(TBlendMode mode) {
  for (const auto& [m, op] : kPairs)
    if (m == mode) return true;
  return false;
}

std::string CompositeOpOfMode(TBlendMode mode) {
  for (const auto& [m, op] : kPairs)
    if (m == mode) return std::string(op);
  return "svg:src-over";
}

std::optional<TBlendMode> ModeOfCompositeOp(std::string_view op) {
  for (const auto& [m, name] : kPairs)
    if (name == op) return m;
  return std::nullopt;
}

}  // namespace quenvar
