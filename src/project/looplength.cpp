#include "project/looplength.h"

#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/project.h"

namespace quenvar {

namespace {

// Steps of `step` through a cycle of `size` places until it comes round.
std::uint64_t CycleLoop(std::uint64_t size, std::int64_t step) {
  if (size == 0) return 1;
  const std::int64_t n = std::int64_t(size);
  const std::uint64_t s = std::uint64_t((step % n + n) % n);
  return size / std::gcd(size, s);  // gcd(n, 0) = n gives 1
}

}  // namespace

std::uint64_t TurnLoop(int width, int height, std::int64_t dx, std::int64_t dy) {
  if (width <= 0 || height <= 0) return 1;
  // ScrollWrap leaves a picture alone when the motion reaches its size.
  if (std::llabs(dx) >= width || std::llabs(dy) >= height) return 1;
  return CycleLoop(std::uint64_t(width) * std::uint64_t(height), dx + dy * width);
}

std::uint64_t TileLoop(int width, int height, std::int64_t dx, std::int64_t dy) {
  if (width <= 0 || height <= 0) return 1;
  return std::lcm(CycleLoop(std::uint64_t(width), dx), CycleLoop(std::uint64_t(height), dy));
}

std::uint64_t GridLoop(std::int64_t calls) {
  return CycleLoop(65536, calls % 65536);
}

TLoopLength CombineLoops(TLoopLength a, std::uint64_t b) {
  if (a.over || b > kLoopLimit) return TLoopLength{kLoopLimit, true};
  // Both are at most 10^9, so a / gcd * b stays below 10^18.
  const std::uint64_t l = a.frames / std::gcd(a.frames, b) * b;
  if (l > kLoopLimit) return TLoopLength{kLoopLimit, true};
  return TLoopLength{l, false};
}

std::uint64_t LayerLoop(const TBlendLayer& layer) {
  const int w = layer.bmp.Width(), h = layer.bmp.Height();
  if (layer.posx == 0 && layer.posy == 0) return 1;
  return layer.tileWrap ? TileLoop(w, h, layer.posx, layer.posy)
                        : TurnLoop(w, h, layer.posx, layer.posy);
}

TProjectLoop ProjectLoop(const TProject& project, std::int64_t gridCalls) {
  TProjectLoop loop;
  for (const TBlendLayer* layer : project.layers) {
    loop.layers.push_back(LayerLoop(*layer));
    loop.project = CombineLoops(loop.project, loop.layers.back());
  }
  loop.gridCalls = gridCalls;
  loop.grid = GridLoop(gridCalls);
  loop.project = CombineLoops(loop.project, loop.grid);
  return loop;
}

TProjectLoop ProjectLoop(const TProject& project, const TImage32& view) {
  return ProjectLoop(project, view.GridStepsPerCompose());
}

std::string LoopFramesText(const TLoopLength& loop) {
  if (loop.over) return "over 10^9 frames";
  return std::to_string(loop.frames) + (loop.frames == 1 ? " frame" : " frames");
}

std::string LoopDurationText(const TLoopLength& loop, int fps) {
  if (loop.over) return LoopFramesText(loop);
  if (fps <= 0) fps = 1;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", double(loop.frames) / double(fps));
  return LoopFramesText(loop) + ", " + seconds + " s at " + std::to_string(fps) + " fps";
}

std::string LoopLabel(const TLoopLength& loop, int fps) {
  if (loop.over) return "does not repeat within 10^9 frames";
  return "Loop: " + LoopDurationText(loop, fps);
}

}  // namespace quenvar
