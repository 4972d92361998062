#pragma once
// TfrmProject32: the view window. It shows the open project composed over a
// checkerboard, hosts the frame timer that plays it, and frames the layer the
// user clicks with a selection frame that drags and resizes it. It exists
// exactly while a project is open; closing it closes the project.
#include <QMdiSubWindow>
#include <memory>

#include "compose/geometry.h"
#include "gui/widgets/selectionframe.h"

class QTimer;
class TMainWindowSide;
class TImageView32;

namespace quenvar {
class TCustomLayer;
class TPositionedLayer;
class TRubberbandLayer;
class TBitmapLayer;
class TImgView32;
struct TLayerRecord;
}  // namespace quenvar

class TfrmProject32 : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit TfrmProject32(TMainWindowSide& mainform, QWidget* parent = nullptr);
  ~TfrmProject32() override;

  // Sizes the window to the canvas and recreates every view layer.
  void BuildFromProject();
  void UpdateTitle();
  // Frames a layer, or removes the frame (nullptr).
  void SetSelection(quenvar::TPositionedLayer* layer);
  // The frame takes the selected layer's place again (after an undo, say).
  void RefreshSelection();
  // Mouse-down handler given to every view layer: selects it.
  void LayerMouseDown(quenvar::TCustomLayer& sender);
  // Routes clicks on a newly created view layer to LayerMouseDown.
  void WatchViewLayer(quenvar::TBitmapLayer& layer);
  // One frame step.
  void StepFrame();
  // Starts the frame timer at the FPS box's rate.
  void StartTimer();

  // The client area: the size of img32 and of the view's buffer. While
  // presenting, the frame's size alone; the window keeps its size.
  void SetClientSize(int width, int height);
  // Full screen: the window fills the main window without title or frame and
  // shows the canvas scaled to fit; off restores its title and frame.
  void SetPresenting(bool on);
  bool presenting() const;
  int ClientWidth() const;
  int ClientHeight() const;

  quenvar::TImgView32& view();
  quenvar::TPositionedLayer* selectedLayer() const { return selection_->selected(); }
  quenvar::TRubberbandLayer* selectionFrame() const { return selection_->frame(); }

  TImageView32* img32 = nullptr;
  QTimer* Timer1 = nullptr;
  // Set when the question about unsaved work has been settled, so closing
  // does not ask again.
  bool closeAsked = false;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormResize();
  void Timer1Timer();
  // A drag of the selection frame: the layer's state when it began, and the
  // edit pushed when it moved or resized the layer.
  void FrameDragStarted();
  void FrameDragEnded();

  TMainWindowSide& mainform_;
  std::unique_ptr<TSelectionFrame> selection_;
  int dragLayerIndex_ = -1;
  bool dragModifiedBefore_ = false;
  quenvar::TFloatRect dragStartPlace_;
  std::unique_ptr<quenvar::TLayerRecord> dragStart_;
  Qt::WindowFlags windowedFlags_;
};
