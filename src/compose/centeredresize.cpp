#include "compose/centeredresize.h"

#include <algorithm>

namespace quenvar {

TFloatRect CenteredResize(const TFloatRect& start, const TFloatRect& dragged, TRBDragState kind) {
  if (kind == dsNone || kind == dsMove) return dragged;
  const bool left = kind == dsSizeL || kind == dsSizeTL || kind == dsSizeBL;
  const bool right = kind == dsSizeR || kind == dsSizeTR || kind == dsSizeBR;
  const bool top = kind == dsSizeT || kind == dsSizeTL || kind == dsSizeTR;
  const bool bottom = kind == dsSizeB || kind == dsSizeBL || kind == dsSizeBR;
  const float cx = (start.Left + start.Right) / 2;
  const float cy = (start.Top + start.Bottom) / 2;
  float halfWidth = (start.Right - start.Left) / 2;
  float halfHeight = (start.Bottom - start.Top) / 2;
  if (left) halfWidth = cx - dragged.Left;
  if (right) halfWidth = dragged.Right - cx;
  if (top) halfHeight = cy - dragged.Top;
  if (bottom) halfHeight = dragged.Bottom - cy;
  halfWidth = std::max(halfWidth, 2.0f);
  halfHeight = std::max(halfHeight, 2.0f);
  return TFloatRect{cx - halfWidth, cy - halfHeight, cx + halfWidth, cy + halfHeight};
}

}  // namespace quenvar
