// Recording frame steps into a video: names, and the recording's end.
#include <gtest/gtest.h>

#include <filesystem>

#include "compose/layerstack.h"
#include "host/error.h"
#include "host/playback.h"
#include "project/framestep.h"
#include "project/videorecording.h"
#include "video/videoreader.h"
#include "video/videowriter.h"

using namespace quenvar;

TEST(VideoRecording, TheOutputNameGetsAVideoExtension) {
  EXPECT_EQ(VideoRecordName("C:\\out\\clip.avi", "My Project"), "C:\\out\\clip.avi");
  EXPECT_EQ(VideoRecordName("/out/clip.Mp4", "My Project"), "/out/clip.Mp4");
  EXPECT_EQ(VideoRecordName("/out/clip.mkv", "x"), "/out/clip.mkv");
  EXPECT_EQ(VideoRecordName("/out/clip.bmp", "x"), "/out/clip.avi");
  EXPECT_EQ(VideoRecordName("/out.d/clip", "x"), "/out.d/clip.avi");
  EXPECT_EQ(VideoRecordName("/out/", "My Project"), "/out/MyProject.avi");
  EXPECT_EQ(VideoRecordName("", "My Project"), "MyProject.avi");
  EXPECT_EQ(VideoRecordName("/out/.hidden", "x"), "/out/.hidden.avi");
  // The loop kinds are kept as the other videos are.
  for (const char* name : {"/out/a.gif", "/out/a.APNG", "/out/a.webp", "/out/a.webm"})
    EXPECT_EQ(VideoRecordName(name, "x"), name);
  // A kind picked from the list: its extension for names without a video's.
  EXPECT_EQ(VideoRecordName("/out/", "My Project", ".gif"), "/out/MyProject.gif");
  EXPECT_EQ(VideoRecordName("/out/clip.bmp", "x", ".webp"), "/out/clip.webp");
  EXPECT_EQ(VideoRecordName("/out/clip.mp4", "x", ".webp"), "/out/clip.mp4");
}

TEST(VideoRecording, APickedKindReplacesTheNamesExtension) {
  EXPECT_EQ(WithVideoExtension("/out/clip.mp4", ".gif"), "/out/clip.gif");
  EXPECT_EQ(WithVideoExtension("/out.d/clip", ".webm"), "/out.d/clip.webm");
  EXPECT_EQ(WithVideoExtension("/out/.hidden", ".apng"), "/out/.hidden.apng");
  EXPECT_EQ(WithVideoExtension("/out/", ".gif"), "/out/");
  EXPECT_EQ(WithVideoExtension("", ".gif"), "");
}

namespace {

struct TRecordingRun {
  TImgView32 view;
  TPlaybackState state;
  TFrameStepHooks hooks;
  std::vector<std::string> labels, errors;
  std::int64_t nowMs = 1000;

  TRecordingRun() {
    hooks.setFrameLabel = [this](const std::string& t) { labels.push_back(t); };
    hooks.showError = [this](const std::string& t) { errors.push_back(t); };
  }
  // A step `afterMs` after the one before.
  void Step(int afterMs = 0) {
    nowMs += afterMs;
    view.Compose();
    RecordVideoFrame(view, state, hooks, nowMs);
  }
};

}  // namespace

TEST(VideoRecording, AViewTooSmallForTheVideoEndsTheRecordingAndKeepsTheVideo) {
  const auto folder = std::filesystem::temp_directory_path() / "quenvar-videorecording";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "take.mkv").string();
  TRecordingRun run;
  run.view.SetClientSize(40, 30);
  StartVideoRecording(run.state, file, 40, 30, 20);
  run.Step();
  run.Step();
  EXPECT_EQ(run.labels, (std::vector<std::string>{" RECORDING FRAME : 1", " RECORDING FRAME : 2"}));
  EXPECT_EQ(run.state.frameNumber, 3);
  // A larger view shows checkerboard beyond the canvas; the video keeps the
  // canvas.
  run.view.SetClientSize(42, 31);
  run.Step();
  EXPECT_TRUE(run.state.recording);
  run.view.SetClientSize(39, 30);
  run.Step();
  EXPECT_FALSE(run.state.recording);
  EXPECT_EQ(run.state.video, nullptr);
  EXPECT_EQ(run.labels.back(), " ");
  EXPECT_EQ(run.errors, std::vector<std::string>{"The view is now 39 x 30, the video 40 x 30: the "
                                                 "recording ended with 3 frames in " +
                                                 file});
  TVideoReader reader(file);
  std::vector<std::uint32_t> pixels;
  int frames = 0;
  while (reader.ReadFrame(pixels)) ++frames;
  EXPECT_EQ(frames, 3);
  // Nothing left to finish.
  EXPECT_EQ(EndRecording(run.state), "");
  std::filesystem::remove_all(folder);
}

TEST(VideoRecording, StartingAgainFinishesTheVideoBeforeIt) {
  const auto folder = std::filesystem::temp_directory_path() / "quenvar-videorestart";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  TRecordingRun run;
  run.view.SetClientSize(16, 16);
  StartVideoRecording(run.state, (folder / "a.avi").string(), 16, 16, 27);
  run.Step();
  StartVideoRecording(run.state, (folder / "b.avi").string(), 16, 16, 27);
  EXPECT_TRUE(std::filesystem::exists(folder / "a.avi"));
  EXPECT_EQ(run.state.frameNumber, 1);
  // A new one that cannot open leaves the recording off.
  EXPECT_THROW(StartVideoRecording(run.state, (folder / "no/c.avi").string(), 16, 16, 27), Error);
  EXPECT_FALSE(run.state.recording);
  EXPECT_TRUE(std::filesystem::exists(folder / "b.avi"));
  std::filesystem::remove_all(folder);
}

TEST(VideoRecording, FramesTakeTheTimeTheyWerePlayedAtAndAPauseIsNotKept) {
  const auto folder = std::filesystem::temp_directory_path() / "quenvar-videoclock";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  TRecordingRun run;
  run.view.SetClientSize(16, 16);
  StartVideoRecording(run.state, (folder / "a.mkv").string(), 16, 16, 27, 40);
  EXPECT_DOUBLE_EQ(run.state.video->SlotMs(), 40.0);
  std::vector<std::int64_t> next;
  auto step = [&](int afterMs) {
    run.Step(afterMs);
    next.push_back(run.state.video->NextSlot());
  };
  step(0);
  step(40);   // on time
  step(118);  // late: two frames' time passed, the frame before stays on
  step(41);
  step(2);  // early: still the next frame, never one already taken
  ResumeVideoClock(run.state);
  step(5000);  // after a pause the video goes on at its next frame
  EXPECT_EQ(next, (std::vector<std::int64_t>{1, 2, 5, 6, 7, 8}));
  EXPECT_EQ(run.state.video->FramesWritten(), 6);
  EXPECT_EQ(EndRecording(run.state), "");
  // One loop keeps every frame once, however late it came.
  StartVideoRecording(run.state, (folder / "loop.mkv").string(), 16, 16, 27, 40);
  run.state.lastFrame = 3;
  next.clear();
  for (int late : {0, 118, 300}) step(late);
  EXPECT_EQ(next, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(EndRecording(run.state), "");
  std::filesystem::remove_all(folder);
}
