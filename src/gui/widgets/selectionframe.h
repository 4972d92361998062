#pragma once
// The selection frame of a view: one rubber-band layer around the layer the
// user picked, made at the first selection and reused, brought to the front
// at each. The view window and the PSD preview frame their layers with it.
#include <functional>

namespace quenvar {
class TImage32;
class TPositionedLayer;
class TRubberbandLayer;
}  // namespace quenvar

class TSelectionFrame {
 public:
  // `setUp` gives a newly made frame what its view wants of it (handles,
  // size limits, what a drag does).
  TSelectionFrame(quenvar::TImage32& view, std::function<void(quenvar::TRubberbandLayer&)> setUp);
  ~TSelectionFrame();
  TSelectionFrame(const TSelectionFrame&) = delete;
  TSelectionFrame& operator=(const TSelectionFrame&) = delete;

  // Frames `layer`, or takes the frame away (nullptr). A selected layer that
  // is destroyed is no longer selected.
  void Select(quenvar::TPositionedLayer* layer);
  // The frame takes the selected layer's place again (after an undo, say).
  void Refresh();
  // The view's layers are about to be cleared, which destroys the frame.
  void Forget();

  quenvar::TPositionedLayer* selected() const { return selected_; }
  quenvar::TRubberbandLayer* frame() const { return frame_; }

 private:
  void Make();

  quenvar::TImage32& view_;
  std::function<void(quenvar::TRubberbandLayer&)> setUp_;
  quenvar::TPositionedLayer* selected_ = nullptr;
  quenvar::TRubberbandLayer* frame_ = nullptr;
  int selectedListener_ = 0;
  int frameListener_ = 0;
};
