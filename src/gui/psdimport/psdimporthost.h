#pragma once
// What the PSD import window needs from the main window. The main window
// implements it, so the import window includes no other window.
#include "project/projectedit.h"

class Prompter;

class TPsdImportHost {
 public:
  virtual ~TPsdImportHost() = default;
  virtual Prompter& prompter() = 0;
  // The New command: asks for a canvas and opens a project unless cancelled.
  virtual void NewProject() = 0;
  virtual void StartPlayback() = 0;
  virtual void StopPlayback() = 0;
  // Takes an edit that has already been done onto the undo stack.
  virtual void PushEdit(quenvar::TProjectEditPtr edit, bool mergeable = false) = 0;
  virtual void RebuildLayerFrames() = 0;
};
