#pragma once
// Recording frame steps into one video file instead of numbered bitmaps.
#include <string>

namespace quenvar {

class TImgView32;
struct TPlaybackState;
struct TFrameStepHooks;

// The video file for the capture dialog's output name: a name that ends in
// a video's extension (.mp4, .gif, ...) is kept; any other extension
// becomes `extension` (.avi unless told), a name without one gets it, and a
// bare folder (or nothing) takes the project's name without spaces.
std::string VideoRecordName(const std::string& outputPath, const std::string& projectName,
                            const std::string& extension = ".avi");

// The output name with `extension` in place of its own, a video's or not,
// for a kind picked from the dialog's list; a bare folder stays as it is.
std::string WithVideoExtension(const std::string& outputPath, const std::string& extension);

// The capture dialog's START with a video chosen: ends any recording that is
// on, opens the video at the canvas size and `fps` (or, given the frame
// timer's interval `frameMs`, at exactly one frame per interval), and
// numbers frames from 1. Throws quenvar::Error (recording then off) when the
// video cannot be opened.
void StartVideoRecording(TPlaybackState& state, const std::string& videoFile, int width, int height,
                         int fps, int frameMs = 0);

// Playback goes on after a pause: the video goes on from its next frame
// rather than showing the pause.
void ResumeVideoClock(TPlaybackState& state);

// Ends the recording, whichever kind it is; a video is finished and closed
// so that it plays. Returns the error to show when finishing failed (the
// half-written video is then removed), else an empty text.
std::string EndRecording(TPlaybackState& state);

// Writes the canvas part of the view's displayed frame into the
// recording's video, at the time it was played: a step that came late
// leaves the frame before on screen for longer, so the video lasts as long
// as the playing did; a recording of one loop (a last frame set) puts each
// frame in the next slot instead. A view too small to hold the video's
// frame ends the recording, keeping the video as far as it went; a failed
// write ends it and removes the video. Either is reported once through the hooks.
// `nowMs` is the steady clock in milliseconds.
void RecordVideoFrame(TImgView32& view, TPlaybackState& state, const TFrameStepHooks& hooks,
                      std::int64_t nowMs);

// The steady clock in milliseconds.
std::int64_t SteadyClockMs();

}  // namespace quenvar
