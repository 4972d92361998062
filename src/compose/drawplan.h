#pragma once
// One draw of a surface onto another, worked out once so that its rows can
// be drawn in any grouping: all at once, in bands on several threads, or band
// by band across a stack of layers (layercollection.cpp). Every grouping
// gives the same bytes: each target pixel sees the same operands, and grid4
// counts as if the rows had been drawn in order from the top.
#include <cstdint>
#include <vector>

#include "compose/blendops.h"
#include "compose/surface.h"

namespace quenvar {

// How one draw combines a row of source pixels into the destination. Chosen
// once per draw; the program's own operations run as row kernels.
struct TRowCombiner {
  enum Kind { Opaque, Blend, BlendMaster, Merge, Kernel, Hook } kind = Opaque;
  std::uint32_t master = 255;
  TRowKernel kernel = nullptr;
  bool grid = false;  // the kernel steps the grid counter
  TPixelCombineEvent hook;

  void operator()(const TColor32* f, TColor32* b, int n) const;
};

class TDrawPlan {
 public:
  // Works out the draw of the whole of `src` into `dst` on `target`, clipped
  // to the target and to `clip`. A draw into a rectangle of another size is
  // resampled into `scratch` here. Returns false when the draw puts nothing
  // onto the target. `src` must not be `target`.
  bool Prepare(const TBitmap32& src, TBitmap32& target, const TRect& dst, const TRect& clip,
               std::vector<TColor32>& scratch);

  // The target pixels the draw covers.
  const TRect& Area() const { return area_; }
  std::int64_t Pixels() const { return std::int64_t(area_.Width()) * area_.Height(); }
  // True when the draw steps grid4's counter once per covered pixel.
  bool StepsGrid() const { return combine_.grid; }
  // False for a hook the program does not know: its calls stay on one
  // thread, in order, with the program-wide grid counter.
  bool Splittable() const { return combine_.kind != TRowCombiner::Hook; }

  // The grid counter at the start of the whole draw.
  void SetGridStart(std::uint16_t start) { gridStart_ = start; }
  // Draws the rows in [top, bottom) of the area on the calling thread. A grid
  // draw starts its rows from the grid start as if the rows above had been
  // drawn first, and leaves the program-wide counter alone.
  void DrawRows(int top, int bottom) const;
  // The whole draw, in bands on the pool when it is large and splittable;
  // the grid counter moves as one pass would move it.
  void Draw();

 private:
  void DrawRow(int y, TColor32* row) const;

  TRowCombiner combine_;
  TRect area_;
  TColor32* target_ = nullptr;  // the target's pixel (0, 0)
  std::size_t targetWidth_ = 0;
  // Same-size draws read the source store where it lies, rotation or tile
  // shift included.
  TBitmap32::TStoreView store_;
  std::size_t sourceWidth_ = 0;
  std::size_t sourceHeight_ = 0;
  int sourceLeft_ = 0;  // source pixel under the area's left edge
  int sourceTop_ = 0;   // source row under the area's top edge
  // Resampled draws read `scratch`, one row of the area after another.
  const TColor32* resampled_ = nullptr;
  std::uint16_t gridStart_ = 0;
};

// The grid4 calls the draw of `src` into `dst` on `target` makes, that is,
// how far it moves the grid counter; 0 for a draw that is not grid4.
std::int64_t GridStepsOfDraw(const TBitmap32& src, const TBitmap32& target, const TRect& dst,
                             const TRect& clip);

}  // namespace quenvar
