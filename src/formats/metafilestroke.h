#pragma once
// The outline of a wide pen along a figure, as convex pieces: one quad per
// segment, and joins and ends by the pen's style. The pieces all turn the
// same way, so their union is what a non-zero fill of them covers; painting
// them batch by batch in one opaque colour gives the same pixels.
#include <functional>
#include <vector>

#include "formats/metafilebudget.h"
#include "formats/metafilegeometry.h"

namespace quenvar {

struct MfStrokeStyle {
  enum class Join { Round, Bevel, Miter };
  enum class Cap { Round, Square, Flat };
  double width = 1;  // pixels
  Join join = Join::Round;
  Cap cap = Cap::Round;
  double miterLimit = 10;  // longest miter, in pen widths
};

// Hands the pieces to `paint` in batches. Pieces wholly outside the
// width x height picture are left out.
void StrokeFigure(const std::vector<MfPoint>& points, bool closed, const MfStrokeStyle& style,
                  int width, int height, MfBudget& budget,
                  const std::function<void(const MfPolygons&)>& paint);

}  // namespace quenvar
