#pragma once
// The project's view as the view window shows it: the view's settings, the
// checkerboard behind the canvas, the view layers built from the project and
// the window title.
#include <string>

namespace quenvar {

class TBitmap32;
class TImgView32;
class TProject;

// Checkerboard squares: 16 x 16 pixels, light grey where column + row is
// even (the top-left square), white where it is odd.
constexpr int kCheckerSize = 16;
constexpr unsigned kCheckerGrey = 0xFFE0E0E0u;
constexpr unsigned kCheckerWhite = 0xFFFFFFFFu;

// Fills the whole buffer with the checkerboard, copying two prepared rows.
void PaintCheckerboard(TBitmap32& buffer);

// Scale 1, canvas at the top-left, white background, and a first paint stage
// that calls the view's OnPaintStage (where the window paints the
// checkerboard) instead of clearing the background.
void PrepareProjectView(TImgView32& view);

// Fills the view from the project: canvas of the project's size in opaque
// white, the collection cleared and one view layer per project layer in
// project order, the bottom one made opaque, each layer's master alpha its
// opacity, and each layer's x, y, x2 and y2 taken from its view layer's
// rounded place. The client size is the caller's (the window's size, or the canvas).
void BuildViewFromProject(TProject& project, TImgView32& view);

// "untitled.zyl [768x576]": the file-name part of the project's file and
// the view's client size.
std::string ViewTitle(const std::string& fileName, int clientWidth, int clientHeight);

}  // namespace quenvar
