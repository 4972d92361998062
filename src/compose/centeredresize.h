#pragma once
// Resizing a selection frame about its centre, as the PSD preview does while
// Ctrl is held.
#include "compose/geometry.h"
#include "compose/layerstack.h"

namespace quenvar {

// The rectangle a resize of `start` gives when the centre stays put: each
// dragged edge sets its half-size from the centre of `start` to where
// `dragged` has that edge; a half-size whose edges were not dragged stays.
// Both half-sizes are at least 2 pixels. A move (or no drag) gives `dragged`.
TFloatRect CenteredResize(const TFloatRect& start, const TFloatRect& dragged, TRBDragState kind);

}  // namespace quenvar
