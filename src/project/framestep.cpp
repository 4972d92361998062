#include "project/framestep.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "compose/blendops.h"
#include "compose/layerstack.h"
#include "host/error.h"
#include "host/playback.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/videorecording.h"

namespace quenvar {

std::string FormatFrameNumber(std::int64_t n) {
  const std::uint64_t magnitude = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return digits;
}

std::string RemoveChar(std::string text, char c) {
  std::erase(text, c);
  return text;
}

std::string RecordFileName(const std::string& folder, const std::string& projectName,
                           std::int64_t frameNumber) {
  return folder + RemoveChar(projectName, ' ') + FormatFrameNumber(frameNumber) + ".bmp";
}

std::string RecordFolderOf(const std::string& outputPath) {
  const std::size_t last = outputPath.find_last_of("\\/:");
  return last == std::string::npos ? std::string() : outputPath.substr(0, last + 1);
}

std::string RecordFolderOfOutput(const std::string& outputPath) {
  // A folder that exists, named without a separator at its end, is where
  // the frames go, not a name inside its parent.
  std::error_code error;
  if (!outputPath.empty() && std::filesystem::is_directory(outputPath, error))
    return outputPath.back() == '/' ? outputPath : outputPath + "/";
  return RecordFolderOf(outputPath);
}

void StartRecording(TPlaybackState& state, const std::string& outputPath) {
  state.recordFolder = RecordFolderOfOutput(outputPath);
  state.frameNumber = 1;
  state.lastFrame = 0;
  state.recording = true;
}

std::string RecordingLabel(std::int64_t frameNumber) {
  return " RECORDING FRAME : " + std::to_string(frameNumber);
}

void ScrollViewLayers(const TProject& project, TLayerCollection& items, const TCustomLayer* skip,
                      std::uint64_t times) {
  const int count = std::min(items.Count(), int(project.layers.size()));
  for (int i = 0; i < count; ++i) {
    if (&items[i] == skip) continue;
    const TBlendLayer& layer = *project.layers[std::size_t(i)];
    if (layer.posx == 0 && layer.posy == 0) continue;
    auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(&items[i]);
    if (!bitmapLayer) continue;
    if (layer.tileWrap)
      bitmapLayer->Bitmap().ScrollTile(layer.posx, layer.posy, times);
    else
      bitmapLayer->Bitmap().ScrollWrap(layer.posx, layer.posy, times);
  }
}

void SkipFrames(const TProject& project, TImgView32& view, const TCustomLayer* skip,
                std::uint64_t steps) {
  ScrollViewLayers(project, view.Layers(), skip, steps);
  // The counter wraps at 2^16, so both factors count modulo 2^16.
  const std::uint64_t perFrame = std::uint64_t(view.GridStepsPerCompose()) & 0xFFFFu;
  GridCounter() = std::uint16_t(GridCounter() + (steps & 0xFFFFu) * perFrame);
}

void WriteFrameFile(TImgView32& view, const std::string& fileName) {
  // A window larger than the canvas shows checkerboard beyond it; the frame
  // is the canvas.
  TBitmap32& shown = view.Buffer();
  const int width = std::min(shown.Width(), view.Bitmap().Width());
  const int height = std::min(shown.Height(), view.Bitmap().Height());
  if ((width == shown.Width() && height == shown.Height()) || width <= 0 || height <= 0) {
    shown.SaveBmpFile(fileName);
    return;
  }
  TBitmap32 canvas;
  canvas.Resize(width, height);
  for (int y = 0; y < height; ++y)
    std::copy_n(std::as_const(shown).RowPointer(y), width, canvas.RowPointer(y));
  canvas.SaveBmpFile(fileName);
}

namespace {

// Writes the recorded frame; on failure the recording ends and the error is
// shown once, so the next step does not fail the same way again.
void RecordFrame(const TProject& project, TImgView32& view, TPlaybackState& state,
                 const TFrameStepHooks& hooks) {
  const std::string file = RecordFileName(state.recordFolder, project.name, state.frameNumber);
  try {
    WriteFrameFile(view, file);
  } catch (const std::exception& e) {
    state.recording = false;
    if (hooks.setFrameLabel) hooks.setFrameLabel(" ");
    if (hooks.showError) hooks.showError(e.what());
    return;
  }
  if (hooks.setFrameLabel) hooks.setFrameLabel(RecordingLabel(state.frameNumber));
  if (hooks.wait) hooks.wait(kRecordWaitMs);
  ++state.frameNumber;
}

// Clears stepBusy however the step ends.
struct TBusyGuard {
  bool& flag;
  explicit TBusyGuard(bool& f) : flag(f) { flag = true; }
  ~TBusyGuard() { flag = false; }
};

}  // namespace

bool StepFrame(TProject* project, TImgView32& view, const TCustomLayer* selectionFrame,
               TPlaybackState& state, const TFrameStepHooks& hooks) {
  if (state.stepBusy || !project) return false;
  TBusyGuard busy(state.stepBusy);
  view.BeginUpdate();
  try {
    ScrollViewLayers(*project, view.Layers(), selectionFrame);
  } catch (...) {
    view.EndUpdate();
    throw;
  }
  view.EndUpdate();
  view.RepaintNow();
  if (state.recording && state.video)
    RecordVideoFrame(view, state, hooks, SteadyClockMs());
  else if (state.recording)
    RecordFrame(*project, view, state, hooks);
  if (state.recording && state.lastFrame > 0 && state.frameNumber > state.lastFrame) {
    // One loop is written: the next frame would be the first again.
    const std::string error = EndRecording(state);
    if (hooks.setFrameLabel) hooks.setFrameLabel(" ");
    if (!error.empty() && hooks.showError) hooks.showError(error);
  }
  return true;
}

}  // namespace quenvar
