#include "host/themecolor.h"

#include <algorithm>

namespace quenvar {

std::int64_t RoundDivEven(std::int64_t num, std::int64_t den) {
  std::int64_t q = num / den;
  std::int64_t r = num % den;
  // Bring the remainder into [0, den) so q is the floor.
  if (r < 0) {
    r += den;
    --q;
  }
  const std::int64_t twice = 2 * r;
  if (twice > den || (twice == den && (q & 1) != 0)) ++q;
  return q;
}

namespace {

std::uint8_t Clamp(std::int64_t v) {
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

std::int64_t Shade(std::uint8_t v, int p) {
  return RoundDivEven(std::int64_t(p) * v, 100);
}

// The white part that tinting adds: round(255 - p / 100 * 255), exactly.
std::int64_t TintLift(int p) {
  return RoundDivEven(25500 - std::int64_t(p) * 255, 100);
}

}  // namespace

TRgb ShadeColor(TRgb c, int p) {
  return {Clamp(Shade(c.r, p)), Clamp(Shade(c.g, p)), Clamp(Shade(c.b, p))};
}

TRgb TintColor(TRgb c, int p) {
  const std::int64_t lift = TintLift(p);
  return {Clamp(Shade(c.r, p) + lift), Clamp(Shade(c.g, p) + lift), Clamp(Shade(c.b, p) + lift)};
}

}  // namespace quenvar
