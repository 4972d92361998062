#pragma once
// The frame engine without any window: one frame step (scroll every moving layer, compose, write
// the frame while recording) and the rules for naming recorded frames.
#include <cstdint>
#include <functional>
#include <string>

namespace quenvar {

class TCustomLayer;
class TImgView32;
class TLayerCollection;
class TProject;
struct TPlaybackState;

// Decimal frame number padded to five digits. Longer numbers keep all their
// digits, so a recording past 99999 frames never overwrites earlier files.
std::string FormatFrameNumber(std::int64_t n);

// `text` with every occurrence of `c` removed.
std::string RemoveChar(std::string text, char c);

// folder + project name without spaces + five-digit number + ".bmp".
std::string RecordFileName(const std::string& folder, const std::string& projectName,
                           std::int64_t frameNumber);

// The folder part of an output path: everything up to and including its last
// backslash, slash or colon; empty when it has none (the current directory).
std::string RecordFolderOf(const std::string& outputPath);

// The folder a recording into `outputPath` writes to: the folder part of
// the path, or the path itself when it names a folder that exists.
std::string RecordFolderOfOutput(const std::string& outputPath);

// The capture dialog's START: frames go to the folder of `outputPath`,
// numbered from 1, with no end (set lastFrame for one loop).
void StartRecording(TPlaybackState& state, const std::string& outputPath);

// The recording label's text for a frame number.
std::string RecordingLabel(std::int64_t frameNumber);

// Scrolls collection item i by project layer i's motion, `times` times over
// (in constant time); items beyond the project's layers and `skip` (the
// selection frame) are left alone.
void ScrollViewLayers(const TProject& project, TLayerCollection& items, const TCustomLayer* skip,
                      std::uint64_t times = 1);

// Brings the view to where `steps` frame steps would leave it without
// composing the frames between: every moving layer turns by `steps` times
// its motion, and grid4's counter moves as `steps` composes would move it.
// Takes the same time for any number of steps. The next step then composes
// exactly the frame that step number `steps` + 1 composes.
void SkipFrames(const TProject& project, TImgView32& view, const TCustomLayer* skip,
                std::uint64_t steps);

// What a frame step asks of the window around it.
struct TFrameStepHooks {
  // Sets the main window's frame counter label.
  std::function<void(const std::string&)> setFrameLabel;
  // Blocks for the given time after a recorded frame.
  std::function<void(int)> wait;
  // Shows a failure to write a frame file.
  std::function<void(const std::string&)> showError;
};

// Milliseconds the step waits after writing a recorded frame.
constexpr int kRecordWaitMs = 20;

// One frame step of the open project's view: the layers scroll inside one
// update bracket, then the view composes and shows the frame at once
// (TImage32::RepaintNow). Returns false when it did not
// run (a step already running, or no project). A frame file that cannot be
// written is reported once through showError and ends the recording (label
// blanked); playback itself goes on. A recording with a last frame ends
// (label blanked, a video finished) once that frame is written.
bool StepFrame(TProject* project, TImgView32& view, const TCustomLayer* selectionFrame,
               TPlaybackState& state, const TFrameStepHooks& hooks);

// Writes the view's displayed buffer as a 32-bit bitmap file (recorded
// frames and Save frame). Throws quenvar::Error when it cannot.
void WriteFrameFile(TImgView32& view, const std::string& fileName);

}  // namespace quenvar
