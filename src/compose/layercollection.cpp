// The ordered layer collection: ownership, order, painting and mouse routing.
#include <algorithm>
#include <climits>

#include "compose/bandpool.h"
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
  // By index: a paint notification may change the collection. Entries with
  // a notification, and entries that paint in their own way, end the run
  // and are painted alone, in their place.
  for (int i = 0; i < Count(); ++i) {
    TCustomLayer& layer = *items_[std::size_t(i)];
    if (!layer.Visible()) continue;
    TSurfaceDraw draw;
    if (!layer.OnPaint && layer.DescribePaint(buffer, draw) && draw.surface != &buffer) {
      if (!draw.surface || AddToRun(buffer, draw)) continue;
    }
    PaintRun(buffer);
    layer.Paint(buffer);
    if (layer.OnPaint) layer.OnPaint(layer, buffer);
  }
  PaintRun(buffer);
}

bool TLayerCollection::AddToRun(TBitmap32& buffer, const TSurfaceDraw& draw) {
  if (runScratch_.size() <= run_.size()) runScratch_.resize(run_.size() + 1);
  TDrawPlan plan;
  if (!plan.Prepare(*draw.surface, buffer, draw.dst, draw.clip, runScratch_[run_.size()]))
    return true;  // draws nothing
  if (!plan.Splittable()) return false;
  run_.push_back(plan);
  return true;
}

namespace {

// Bands per drawing thread: enough to even out the work.
constexpr int kBandsPerThread = 4;
constexpr int kRunMinRows = 8;
// A band's rows of the buffer stay in the processor's cache while every
// layer of the run is drawn over them, so the buffer goes through memory
// once per run, not once per layer. Bands of a few megabytes did best:
// smaller ones restart every source's prefetching too often.
constexpr std::int64_t kBandBytes = 4096 * 1024;
// Smaller runs are painted on the calling thread, in one band.
constexpr std::int64_t kRunMinPixels = 32 * 1024;

}  // namespace

void TLayerCollection::PaintRun(TBitmap32& buffer) {
  if (run_.empty()) return;
  // Each grid4 draw starts where the draws below it leave the counter.
  std::uint16_t counter = GridCounter();
  int top = INT_MAX, bottom = INT_MIN;
  std::int64_t pixels = 0;
  for (TDrawPlan& plan : run_) {
    plan.SetGridStart(counter);
    if (plan.StepsGrid()) counter = std::uint16_t(counter + std::uint64_t(plan.Pixels()));
    top = std::min(top, plan.Area().Top);
    bottom = std::max(bottom, plan.Area().Bottom);
    pixels += plan.Pixels();
  }
  const std::int64_t rows = std::int64_t(bottom) - top;
  int bands = 1;
  if (pixels >= kRunMinPixels && rows > 0) {
    std::int64_t width = 0;
    for (const TDrawPlan& plan : run_) width = std::max<std::int64_t>(width, plan.Area().Width());
    const std::int64_t bandRows =
        std::max<std::int64_t>(kRunMinRows, kBandBytes / std::max<std::int64_t>(1, width * 4));
    const std::int64_t byCache = (rows + bandRows - 1) / bandRows;
    const std::int64_t byThreads = std::min<std::int64_t>(
        std::int64_t(ComposeThreads()) * kBandsPerThread, (rows + kRunMinRows - 1) / kRunMinRows);
    bands = int(std::max(byCache, byThreads));
  }
  auto band = [&](int i) {
    const int y0 = int(top + rows * i / bands), y1 = int(top + rows * (i + 1) / bands);
    for (const TDrawPlan& plan : run_) plan.DrawRows(y0, y1);
  };
  if (bands > 1)
    RunBands(bands, band);
  else
    band(0);
  GridCounter() = counter;
  for (const TDrawPlan& plan : run_) buffer.Changed(plan.Area());
  run_.clear();
}

std::int64_t TLayerCollection::GridSteps(const TBitmap32& buffer) const {
  std::int64_t steps = 0;
  for (const auto& layer : items_) {
    TSurfaceDraw draw;
    if (layer->Visible() && layer->DescribePaint(buffer, draw) && draw.surface)
      steps += GridStepsOfDraw(*draw.surface, buffer, draw.dst, draw.clip);
  }
  return steps;
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
