#include "gui/widgets/selectionframe.h"

#include <utility>

#include "compose/layerstack.h"

namespace {

// Hidden and deaf while detached; shown, taking the mouse and drawn without
// update requests while attached.
constexpr std::uint32_t kFrameDetached = quenvar::LOB_NO_UPDATE;
constexpr std::uint32_t kFrameAttached =
    quenvar::LOB_VISIBLE | quenvar::LOB_MOUSE_EVENTS | quenvar::LOB_NO_UPDATE;

}  // namespace

TSelectionFrame::TSelectionFrame(quenvar::TImage32& view,
                                 std::function<void(quenvar::TRubberbandLayer&)> setUp)
    : view_(view), setUp_(std::move(setUp)) {}

TSelectionFrame::~TSelectionFrame() {
  Select(nullptr);
  Forget();
}

void TSelectionFrame::Make() {
  frame_ = &view_.Layers().Add<quenvar::TRubberbandLayer>();
  if (setUp_) setUp_(*frame_);
  frameListener_ = frame_->AddDestroyNotify([this](quenvar::TCustomLayer&) {
    frame_ = nullptr;
    frameListener_ = 0;
  });
}

void TSelectionFrame::Forget() {
  if (frame_ && frameListener_) frame_->RemoveDestroyNotify(frameListener_);
  frame_ = nullptr;
  frameListener_ = 0;
}

void TSelectionFrame::Select(quenvar::TPositionedLayer* layer) {
  if (layer == selected_) return;
  if (frame_) {
    frame_->SetChildLayer(nullptr);
    frame_->SetLayerOptions(kFrameDetached);
    view_.Invalidate();
  }
  if (selected_ && selectedListener_) selected_->RemoveDestroyNotify(selectedListener_);
  selected_ = layer;
  selectedListener_ = 0;
  if (!layer) return;
  selectedListener_ = layer->AddDestroyNotify([this](quenvar::TCustomLayer&) {
    selected_ = nullptr;
    selectedListener_ = 0;
  });
  if (!frame_)
    Make();
  else
    frame_->BringToFront();
  frame_->SetChildLayer(layer);
  frame_->SetLayerOptions(kFrameAttached);
  view_.Invalidate();
}

void TSelectionFrame::Refresh() {
  if (!frame_ || !selected_ || frame_->ChildLayer() != selected_) return;
  frame_->SetLocation(selected_->Location());
  view_.Invalidate();
}
