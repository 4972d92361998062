// The layered image control: stages, update bracket and repaint notices.
#include "compose/layerstack.h"

namespace quenvar {

TImage32::TImage32() {
  stages_ = {
      {PST_CLEAR_BACKGND, false, true}, {PST_DRAW_BITMAP, false, true},
      {PST_DRAW_LAYERS, false, true},   {PST_CONTROL_FRAME, true, false},
      {PST_BITMAP_FRAME, true, false},
  };
  bitmap_.OnChange = [this](TBitmap32&, const TRect&) { Invalidate(); };
}

TImage32::~TImage32() {
  destroying_ = true;
  layers_.Clear();
  bitmap_.OnChange = nullptr;
}

void TImage32::SetClientSize(int width, int height) {
  if (width == buffer_.Width() && height == buffer_.Height()) return;
  buffer_.Resize(width, height);
  Invalidate();
}

void TImage32::BeginUpdate() {
  ++updateCount_;
  if (OnBeginUpdate) OnBeginUpdate(*this);
}

void TImage32::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (OnEndUpdate) OnEndUpdate(*this);
  if (updateCount_ == 0 && invalidatePending_) {
    invalidatePending_ = false;
    Invalidate();
  }
}

void TImage32::Invalidate() {
  needsPaint_ = true;
  if (destroying_) return;
  if (updateCount_ > 0) {
    invalidatePending_ = true;
    return;
  }
  if (OnInvalidate) OnInvalidate(*this);
}

void TImage32::RepaintNow() {
  Compose();
  if (OnRepaintNow && !destroying_) OnRepaintNow(*this);
}

void TImage32::Compose() {
  needsPaint_ = false;
  for (int i = 0; i < int(stages_.size()); ++i) RunStage(i);
}

std::int64_t TImage32::GridStepsPerCompose() const {
  if (buffer_.Empty()) return 0;
  std::int64_t steps = 0;
  for (const TPaintStage& stage : stages_) {
    if (!stage.RunTime) continue;
    if (stage.Stage == PST_DRAW_BITMAP)
      steps += GridStepsOfDraw(bitmap_, buffer_, CanvasRect(), buffer_.BoundsRect());
    if (stage.Stage == PST_DRAW_LAYERS) steps += layers_.GridSteps(buffer_);
  }
  return steps;
}

void TImage32::RunStage(int index) {
  const TPaintStage stage = stages_[std::size_t(index)];
  if (!stage.RunTime || buffer_.Empty()) return;
  switch (stage.Stage) {
    case PST_CUSTOM:
      if (OnPaintStage) OnPaintStage(*this, buffer_, index);
      break;
    case PST_CLEAR_BACKGND:
      buffer_.FillAll(Color);
      break;
    case PST_DRAW_BITMAP:
      bitmap_.Lock();
      bitmap_.StretchOnto(buffer_, CanvasRect());
      bitmap_.Unlock();
      break;
    case PST_DRAW_LAYERS:
      layers_.Paint(buffer_);
      break;
    case PST_CONTROL_FRAME:
    case PST_BITMAP_FRAME:
      break;  // design-time only
  }
}

bool TImage32::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (layers_.MouseDown(button, shift, x, y)) return true;
  if (layers_.MouseListener()) return true;
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
  return false;
}

bool TImage32::MouseMove(TShiftState shift, int x, int y) {
  if (layers_.MouseMove(shift, x, y)) return true;
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
  return false;
}

bool TImage32::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (layers_.MouseUp(button, shift, x, y)) return true;
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  return false;
}

}  // namespace quenvar
