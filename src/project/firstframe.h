#pragma once
// The project's first frame composed away from any window: what the view
// shows after one frame step, used as a preview of the whole project.
#include "compose/surface.h"

namespace quenvar {

class TImgView32;
class TProject;

// Fills `view` as the view window shows the project, away from any window:
// the canvas size, the white canvas and one view layer per project layer
// (not linked to the project's own), unscrolled.
void BuildFrameView(const TProject& project, TImgView32& view);

// Builds a view of its own at the canvas size (the open window's view is not
// touched), takes one frame step and returns the frame made opaque, as
// quenvar-render writes frame 1. Empty when the canvas is.
TBitmap32 ComposeFirstFrame(const TProject& project);

}  // namespace quenvar
