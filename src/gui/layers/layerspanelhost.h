#pragma once
// What the layers panel and its rows need from the windows around them. The
// main window implements it, so the panel includes no other window.
#include <QString>

#include "project/projectedit.h"

class Prompter;
class QWidget;

namespace quenvar {
class TPositionedLayer;
class TCustomLayer;
}  // namespace quenvar

class TLayersPanelHost {
 public:
  virtual ~TLayersPanelHost() = default;
  virtual void StartPlayback() = 0;
  virtual void StopPlayback() = 0;
  virtual void RebuildLayerFrames() = 0;
  // Frames a view layer in the view window (none removes the frame).
  virtual void SetSelection(quenvar::TPositionedLayer* layer) = 0;
  // The frame takes its layer's place again (after the layer moved or
  // changed size).
  virtual void RefreshSelection() = 0;
  // Gives the view's pointer movements to a view layer until the next press.
  virtual void SetViewMouseListener(quenvar::TCustomLayer* layer) = 0;
  virtual Prompter& prompter() = 0;
  // Where the picture dialog starts; ends with a separator once set.
  virtual QString& lastPictureFolder() = 0;
  // Takes an edit that has already been done onto the undo stack. Edits of
  // one kind on one layer pushed with `mergeable` fold into one undo step.
  virtual void PushEdit(quenvar::TProjectEditPtr edit, bool mergeable = false) = 0;
  // Files dropped on the panel: pictures become layers, a project opens.
  virtual void DropFiles(const QStringList& paths) = 0;
  // The family the interface font "mini" was registered as.
  virtual QString MiniFontFamily() = 0;
};
