// Drawing one surface onto another: the two reference blends of dmBlend and
// the drawing entry points, which work through a TDrawPlan.
#include <climits>
#include <vector>

#include "compose/drawplan.h"
#include "compose/surface.h"

namespace quenvar {

TColor32 BlendReg(TColor32 F, TColor32 B) {
  const unsigned w = AlphaOf(F);
  if (w == 0) return B;
  if (w == 255) return F;
  TColor32 out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned f = (F >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32(((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8)) << shift;
  }
  return out;
}

TColor32 BlendRegEx(TColor32 F, TColor32 B, std::uint32_t M) {
  if (M >= 255) return BlendReg(F, B);  // as drawing chooses; keeps w within a byte
  const unsigned w = (AlphaOf(F) * (M + 1)) >> 8;
  if (AlphaOf(F) == 0 || w == 0) return B;
  TColor32 out = 0;  // alpha byte 0
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned f = (F >> shift) & 255, b = (B >> shift) & 255;
    out |= TColor32(((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8)) << shift;
  }
  return out;
}

namespace {

// Reused between draws so drawing does not allocate once warmed up.
std::vector<TColor32>& Scratch() {
  thread_local std::vector<TColor32> scratch;
  return scratch;
}

}  // namespace

void TBitmap32::StretchOnto(TBitmap32& target, const TRect& dst) const {
  StretchOnto(target, dst, target.BoundsRect());
}

void TBitmap32::DrawTo(TBitmap32& target, int x, int y) const {
  const TRect dst{x, y, int(std::int64_t(x) + width_ > INT32_MAX ? INT32_MAX : x + width_),
                  int(std::int64_t(y) + height_ > INT32_MAX ? INT32_MAX : y + height_)};
  StretchOnto(target, dst);
}

void TBitmap32::StretchOnto(TBitmap32& target, const TRect& dst, const TRect& clip) const {
  // Drawing a surface onto itself reads from a copy taken first.
  if (&target == this) {
    if (Empty()) return;
    const TBitmap32 copy(*this);
    copy.StretchOnto(target, dst, clip);
    return;
  }
  TDrawPlan plan;
  if (!plan.Prepare(*this, target, dst, clip, Scratch())) return;
  plan.Draw();
  target.Changed(plan.Area());
}

}  // namespace quenvar
