#pragma once
// What the project model needs from the windows around it. The application
// implements it; so do the headless renderer and the tests.
#include <string>

namespace quenvar {

class TLayerCollection;
class TBitmapLayer;

class TProjectHost {
 public:
  virtual ~TProjectHost() = default;
  virtual void StopPlayback() {}
  virtual void HideLayersPanel() {}
  // Lets pending window events run (timer ticks included).
  virtual void ProcessPendingEvents() {}
  virtual void Sleep(int /*milliseconds*/) {}
  // Number of rows in the layers panel and destruction of the row at index i.
  virtual int LayerRowCount() { return 0; }
  virtual void DestroyLayerRow(int /*index*/) {}
  // Client size of the view window; false when no view window exists.
  virtual bool ViewClientSize(int& /*width*/, int& /*height*/) { return false; }
  // The layers panel's contents are hidden while a project loads its layers,
  // then shown again with the panel's current layer number set.
  virtual void HideLayersPanelContents() {}
  virtual void ShowLayersPanelContents(int /*currentLayerNumber*/) {}
  // The view window's layer collection, where blend layers create their view
  // layers; nullptr when no view window exists.
  virtual TLayerCollection* ViewLayers() { return nullptr; }
  // Called for every view layer a blend layer creates, so the view window can
  // route clicks on it to its layer selection.
  virtual void ViewLayerCreated(TBitmapLayer& /*layer*/) {}
  // The open project has been closed and destroyed.
  virtual void ProjectClosed() {}
  // The view window takes the project's canvas size and builds its view
  // layers from the project again (a canvas size undone or redone).
  virtual void RebuildView() {}
};

// The host in force; a default one that does nothing when none is installed.
TProjectHost& ProjectHost();
void SetProjectHost(TProjectHost* host);

}  // namespace quenvar
