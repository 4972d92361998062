#pragma once
// Window colours of the interface and the two helpers that derive the lighter
// and darker shades of the theme from one base colour.
#include <cstdint>

namespace quenvar {

struct TRgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

// The base colour every window's shades come from.
inline constexpr TRgb kThemeColor{194, 209, 218};

// Per channel: round(p * v / 100), clamped to 0..255.
TRgb ShadeColor(TRgb color, int percent);
// Per channel: round(p * v / 100) + round(255 - p / 100 * 255), clamped to 0..255.
TRgb TintColor(TRgb color, int percent);

// Rounds num / den to the nearest integer, ties to the even neighbour (den > 0).
std::int64_t RoundDivEven(std::int64_t num, std::int64_t den);

}  // namespace quenvar
