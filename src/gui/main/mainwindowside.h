#pragma once
// What the view window and the shell host ask of the main window. The main
// window implements it and owns both, so neither needs the main window's own
// header, and nothing in the shell depends on itself in a circle.
#include <QString>
#include <QStringList>

#include "project/projectedit.h"

class Prompter;
class QUndoStack;
class TfrmLayers;
class TfrmProject32;

namespace quenvar {
class TCustomLayer;
}

// Which question about unsaved work: New asks even without changes, Exit
// asks whether to leave the program.
enum class TUnsavedAsk { Close, New, Exit };

class TMainWindowSide {
 public:
  virtual ~TMainWindowSide() = default;

  // Playback and the tool panel.
  virtual void StartPlayback() = 0;
  virtual void StopPlayback() = 0;
  // PLAY/STOP, also Space in the view.
  virtual void bAnimateClick() = 0;
  virtual void SetFrameCountLabel(const QString& text) = 0;
  virtual void SetFullScreen(bool on) = 0;
  virtual bool FullScreenShown() const = 0;

  // The log and messages.
  virtual void StatusLog(const QString& line) = 0;
  virtual void PsdLog(const QString& line) = 0;
  virtual void ShowError(const QString& message) = 0;
  virtual Prompter& prompter() = 0;
  // The family the interface font "mini" was registered as.
  virtual QString InterfaceFontFamily() const = 0;
  // Where the layer rows' picture dialog starts.
  virtual QString& PictureFolder() = 0;

  // The project and its edits.
  virtual void NewClick() = 0;
  virtual void PushEdit(quenvar::TProjectEditPtr edit, bool mergeable = false) = 0;
  virtual QUndoStack* UndoStack() = 0;
  // Asks about unsaved changes; true when the caller may go on.
  virtual bool SettleUnsavedWork(TUnsavedAsk ask = TUnsavedAsk::Close) = 0;
  // The project changed outside the undo stack, or was made, opened or saved.
  virtual void NoteProjectChanged() = 0;
  virtual void DropFiles(const QStringList& paths) = 0;

  // The windows.
  virtual TfrmLayers* LayersPanel() = 0;
  virtual TfrmProject32* ViewWindow() = 0;
  virtual void RebuildLayerFrames() = 0;
  // Deletes the layers panel's current layer, asking first (Delete key).
  virtual void DeleteCurrentLayer() = 0;
  // Moves the layer selected in the view by whole pixels.
  virtual void NudgeSelection(int dx, int dy) = 0;
  // The layers panel highlights the row of a layer clicked in the view.
  virtual void EnterLayerRow(const quenvar::TCustomLayer* viewLayer) = 0;
  // The view window is closing and takes the project with it.
  virtual void ViewClosing(TfrmProject32* view) = 0;
  // After the open project has closed: menus and PLAY/STOP follow.
  virtual void ProjectClosed() = 0;
};
