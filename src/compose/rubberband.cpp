// The selection frame: outline, handles, hit test and drag.
#include <cmath>
#include <cstdlib>

#include "compose/layerstack.h"

namespace quenvar {
namespace {

constexpr TColor32 kOutline = Color32(0, 0, 0, 255);

// A one-pixel outline on the inner edge of r, blended: four strips that do
// not overlap, so each pixel is blended once.
void FrameRectBlended(TBitmap32& b, const TRect& r, TColor32 color) {
  if (r.IsEmpty()) return;
  b.FillRectBlended(TRect{r.Left, r.Top, r.Right, r.Top + 1}, color);
  if (r.Height() > 1) b.FillRectBlended(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
  if (r.Height() > 2) {
    b.FillRectBlended(TRect{r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, color);
    if (r.Width() > 1)
      b.FillRectBlended(TRect{r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, color);
  }
}

float RoundF(float v) {
  return std::nearbyint(v);
}

bool Near(int a, int b, int distance) {
  return std::abs(std::int64_t(a) - b) <= distance;
}

}  // namespace

TRubberbandLayer::TRubberbandLayer(TLayerCollection& owner) : TPositionedLayer(owner) {}

TRubberbandLayer::~TRubberbandLayer() {
  if (child_) child_->RemoveDestroyNotify(childListener_);
}

void TRubberbandLayer::ForgetChild() {
  child_ = nullptr;
  childListener_ = 0;
  dragState_ = dsNone;
}

void TRubberbandLayer::SetChildLayer(TPositionedLayer* child) {
  if (child == child_) return;
  if (child_) child_->RemoveDestroyNotify(childListener_);
  ForgetChild();
  if (child) {
    child_ = child;
    childListener_ = child->AddDestroyNotify([this](TCustomLayer&) {
      ForgetChild();
      Changed();
    });
    TPositionedLayer::SetLocation(child->Location());
  }
  Changed();
}

void TRubberbandLayer::SetLayerOptions(std::uint32_t options) {
  TPositionedLayer::SetLayerOptions(options & ~LOB_NO_UPDATE);
}

void TRubberbandLayer::SetLocation(const TFloatRect& location) {
  TPositionedLayer::SetLocation(location);
  if (child_) child_->SetLocation(location);
}

void TRubberbandLayer::Paint(TBitmap32& buffer) {
  TRect r;
  if (!AdjustedRect(r)) return;
  if (Handles & rhFrame) buffer.FrameRect(r, kOutline);
  const int h = HandleSize;
  auto handle = [&](int x, int y) {
    const TRect box{x - h, y - h, x + h, y + h};
    buffer.FillRectBlended(box, HandleFill);
    FrameRectBlended(buffer, box, HandleFrame);
  };
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  if (Handles & rhCorners) {
    handle(L, T);
    handle(R, T);
    handle(L, B);
    handle(R, B);
  }
  if (Handles & rhSides) {
    handle((L + R) / 2, T);
    handle(L, (T + B) / 2);
    handle(R, (T + B) / 2);
    handle((L + R) / 2, B);
  }
}

// Corners first, then sides, then the inside; the first match wins.
TRBDragState TRubberbandLayer::GetDragState(int x, int y) const {
  TRect r;
  if (!AdjustedRect(r)) return dsNone;
  const int L = r.Left, T = r.Top, c = r.Right - 1, d = r.Bottom - 1;
  const int hm = (L + c) / 2, vm = (T + d) / 2;
  const int n = HandleSize + 1;
  const bool nearL = Near(x, L, n), nearC = Near(x, c, n), nearHM = Near(x, hm, n);
  const bool nearT = Near(y, T, n), nearD = Near(y, d, n), nearVM = Near(y, vm, n);
  if (Handles & rhCorners) {
    if (nearC && nearD) return dsSizeBR;
    if (nearL && nearD) return dsSizeBL;
    if (nearC && nearT) return dsSizeTR;
    if (nearL && nearT) return dsSizeTL;
  }
  if (Handles & rhSides) {
    if (nearC && nearVM) return dsSizeR;
    if (nearHM && nearD) return dsSizeB;
    if (nearL && nearVM) return dsSizeL;
    if (nearHM && nearT) return dsSizeT;
  }
  if ((Handles & rhCenter) && r.Contains(x, y)) return dsMove;
  return dsNone;
}

bool TRubberbandLayer::HitTest(int x, int y) const {
  return GetDragState(x, y) != dsNone;
}

TCursorShape TRubberbandLayer::CursorAt(int x, int y) const {
  switch (dragState_ != dsNone ? dragState_ : GetDragState(x, y)) {
    case dsMove:
      return crSizeAll;
    case dsSizeL:
    case dsSizeR:
      return crSizeWE;
    case dsSizeT:
    case dsSizeB:
      return crSizeNS;
    case dsSizeTL:
    case dsSizeBR:
      return crSizeNWSE;
    case dsSizeTR:
    case dsSizeBL:
      return crSizeNESW;
    case dsNone:
      break;
  }
  return crDefault;
}

void TRubberbandLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TPositionedLayer::MouseDown(button, shift, x, y);
  dragState_ = GetDragState(x, y);
  dragStart_ = location_;
  dragOffsetX_ = float(x) - location_.Left;
  dragOffsetY_ = float(y) - location_.Top;
}

void TRubberbandLayer::MouseMove(TShiftState shift, int x, int y) {
  TPositionedLayer::MouseMove(shift, x, y);
  if (dragState_ == dsNone) return;
  const TFloatRect& s = dragStart_;
  TFloatRect n = s;
  const float fx = float(x), fy = float(y);
  if (dragState_ == dsMove) {
    n.Left = RoundF(fx - dragOffsetX_);
    n.Top = RoundF(fy - dragOffsetY_);
    n.Right = n.Left + (s.Right - s.Left);
    n.Bottom = n.Top + (s.Bottom - s.Top);
  } else {
    const bool left = dragState_ == dsSizeL || dragState_ == dsSizeTL || dragState_ == dsSizeBL;
    const bool right = dragState_ == dsSizeR || dragState_ == dsSizeTR || dragState_ == dsSizeBR;
    const bool top = dragState_ == dsSizeT || dragState_ == dsSizeTL || dragState_ == dsSizeTR;
    const bool bottom = dragState_ == dsSizeB || dragState_ == dsSizeBL || dragState_ == dsSizeBR;
    if (left) n.Left = std::min(fx, s.Right - MinWidth);
    if (right) n.Right = std::max(fx, s.Left + MinWidth);
    if (top) n.Top = std::min(fy, s.Bottom - MinHeight);
    if (bottom) n.Bottom = std::max(fy, s.Top + MinHeight);
    if (OnResizing) OnResizing(*this, s, n, dragState_, shift);
  }
  if (!(n == location_)) SetLocation(n);
}

void TRubberbandLayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  dragState_ = dsNone;
  TPositionedLayer::MouseUp(button, shift, x, y);
}

}  // namespace quenvar
