#pragma once
// The program-wide playback and recording state kept beside the main window.
#include <string>

namespace quenvar {

struct TPlaybackState {
  bool playing = false;
  bool recording = false;
  std::string recordFolder;
  int frameNumber = 0;
  int frameInterval = 30;  // milliseconds between frames
  bool stepBusy = false;   // a frame step is running
};

TPlaybackState& Playback();

}  // namespace quenvar
