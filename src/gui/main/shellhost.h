#pragma once
// The main window's side of the core's seams and of the layers panel's: it
// shows the core's log lines in the status window, answers the project
// model's requests and gives the panel what it needs of the other windows.
#include "gui/layers/layerspanelhost.h"
#include "gui/psdimport/psdimporthost.h"
#include "host/statuslog.h"
#include "project/projecthost.h"

class TMainWindowSide;

class TShellHost : public quenvar::LogSink,
                   public quenvar::TProjectHost,
                   public TLayersPanelHost,
                   public TPsdImportHost {
 public:
  // Installs itself as the log sink and the project host; the destructor
  // puts the previous ones back.
  explicit TShellHost(TMainWindowSide& form);
  ~TShellHost() override;
  TShellHost(const TShellHost&) = delete;
  TShellHost& operator=(const TShellHost&) = delete;

  void StatusLog(std::string_view line) override;
  void PsdLog(std::string_view line) override;

  // The project model's requests.
  void StopPlayback() override;
  void HideLayersPanel() override;
  void ProcessPendingEvents() override;
  void Sleep(int milliseconds) override;
  int LayerRowCount() override;
  void DestroyLayerRow(int index) override;
  bool ViewClientSize(int& width, int& height) override;
  void HideLayersPanelContents() override;
  void ShowLayersPanelContents(int currentLayerNumber) override;
  quenvar::TLayerCollection* ViewLayers() override;
  void ViewLayerCreated(quenvar::TBitmapLayer& layer) override;
  void ProjectClosed() override;
  void RebuildView() override;

  // The layers panel's.
  void StartPlayback() override;
  void RebuildLayerFrames() override;
  void SetSelection(quenvar::TPositionedLayer* layer) override;
  void RefreshSelection() override;
  void SetViewMouseListener(quenvar::TCustomLayer* layer) override;
  Prompter& prompter() override;
  QString& lastPictureFolder() override;
  void PushEdit(quenvar::TProjectEditPtr edit, bool mergeable) override;
  void DropFiles(const QStringList& paths) override;
  QString MiniFontFamily() override;

  // The PSD import window's.
  void NewProject() override;

 private:
  TMainWindowSide& form_;
  quenvar::LogSink* previousSink_;
};
