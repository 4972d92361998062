#pragma once
// When playback repeats. Every frame step turns or shifts each layer by its
// motion and moves grid4's counter by the same number of calls, so each of
// them comes back to where it started after a whole number of frames, and
// the project after the least common multiple of those numbers.
#include <cstdint>
#include <string>
#include <vector>

namespace quenvar {

class TBlendLayer;
class TImage32;
class TProject;

// Loop lengths above this are reported as "over", never computed further.
constexpr std::uint64_t kLoopLimit = 1000000000;
// The longest loop that is recorded or rendered as one loop unless the user
// says otherwise.
constexpr std::uint64_t kMaxLoopFrames = 100000;

// A number of frames, or more than kLoopLimit of them.
struct TLoopLength {
  std::uint64_t frames = 1;
  bool over = false;
  bool operator==(const TLoopLength&) const = default;
};

// A picture turned as one sequence of width x height pixels by dx + dy *
// width per frame; 1 when it does not move (ScrollWrap's rules).
std::uint64_t TurnLoop(int width, int height, std::int64_t dx, std::int64_t dy);
// A picture shifted by dx across and dy down per frame, rows and columns
// wrapping within themselves.
std::uint64_t TileLoop(int width, int height, std::int64_t dx, std::int64_t dy);
// grid4's 16-bit counter moved by `calls` per frame.
std::uint64_t GridLoop(std::int64_t calls);
// The least common multiple, "over" once it passes kLoopLimit.
TLoopLength CombineLoops(TLoopLength a, std::uint64_t b);

// A layer's loop as the frame step moves it.
std::uint64_t LayerLoop(const TBlendLayer& layer);

struct TProjectLoop {
  std::vector<std::uint64_t> layers;  // in project order
  std::int64_t gridCalls = 0;         // grid4 calls per frame
  std::uint64_t grid = 1;
  TLoopLength project;
};
// The project as it stands, with `gridCalls` grid4 calls per composed frame.
TProjectLoop ProjectLoop(const TProject& project, std::int64_t gridCalls);
// The same, with the calls the view makes per frame.
TProjectLoop ProjectLoop(const TProject& project, const TImage32& view);

// "480 frames" (or "1 frame"), or "over 10^9 frames".
std::string LoopFramesText(const TLoopLength& loop);
// "480 frames, 17.8 s at 27 fps", or "over 10^9 frames".
std::string LoopDurationText(const TLoopLength& loop, int fps);
// The capture dialog's line: "Loop: 480 frames, 17.8 s at 27 fps", or
// "does not repeat within 10^9 frames".
std::string LoopLabel(const TLoopLength& loop, int fps);

}  // namespace quenvar
