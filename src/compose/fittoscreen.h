#pragma once
// Where the canvas goes when it is presented on a whole screen: shown whole,
// scaled to fit with its aspect kept, and centred; the rest stays black. The
// frame itself is composed at the canvas size; only showing it is scaled.
#include "compose/geometry.h"

namespace quenvar {

struct TFitPlacement {
  // The picture's rectangle on the screen, right and bottom exclusive.
  TRect target;
  // Screen pixels per canvas pixel (target width over canvas width).
  double scale = 0;
  bool Empty() const { return target.IsEmpty(); }
};

// The largest rectangle with the canvas' aspect that fits the screen, centred
// (an odd pixel left over goes right or below). The fitted side fills the
// screen exactly; the other is rounded to the nearest pixel, ties to even,
// and is at least one pixel. Any size of zero or less gives an empty
// placement.
TFitPlacement FitToScreen(int canvasWidth, int canvasHeight, int screenWidth, int screenHeight);

// The canvas pixel shown at screen pixel (x, y): the one under its centre.
// Points off the picture map
// beyond the canvas edges, so a drag that leaves the picture keeps moving.
TPoint ScreenToCanvas(const TFitPlacement& fit, int canvasWidth, int canvasHeight, int x, int y);

}  // namespace quenvar
