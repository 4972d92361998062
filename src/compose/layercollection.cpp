// The ordered layer collection: ownership, order, painting and mouse routing.
#include <algorithm>
#include <climits>

#include "compose/layerstack.h"

namespace quenvar {

TLayerCollection::~TLayerCollection() {
  owner_ = nullptr;  // the owner is going away: tell it nothing more
  Clear();
}

int TLayerCollection::IndexOf(const TCustomLayer* layer) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == layer) return int(i);
  return -1;
}

void TLayerCollection::Move(int from, int to) {
  const int count = Count();
  if (from < 0 || from >= count) return;
  to = std::clamp(to, 0, count - 1);
  if (from == to) return;
  auto first = items_.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
  Changed();
}

void TLayerCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  // Taken out first, so the entry's destruction notices see a consistent list.
  std::unique_ptr<TCustomLayer> layer = std::move(items_[std::size_t(index)]);
  items_.erase(items_.begin() + index);
  if (mouseListener_ == layer.get()) mouseListener_ = nullptr;
  layer.reset();
  Changed();
}

void TLayerCollection::Remove(TCustomLayer* layer) {
  Delete(IndexOf(layer));
}

void TLayerCollection::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

TRect TLayerCollection::CanvasRect() const {
  if (owner_) return owner_->CanvasRect();
  return TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
}

void TLayerCollection::Paint(TBitmap32& buffer) {
  // By index: a paint notification may change the collection.
  for (int i = 0; i < Count(); ++i) {
    TCustomLayer& layer = *items_[std::size_t(i)];
    if (!layer.Visible()) continue;
    layer.Paint(buffer);
    if (layer.OnPaint) layer.OnPaint(layer, buffer);
  }
}

TCustomLayer* TLayerCollection::FindLayerAt(int x, int y) const {
  for (int i = Count() - 1; i >= 0; --i) {
    TCustomLayer& layer = *items_[std::size_t(i)];
    if (layer.MouseEvents() && layer.HitTest(x, y)) return &layer;
  }
  return nullptr;
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomLayer* layer = mouseListener_ ? mouseListener_ : FindLayerAt(x, y);
  if (!layer) return nullptr;
  mouseListener_ = layer;
  layer->MouseDown(button, shift, x, y);
  // The press handler may have destroyed the entry.
  return IndexOf(layer) >= 0 ? layer : nullptr;
}

bool TLayerCollection::MouseMove(TShiftState shift, int x, int y) {
  if (!mouseListener_) return false;
  mouseListener_->MouseMove(shift, x, y);
  return true;
}

bool TLayerCollection::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!mouseListener_) return false;
  TCustomLayer* layer = mouseListener_;
  mouseListener_ = nullptr;
  layer->MouseUp(button, shift, x, y);
  return true;
}

TCursorShape TLayerCollection::CursorAt(int x, int y) const {
  const TCustomLayer* layer = mouseListener_ ? mouseListener_ : FindLayerAt(x, y);
  return layer ? layer->CursorAt(x, y) : crDefault;
}

void TLayerCollection::Changed() {
  if (owner_) owner_->Invalidate();
}

}  // namespace quenvar
