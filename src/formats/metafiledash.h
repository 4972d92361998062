#pragma once
// Dashed and dotted pens: a pen style's pattern in pixels, the dashes a
// figure breaks into for wide pens, and the pattern stepped pixel by pixel
// along one-pixel lines.
#include <cstddef>
#include <functional>
#include <vector>

#include "formats/metafilebudget.h"
#include "formats/metafilegeometry.h"

namespace quenvar {

// Lengths drawn and left out in turn, in pixels, starting with a drawn one;
// empty for a solid line.
using MfDashes = std::vector<double>;

// The pattern of pen kind `kind` (the style's low four bits: 1 dash, 2 dot,
// 3 dash-dot, 4 dash-dot-dot, 7 user style, 8 every other pixel). Cosmetic
// pens have fixed lengths in pixels; a geometric pen's lengths grow with
// its width. `user` holds a user style's lengths, already in pixels; an odd
// count repeats with drawn and left-out swapped. A pattern shorter than a
// quarter of a pixel is drawn solid.
MfDashes DashPattern(unsigned kind, bool cosmetic, double width, const std::vector<double>& user);

// Breaks a figure into the dashes drawn, each an open polyline handed to
// `dash`, the pattern running on over corners. Parts of the figure outside
// the picture grown by `margin` pixels only advance the pattern.
void SplitDashes(const std::vector<MfPoint>& points, bool closed, const MfDashes& dashes,
                 double margin, int width, int height, MfBudget& budget,
                 const std::function<void(const std::vector<MfPoint>&)>& dash);

// Whether each pixel of a one-pixel line is drawn, one step of the pattern
// per pixel; lengths are rounded to whole pixels.
class MfDashStepper {
 public:
  explicit MfDashStepper(const MfDashes& dashes);
  bool Next();
  void Skip(long pixels);

 private:
  std::vector<long> lengths_;
  long period_ = 0;
  std::size_t index_ = 0;
  long left_ = 0;
};

}  // namespace quenvar
