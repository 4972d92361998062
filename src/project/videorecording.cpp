#include "project/videorecording.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <utility>

#include "compose/layerstack.h"
#include "host/error.h"
#include "host/playback.h"
#include "project/framestep.h"
#include "video/videoformat.h"
#include "video/videowriter.h"

namespace quenvar {

namespace {

// The output path's folder and name parts; a folder given without its
// separator has no name part.
std::pair<std::string, std::string> SplitOutput(const std::string& outputPath) {
  const std::string folder = RecordFolderOfOutput(outputPath);
  return {folder, folder.size() < outputPath.size() ? outputPath.substr(folder.size()) : ""};
}

std::string WithoutExtension(std::string name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

std::string VideoRecordName(const std::string& outputPath, const std::string& projectName,
                            const std::string& extension) {
  auto [folder, name] = SplitOutput(outputPath);
  if (name.empty()) name = RemoveChar(projectName, ' ');
  if (VideoKindForFile(name)) return folder + name;
  return folder + WithoutExtension(name) + extension;
}

std::string WithVideoExtension(const std::string& outputPath, const std::string& extension) {
  const auto [folder, name] = SplitOutput(outputPath);
  if (name.empty()) return outputPath;
  return folder + WithoutExtension(name) + extension;
}

void StartVideoRecording(TPlaybackState& state, const std::string& videoFile, int width, int height,
                         int fps, int frameMs) {
  const std::string previous = EndRecording(state);
  TVideoSettings settings{width, height, fps};
  settings.frameMs = frameMs;
  auto video = std::make_shared<TVideoWriter>(videoFile, settings);
  state.video = std::move(video);
  ResumeVideoClock(state);
  state.recordFolder = RecordFolderOf(videoFile);
  state.frameNumber = 1;
  state.lastFrame = 0;
  state.recording = true;
  // Finishing the previous video failed, but the new one is open.
  if (!previous.empty()) throw Error(previous);
}

void ResumeVideoClock(TPlaybackState& state) {
  state.videoClockMs = -1;
}

std::int64_t SteadyClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string EndRecording(TPlaybackState& state) {
  state.recording = false;
  std::shared_ptr<TVideoWriter> video = std::move(state.video);
  state.video.reset();
  if (!video || !video->Open()) return "";
  try {
    video->Finish();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

namespace {

std::string SizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Ends the recording from inside a step and says why.
void StopWithMessage(TPlaybackState& state, const TFrameStepHooks& hooks,
                     const std::string& message) {
  const std::string finishError = EndRecording(state);
  if (hooks.setFrameLabel) hooks.setFrameLabel(" ");
  if (hooks.showError) hooks.showError(finishError.empty() ? message : finishError);
}

}  // namespace

void RecordVideoFrame(TImgView32& view, TPlaybackState& state, const TFrameStepHooks& hooks,
                      std::int64_t nowMs) {
  TVideoWriter& video = *state.video;
  const TBitmap32& frame = view.Buffer();
  if (frame.Width() < video.Width() || frame.Height() < video.Height()) {
    StopWithMessage(state, hooks,
                    "The view is now " + SizeText(frame.Width(), frame.Height()) + ", the video " +
                        SizeText(video.Width(), video.Height()) + ": the recording ended with " +
                        std::to_string(video.FramesWritten()) + " frames in " + video.FileName());
    return;
  }
  if (state.videoClockMs < 0) {
    state.videoClockMs = nowMs;
    state.videoClockSlot = video.NextSlot();
  }
  // One loop plays round only when each of its frames takes one slot, so it
  // does not follow the clock.
  const std::int64_t slot =
      state.lastFrame > 0 ? -1
                          : state.videoClockSlot +
                                std::llround(double(nowMs - state.videoClockMs) / video.SlotMs());
  try {
    // The window may show more than the canvas; the video holds the canvas.
    video.WriteFrame(frame.Bits(), frame.Width(), slot);
  } catch (const std::exception& e) {
    state.video.reset();  // already removed by the writer
    StopWithMessage(state, hooks, e.what());
    return;
  }
  // No wait after a video frame: it would slow the playing it records.
  if (hooks.setFrameLabel) hooks.setFrameLabel(RecordingLabel(state.frameNumber));
  ++state.frameNumber;
}

}  // namespace quenvar
