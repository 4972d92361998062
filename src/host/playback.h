#pragma once
// The program-wide playback and recording state kept beside the main window.
#include <cstdint>
#include <memory>
#include <string>

namespace quenvar {

class TVideoWriter;

struct TPlaybackState {
  bool playing = false;
  bool recording = false;
  std::string recordFolder;
  // While a recording goes into a video rather than bitmap files.
  std::shared_ptr<TVideoWriter> video;
  int frameNumber = 0;
  // The recording ends by itself once this frame is written (one loop);
  // 0 for no end.
  std::int64_t lastFrame = 0;
  // Where a video's clock was last set going: the steady clock's
  // milliseconds (negative when it waits for the next frame, as after a
  // pause) and the video's slot at that moment.
  std::int64_t videoClockMs = -1;
  std::int64_t videoClockSlot = 0;
  int frameInterval = 30;  // milliseconds between frames
  bool stepBusy = false;   // a frame step is running
};

TPlaybackState& Playback();

}  // namespace quenvar
