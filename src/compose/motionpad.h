#pragma once
// T2dcontrollerLayer: the motion pad of a layer row. The user drags a marker
// with the left button; its offset from the point of no motion, in grid cells
// of four pixels, gives a horizontal and a vertical speed, shown beside the
// marker. The pad draws itself into its own surface.
#include <cstdint>
#include <string>

#include "compose/layerstack.h"

namespace quenvar {

class T2dcontrollerLayer : public TBitmapLayer {
 public:
  // Sizes the surface to the control (`width` x `height`), places it over the
  // whole control and draws the inactive pad with the marker at (0, 0).
  T2dcontrollerLayer(TLayerCollection& owner, int width, int height);

  // Background, grid and frame; the active look lets earlier drawings fade.
  void DrawPadGrid(bool active);
  // The whole pad: grid, marker, label; recomputes speedX and speedY from
  // the marker, unless the pad shows given speeds (ShowSpeeds).
  void DrawPad(bool active);
  // Shows a layer's motion: the marker where a drag would set these speeds
  // (kept on the pad for speeds beyond its reach) and the speeds' label;
  // the inactive look. The next press takes the speeds from the marker
  // again.
  void ShowSpeeds(std::int32_t x, std::int32_t y);

  // Press: the marker jumps to the pointer when the left button is held.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // Raises OnMouseMove first (with the speeds of the previous drawing), then
  // follows the pointer while the left button is held.
  void MouseMove(TShiftState shift, int x, int y) override;
  // Draws the inactive look; the marker stays.
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  std::uint16_t cells = 16;
  std::int32_t markerX = 0;
  std::int32_t markerY = 0;
  std::int32_t speedX = 0;
  std::int32_t speedY = 0;

 private:
  bool givenSpeeds_ = false;
};

// The speeds of a marker on a pad of the given size: the point of no motion
// is (32, 28), one speed step per grid cell, rounded with ties to even.
std::int32_t PadSpeedX(std::int32_t markerX, int width, int cells);
std::int32_t PadSpeedY(std::int32_t markerY, int height, int cells);
// The label beside the marker, e.g. "-8x-7".
std::string PadLabel(std::int32_t speedX, std::int32_t speedY);

}  // namespace quenvar
