#pragma once
// Scan conversion for the metafile players: the pixels of a width x height
// picture whose centres lie inside a set of polygons, by the even-odd or the
// non-zero winding rule.
#include <functional>

#include "formats/metafilebudget.h"
#include "formats/metafilegeometry.h"

namespace quenvar {

// One run of covered pixels: row y, columns x0 up to but not including x1.
using MfSpanSink = std::function<void(int y, int x0, int x1)>;

// Each polygon is closed implicitly. Rows and runs are reported top to
// bottom, left to right, and clipped to the picture.
void ScanPolygons(const MfPolygons& polygons, bool nonZero, int width, int height, MfBudget& budget,
                  const MfSpanSink& sink);

}  // namespace quenvar
