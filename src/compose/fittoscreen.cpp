#include "compose/fittoscreen.h"

#include <cstdint>

namespace quenvar {

namespace {

// num / den to the nearest integer, ties to even; num >= 0, den > 0.
std::int64_t DivideRounded(std::int64_t num, std::int64_t den) {
  const std::int64_t q = num / den, twice = 2 * (num % den);
  if (twice > den || (twice == den && (q & 1))) return q + 1;
  return q;
}

// Floor division, for points left of or above the picture.
std::int64_t DivideDown(std::int64_t num, std::int64_t den) {
  const std::int64_t q = num / den;
  return (num % den != 0 && (num < 0) != (den < 0)) ? q - 1 : q;
}

}  // namespace

TFitPlacement FitToScreen(int canvasWidth, int canvasHeight, int screenWidth, int screenHeight) {
  if (canvasWidth <= 0 || canvasHeight <= 0 || screenWidth <= 0 || screenHeight <= 0) return {};
  std::int64_t w = screenWidth, h = screenHeight;
  // Compare the aspects exactly: cw / ch against sw / sh.
  if (std::int64_t(canvasWidth) * screenHeight > std::int64_t(screenWidth) * canvasHeight) {
    h = DivideRounded(std::int64_t(canvasHeight) * screenWidth, canvasWidth);
  } else {
    w = DivideRounded(std::int64_t(canvasWidth) * screenHeight, canvasHeight);
  }
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  TFitPlacement fit;
  fit.target.Left = int((screenWidth - w) / 2);
  fit.target.Top = int((screenHeight - h) / 2);
  fit.target.Right = fit.target.Left + int(w);
  fit.target.Bottom = fit.target.Top + int(h);
  fit.scale = double(w) / canvasWidth;
  return fit;
}

TPoint ScreenToCanvas(const TFitPlacement& fit, int canvasWidth, int canvasHeight, int x, int y) {
  if (fit.Empty()) return {};
  // The canvas point under the screen pixel's centre.
  const std::int64_t dx = 2 * (std::int64_t(x) - fit.target.Left) + 1;
  const std::int64_t dy = 2 * (std::int64_t(y) - fit.target.Top) + 1;
  return TPoint{int(DivideDown(dx * canvasWidth, 2 * std::int64_t(fit.target.Width()))),
                int(DivideDown(dy * canvasHeight, 2 * std::int64_t(fit.target.Height())))};
}

}  // namespace quenvar
