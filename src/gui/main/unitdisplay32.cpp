#include "gui/main/unitdisplay32.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <utility>

#include "compose/layerstack.h"
#include "gui/main/mainwindowside.h"
#include "gui/widgets/filedrops.h"
#include "gui/widgets/imageview32.h"
#include "gui/widgets/selectionframe.h"
#include "host/playback.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/framestep.h"
#include "project/layeredit.h"
#include "project/layerrecord.h"
#include "project/project.h"
#include "project/projectedit.h"
#include "project/projectview.h"

namespace {

// The selection frame's four corner handles.
constexpr quenvar::TRBHandles kFrameHandles = 15;

}  // namespace

TfrmProject32::TfrmProject32(TMainWindowSide& mainform, QWidget* parent)
    : QMdiSubWindow(parent), mainform_(mainform) {
  setObjectName(QStringLiteral("frmProject32"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAcceptDrops(true);
  img32 = new TImageView32(this);
  setWidget(img32);
  setFocusProxy(img32);

  quenvar::TImgView32& v = img32->view();
  quenvar::PrepareProjectView(v);
  // Dragging the frame moves or resizes the layer; the drag is one edit.
  selection_ = std::make_unique<TSelectionFrame>(v, [this](quenvar::TRubberbandLayer& frame) {
    frame.Handles = kFrameHandles;
    frame.OnMouseDown = [this](quenvar::TCustomLayer&, quenvar::TMouseButton, quenvar::TShiftState,
                               int, int) { FrameDragStarted(); };
    frame.OnMouseUp = [this](quenvar::TCustomLayer&, quenvar::TMouseButton, quenvar::TShiftState,
                             int, int) { FrameDragEnded(); };
  });
  v.OnPaintStage = [](quenvar::TImage32&, quenvar::TBitmap32& buffer, int) {
    quenvar::PaintCheckerboard(buffer);
  };
  // A press that no layer takes clears the selection and lets the mouse go.
  v.OnMouseDown = [this](quenvar::TImage32& sender, quenvar::TMouseButton, quenvar::TShiftState,
                         int, int) {
    SetSelection(nullptr);
    sender.Layers().SetMouseListener(nullptr);
  };
  connect(img32, &TImageView32::resized, this, &TfrmProject32::FormResize);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(quenvar::Playback().frameInterval);
  // A coarse timer may fire 5% early or late: the FPS box's rate is kept to
  // the millisecond instead.
  Timer1->setTimerType(Qt::PreciseTimer);
  connect(Timer1, &QTimer::timeout, this, &TfrmProject32::Timer1Timer);
  // Sizing a new window to its canvas stops playback, so every view starts
  // stopped; starting it stopped also covers a canvas that is already the
  // window's size.
}

TfrmProject32::~TfrmProject32() {
  Timer1->stop();
  selection_->Select(nullptr);
  selection_->Forget();
}

quenvar::TImgView32& TfrmProject32::view() {
  return img32->view();
}

int TfrmProject32::ClientWidth() const {
  return img32->view().ClientWidth();
}

int TfrmProject32::ClientHeight() const {
  return img32->view().ClientHeight();
}

void TfrmProject32::SetClientSize(int width, int height) {
  if (presenting()) {
    img32->SetPresentedFrame(QSize(width, height));
    return;
  }
  // The frame and title bar keep their size; only the client area changes.
  // The title bar and border lie in the window's contents margins; the
  // layout places img32 inside them. While the window is hidden the layout
  // waits, so img32 is sized here as well.
  const QMargins m = contentsMargins();
  resize(width + m.left() + m.right(), height + m.top() + m.bottom());
  if (img32->size() != QSize(width, height)) img32->resize(width, height);
  if (ClientWidth() != width || ClientHeight() != height) {
    img32->view().SetClientSize(width, height);
    FormResize();
  }
}

bool TfrmProject32::presenting() const {
  return img32->presenting();
}

void TfrmProject32::SetPresenting(bool on) {
  if (on == presenting()) return;
  quenvar::TProject* project = quenvar::CurrentProject();
  if (on) {
    // A maximised subwindow draws its own title bar once the menu bar is
    // hidden; without frame and title the view covers the screen.
    windowedFlags_ = windowFlags();
    setWindowFlags(windowedFlags_ | Qt::FramelessWindowHint);
    img32->SetPresentedFrame(project ? QSize(project->width, project->height) : size());
    showMaximized();
  } else {
    showNormal();
    setWindowFlags(windowedFlags_);
    show();
    img32->SetPresentedFrame(QSize());
  }
}

void TfrmProject32::BuildFromProject() {
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project) return;
  SetClientSize(project->width, project->height);
  UpdateTitle();
  SetSelection(nullptr);
  quenvar::TImgView32& v = view();
  // Clearing the collection destroys the frame; forget it first.
  selection_->Forget();
  quenvar::BuildViewFromProject(*project, v);
  v.Invalidate();
}

void TfrmProject32::UpdateTitle() {
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project) return;
  setWindowTitle(
      QString::fromStdString(quenvar::ViewTitle(project->fileName, ClientWidth(), ClientHeight())));
}

void TfrmProject32::SetSelection(quenvar::TPositionedLayer* layer) {
  selection_->Select(layer);
}

void TfrmProject32::RefreshSelection() {
  selection_->Refresh();
}

void TfrmProject32::FrameDragStarted() {
  dragStart_.reset();
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project || !selectedLayer()) return;
  for (std::size_t i = 0; i < project->layers.size(); ++i) {
    if (project->layers[i]->ALayer != selectedLayer()) continue;
    dragLayerIndex_ = int(i);
    dragModifiedBefore_ = project->modified;
    dragStartPlace_ = selectedLayer()->Location();
    dragStart_ =
        std::make_unique<quenvar::TLayerRecord>(quenvar::RecordLayer(*project->layers[i], false));
    return;
  }
}

void TfrmProject32::FrameDragEnded() {
  std::unique_ptr<quenvar::TLayerRecord> start = std::move(dragStart_);
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!start || !project || !selectedLayer() || dragLayerIndex_ >= int(project->layers.size()))
    return;
  quenvar::TBlendLayer& layer = *project->layers[std::size_t(dragLayerIndex_)];
  if (layer.ALayer != selectedLayer() || selectedLayer()->Location() == dragStartPlace_) return;
  quenvar::CommitLayerPlacement(*project, layer);
  mainform_.PushEdit(quenvar::LayerChanged(*project, dragLayerIndex_, std::move(*start),
                                           "Move layer", dragModifiedBefore_));
}

void TfrmProject32::LayerMouseDown(quenvar::TCustomLayer& sender) {
  SetSelection(dynamic_cast<quenvar::TPositionedLayer*>(&sender));
  mainform_.EnterLayerRow(&sender);
}

void TfrmProject32::WatchViewLayer(quenvar::TBitmapLayer& layer) {
  QPointer<TfrmProject32> self(this);
  layer.OnMouseDown = [self](quenvar::TCustomLayer& sender, quenvar::TMouseButton,
                             quenvar::TShiftState, int, int) {
    if (self) self->LayerMouseDown(sender);
  };
}

void TfrmProject32::StepFrame() {
  quenvar::TFrameStepHooks hooks;
  hooks.setFrameLabel = [this](const std::string& text) {
    mainform_.SetFrameCountLabel(QString::fromStdString(text));
  };
  hooks.wait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
  hooks.showError = [this](const std::string& message) {
    mainform_.ShowError(QString::fromStdString(message));
  };
  quenvar::StepFrame(quenvar::CurrentProject(), view(), selectionFrame(), quenvar::Playback(),
                     hooks);
}

void TfrmProject32::StartTimer() {
  const int interval = quenvar::Playback().frameInterval;
  if (interval > 0) Timer1->setInterval(interval);
  Timer1->start();
}

void TfrmProject32::Timer1Timer() {
  // The FPS box sets the pace.
  const int interval = quenvar::Playback().frameInterval;
  if (interval > 0 && Timer1->interval() != interval) Timer1->setInterval(interval);
  StepFrame();
}

void TfrmProject32::FormResize() {
  mainform_.StopPlayback();
  UpdateTitle();
}

void TfrmProject32::closeEvent(QCloseEvent* event) {
  // Closed by the user: unsaved work is offered a save, and Cancel keeps
  // the project open.
  if (!std::exchange(closeAsked, true) && !mainform_.SettleUnsavedWork()) {
    closeAsked = false;
    event->ignore();
    return;
  }
  mainform_.StopPlayback();
  QMdiSubWindow::closeEvent(event);
  event->accept();
  Timer1->stop();
  mainform_.ViewClosing(this);
  SetSelection(nullptr);
  quenvar::CloseProject();
  quenvar::StatusLog(" ");
  mainform_.ProjectClosed();
}

void TfrmProject32::keyPressEvent(QKeyEvent* event) {
  const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  switch (event->key()) {
    case Qt::Key_Escape:
      // Leaves full screen; outside it the view keeps the size it has.
      if (mainform_.FullScreenShown()) mainform_.SetFullScreen(false);
      return;
    case Qt::Key_Space:
      if (!event->isAutoRepeat()) mainform_.bAnimateClick();
      return;
    case Qt::Key_Delete:
      mainform_.DeleteCurrentLayer();
      return;
    case Qt::Key_Left:
      mainform_.NudgeSelection(-step, 0);
      return;
    case Qt::Key_Right:
      mainform_.NudgeSelection(step, 0);
      return;
    case Qt::Key_Up:
      mainform_.NudgeSelection(0, -step);
      return;
    case Qt::Key_Down:
      mainform_.NudgeSelection(0, step);
      return;
    default:
      QMdiSubWindow::keyPressEvent(event);
  }
}

void TfrmProject32::dragEnterEvent(QDragEnterEvent* event) {
  AcceptFileDrag(event);
}

void TfrmProject32::dropEvent(QDropEvent* event) {
  const QStringList files = TakeFileDrop(event);
  if (!files.isEmpty()) mainform_.DropFiles(files);
}
