// Collection entries: the base layer, positioned layers and bitmap layers.
#include <algorithm>

#include "compose/layerstack.h"

namespace quenvar {

TCustomLayer::TCustomLayer(TLayerCollection& owner) : collection_(&owner) {}

TCustomLayer::~TCustomLayer() {
  // Listeners may remove themselves while being told; work on a copy.
  const auto listeners = std::move(destroyListeners_);
  destroyListeners_.clear();
  for (const auto& [id, listener] : listeners)
    if (listener) listener(*this);
}

int TCustomLayer::Index() const {
  return collection_->IndexOf(this);
}

void TCustomLayer::SetIndex(int index) {
  collection_->Move(Index(), index);
}

void TCustomLayer::BringToFront() {
  SetIndex(collection_->Count() - 1);
}

void TCustomLayer::SendToBack() {
  SetIndex(0);
}

void TCustomLayer::SetLayerOptions(std::uint32_t options) {
  if (options == options_) return;
  options_ = options;
  collection_->Changed();
}

void TCustomLayer::SetVisible(bool visible) {
  SetLayerOptions(visible ? options_ | LOB_VISIBLE : options_ & ~LOB_VISIBLE);
}

void TCustomLayer::SetMouseEvents(bool on) {
  SetLayerOptions(on ? options_ | LOB_MOUSE_EVENTS : options_ & ~LOB_MOUSE_EVENTS);
}

void TCustomLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TCustomLayer::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TCustomLayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

TCustomLayer::TListenerId TCustomLayer::AddDestroyNotify(TNotifyEvent listener) {
  const TListenerId id = nextListenerId_++;
  destroyListeners_.emplace_back(id, std::move(listener));
  return id;
}

void TCustomLayer::RemoveDestroyNotify(TListenerId id) {
  std::erase_if(destroyListeners_, [id](const auto& entry) { return entry.first == id; });
}

void TCustomLayer::Changed() {
  if (options_ & LOB_NO_UPDATE) return;
  collection_->Changed();
}

void TPositionedLayer::SetLocation(const TFloatRect& location) {
  if (location == location_) return;
  location_ = location;
  Changed();
}

TBitmapLayer::TBitmapLayer(TLayerCollection& owner) : TPositionedLayer(owner) {
  bitmap_.OnChange = [this](TBitmap32&, const TRect&) { Changed(); };
}

TBitmapLayer::~TBitmapLayer() {
  bitmap_.OnChange = nullptr;
}

void TBitmapLayer::SetCropped(bool cropped) {
  if (cropped == cropped_) return;
  cropped_ = cropped;
  Changed();
}

bool TBitmapLayer::DescribePaint(const TBitmap32& buffer, TSurfaceDraw& draw) const {
  draw = TSurfaceDraw{};
  if (bitmap_.Empty()) return true;
  TRect dst;
  if (!AdjustedRect(dst)) return true;  // NaN or infinite coordinates
  TRect clip = buffer.BoundsRect();
  if (IntersectRect(dst, clip).IsEmpty()) return true;
  if (cropped_) {
    if (dst.Width() <= 0 || dst.Height() <= 0) return true;
    clip = IntersectRect(clip, Collection().CanvasRect());
  }
  draw = TSurfaceDraw{&bitmap_, dst, clip};
  return true;
}

void TBitmapLayer::Paint(TBitmap32& buffer) {
  TSurfaceDraw draw;
  DescribePaint(buffer, draw);
  if (draw.surface) draw.surface->StretchOnto(buffer, draw.dst, draw.clip);
}

bool TBitmapLayer::HitTest(int x, int y) const {
  const float fx = float(x), fy = float(y);
  return fx >= location_.Left && fx < location_.Right && fy >= location_.Top &&
         fy < location_.Bottom;
}

}  // namespace quenvar
