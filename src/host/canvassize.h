#pragma once
// Turning the project dialog's size boxes into a canvas size.
#include <cstdint>
#include <optional>
#include <string>

namespace quenvar {

struct TCanvasSize {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
};

// Decimal width and height from the dialog's boxes. None when a box is empty,
// holds anything but digits, is 0, or is larger than the 16-bit canvas fields
// hold (65535).
std::optional<TCanvasSize> ParseCanvasSize(const std::string& x, const std::string& y);

// The message shown when ParseCanvasSize refuses the boxes.
std::string CanvasSizeRefusal();

// The frames-per-second box's first choice: the rate of playback and of
// videos until another is chosen.
constexpr int kDefaultFps = 27;

// The frame interval in milliseconds for a frames-per-second choice.
int FrameIntervalForFps(int fps);

}  // namespace quenvar
