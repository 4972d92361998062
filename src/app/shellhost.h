#pragma once
// The main window's side of the core's seams: it shows the core's log lines
// in the status window and answers the project model's requests.
#include "host/statuslog.h"
#include "project/projecthost.h"

class Tmainform;

class TShellHost : public quenvar::LogSink, public quenvar::TProjectHost {
 public:
  // Installs itself as the log sink and the project host; the destructor
  // puts the previous ones back.
  explicit TShellHost(Tmainform& form);
  ~TShellHost() override;
  TShellHost(const TShellHost&) = delete;
  TShellHost& operator=(const TShellHost&) = delete;

  void StatusLog(std::string_view line) override;
  void PsdLog(std::string_view line) override;

  void StopPlayback() override;
  void ProcessPendingEvents() override;
  void Sleep(int milliseconds) override;
  bool ViewClientSize(int& width, int& height) override;
  quenvar::TLayerCollection* ViewLayers() override;
  void ViewLayerCreated(quenvar::TBitmapLayer& layer) override;

 private:
  Tmainform& form_;
  quenvar::LogSink* previousSink_;
};
