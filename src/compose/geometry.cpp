#include "compose/geometry.h"

#include <cmath>

namespace quenvar {
namespace {

// Coordinates beyond this are no sensible place on any surface; refusing them
// keeps every width and height computed from them inside int.
constexpr float kMaxCoordinate = 1 << 30;

bool RoundCoordinate(float v, int& out) {
  if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate) return false;
  out = int(std::nearbyint(v));  // the default rounding mode: ties to even
  return true;
}

}  // namespace

bool RoundRect(const TFloatRect& r, TRect& out) {
  TRect t;
  if (!RoundCoordinate(r.Left, t.Left) || !RoundCoordinate(r.Top, t.Top) ||
      !RoundCoordinate(r.Right, t.Right) || !RoundCoordinate(r.Bottom, t.Bottom))
    return false;
  out = t;
  return true;
}

}  // namespace quenvar
