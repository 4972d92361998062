// Videos written through FFmpeg's libraries, read back with them.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>

#include "host/error.h"
#include "video/videoreader.h"
#include "video/videowriter.h"
#include "videotestutil.h"

using namespace quenvar;
using namespace quenvar::videotest;

namespace {

void WriteVideo(const std::string& file, int width, int height, int frames, int fps = 27) {
  TVideoWriter writer(file, TVideoSettings{width, height, fps});
  for (int n = 0; n < frames; ++n) writer.WriteFrame(MovingFrame(width, height, n).data(), width);
  writer.Finish();
  EXPECT_EQ(writer.FramesWritten(), frames);
}

std::vector<std::vector<std::uint32_t>> ReadAll(const std::string& file, TVideoInfo& info) {
  TVideoReader reader(file);
  info = reader.Info();
  std::vector<std::vector<std::uint32_t>> frames;
  std::vector<std::uint32_t> pixels;
  while (reader.ReadFrame(pixels)) frames.push_back(pixels);
  return frames;
}

}  // namespace

TEST(VideoWriter, LosslessMkvGivesBackEveryFrameBitForBit) {
  const auto folder = FreshFolder("mkv");
  const std::string file = (folder / "clip.mkv").string();
  WriteVideo(file, 33, 17, 7, 25);  // odd sizes need no padding here
  TVideoInfo info;
  const auto frames = ReadAll(file, info);
  EXPECT_EQ(info.codec, "ffv1");
  EXPECT_EQ(info.container, "matroska,webm");
  EXPECT_EQ(info.width, 33);
  EXPECT_EQ(info.height, 17);
  EXPECT_EQ(info.rateNum * 1.0 / info.rateDen, 25.0);
  ASSERT_EQ(frames.size(), 7u);
  for (int n = 0; n < 7; ++n) EXPECT_EQ(frames[std::size_t(n)], MovingFrame(33, 17, n)) << n;
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"clip.mkv"});
}

TEST(VideoWriter, LossyKindsKeepCountRateAndCloseColours) {
  struct TCase {
    const char* name;
    int width, height;
    const char* codec;
    int encodedWidth, encodedHeight;  // H.264 pads odd sizes to even
    double minPsnr;
  };
  for (const TCase& c : {TCase{"a.mp4", 128, 96, "h264", 128, 96, 40},
                         TCase{"odd.mp4", 129, 97, "h264", 130, 98, 40},
                         TCase{"a.avi", 128, 96, "mjpeg", 128, 96, 40},
                         TCase{"odd.avi", 127, 95, "mjpeg", 127, 95, 40}}) {
    const auto folder = FreshFolder("lossy");
    const std::string file = (folder / c.name).string();
    WriteVideo(file, c.width, c.height, 30);
    TVideoInfo info;
    const auto frames = ReadAll(file, info);
    EXPECT_EQ(info.codec, c.codec) << c.name;
    EXPECT_EQ(info.width, c.encodedWidth) << c.name;
    EXPECT_EQ(info.height, c.encodedHeight) << c.name;
    EXPECT_EQ(info.rateNum * 1.0 / info.rateDen, 27.0) << c.name;
    ASSERT_EQ(frames.size(), 30u) << c.name;
    // Over the whole video; no frame far below.
    double sum = 0, least = 99;
    for (int n = 0; n < 30; ++n) {
      const double psnr = Psnr(MovingFrame(c.width, c.height, n), c.width, c.height,
                               frames[std::size_t(n)], info.width);
      sum += psnr;
      least = std::min(least, psnr);
    }
    EXPECT_GE(sum / 30, c.minPsnr) << c.name;
    EXPECT_GE(least, c.minPsnr - 3) << c.name;
  }
}

// What ffprobe, a reader apart from ours, says of a video's first stream.
std::string Probe(const std::string& file, const char* entries) {
  const std::string command = "ffprobe -v error -select_streams v:0 -show_entries " +
                              std::string(entries) + " -of csv=p=0 '" + file + "'";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
  return out;
}

TEST(VideoWriter, AFrameTimersRateAndLateFramesKeepTheirTime) {
  for (const char* name : {"t.mkv", "t.mp4", "t.avi"}) {
    const auto folder = FreshFolder("slots");
    const std::string file = (folder / name).string();
    TVideoSettings settings{32, 24};
    settings.frameMs = 37;  // what a 27 fps box gives the frame timer
    TVideoWriter video(file, settings);
    // The third frame came two frames late; the second shows meanwhile.
    for (std::int64_t slot : {0, 1, 4, 5}) {
      const auto frame = MovingFrame(32, 24, int(slot));
      video.WriteFrame(frame.data(), 32, slot);
    }
    // A slot already taken gives the next one.
    const auto frame = MovingFrame(32, 24, 9);
    video.WriteFrame(frame.data(), 32, 2);
    EXPECT_EQ(video.NextSlot(), 7);
    video.Finish();
    // MP4 keeps no rate of its own, only the frames' times.
    if (std::string(name) != "t.mp4")
      EXPECT_EQ(Probe(file, "stream=r_frame_rate"), "1000/37") << name;
    // Seven frames' time: 7 x 37 ms.
    const double duration = std::stod(Probe(file, "format=duration"));
    EXPECT_NEAR(duration, 0.259, 0.04) << name;
  }
}

TEST(VideoWriter, AnUnfinishedVideoLeavesNoFileAndSparesTheOldOne) {
  const auto folder = FreshFolder("abandon");
  const std::string file = (folder / "clip.mkv").string();
  std::ofstream(file) << "older video";
  {
    TVideoWriter writer(file, TVideoSettings{16, 16, 27});
    writer.WriteFrame(MovingFrame(16, 16, 0).data(), 16);
    EXPECT_EQ(FolderNames(folder).size(), 2u);  // the old file and the one being written
  }
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"clip.mkv"});
  std::ifstream in(file);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "older video");
  // A finished one replaces it.
  WriteVideo(file, 16, 16, 2);
  TVideoInfo info;
  EXPECT_EQ(ReadAll(file, info).size(), 2u);
}

TEST(VideoWriter, RefusesWhatItCannotWriteWithTheReason) {
  const auto folder = FreshFolder("refuse");
  const std::string missing = (folder / "no" / "clip.mp4").string();
  EXPECT_EQ(RefusalOf(missing, {16, 16, 27}),
            "Cannot write the video file " + missing + ": No such file or directory");
  EXPECT_EQ(RefusalOf("clip.mov", {16, 16, 27}),
            "clip.mov does not name a video: use .mp4 (H.264), .mkv (FFV1, lossless), .avi "
            "(Motion JPEG), .gif, .apng, .webp (animated WebP) or .webm (VP9)");
  const std::string file = (folder / "clip.MKV").string();
  EXPECT_NE(RefusalOf(file, {0, 16, 27}).find("1 to 16384 pixels on a side, not 0 x 16"),
            std::string::npos);
  EXPECT_NE(RefusalOf(file, {16, 16, 0}).find("1 to 1000 frames per second, not 0"),
            std::string::npos);
  EXPECT_TRUE(FolderNames(folder).empty());
}

// A file-size limit makes the disk "full" for this process: writes beyond it
// fail with EFBIG instead of raising SIGXFSZ.
TEST(VideoWriter, AFullDiskIsReportedAndLeavesNoHalfFile) {
  const auto folder = FreshFolder("full");
  const std::string file = (folder / "noise.mkv").string();
  std::mt19937 random(7);
  std::vector<std::uint32_t> noise(128 * 128);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 200 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  std::string message;
  try {
    TVideoWriter writer(file, TVideoSettings{128, 128, 27});
    for (int n = 0; n < 100; ++n) {
      for (auto& p : noise) p = random() | 0xFF000000u;
      writer.WriteFrame(noise.data(), 128);
    }
    writer.Finish();
  } catch (const Error& e) {
    message = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "Cannot write the video file " + file + ": File too large");
  EXPECT_TRUE(FolderNames(folder).empty());
}
