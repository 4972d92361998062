// GIF, APNG, animated WebP and WebM: every frame once at its time, marked to
// loop forever, opaque, colours within what each format promises; read back
// by FFmpeg (ffprobe and our reader) and from the file bytes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>

#include "host/error.h"
#include "loopfiles.h"
#include "video/videoreader.h"
#include "video/videowriter.h"
#include "videotestutil.h"

using namespace quenvar;
using namespace quenvar::videotest;

namespace {

using TFrames = std::vector<std::vector<std::uint32_t>>;
using TFrameMaker = std::vector<std::uint32_t> (*)(int, int, int);

// The view's alpha byte is not the picture's; frames go in with a stray one.
void WriteFrames(const std::string& file, TVideoSettings settings, int frames, TFrameMaker make) {
  TVideoWriter writer(file, settings);
  for (int n = 0; n < frames; ++n) {
    auto pixels = make(settings.width, settings.height, n);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] ^= std::uint32_t(i * 37) << 24;
    writer.WriteFrame(pixels.data(), settings.width);
  }
  writer.Finish();
}

TFrames ReadAll(const std::string& file, TVideoInfo& info) {
  TVideoReader reader(file);
  info = reader.Info();
  TFrames frames;
  for (std::vector<std::uint32_t> pixels; reader.ReadFrame(pixels);) frames.push_back(pixels);
  return frames;
}

// An animated WebP is decoded still by still.
TFrames Decoded(const std::string& file, TVideoInfo& info) {
  if (file.substr(file.size() - 5) != ".webp") return ReadAll(file, info);
  TFrames frames;
  for (const TBytes& still : ReadWebp(FileBytes(file)).stills) {
    const std::string name = file + ".still.webp";
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(still.data()), std::streamsize(still.size()));
    const TFrames one = ReadAll(name, info);
    std::remove(name.c_str());
    frames.insert(frames.end(), one.begin(), one.end());
  }
  return frames;
}

std::string Probe(const std::string& file, const char* entries) {
  const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries " +
                              std::string(entries) + " -of csv=p=0 '" + file + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, pipe);) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
  return out;
}

// The lowest PSNR of any frame; 99 when all are exact, and 0 for a pixel
// that is not opaque.
double LeastPsnr(const TFrames& frames, TFrameMaker make, int width, int height) {
  double least = 99;
  for (std::size_t n = 0; n < frames.size(); ++n) {
    for (std::uint32_t p : frames[n])
      if (p >> 24 != 255) return 0;
    least = std::min(least, Psnr(make(width, height, int(n)), width, height, frames[n], width));
  }
  return least;
}

}  // namespace

TEST(LoopVideos, EveryFrameAtItsTimeMarkedToLoopForever) {
  struct TCase {
    const char* name;
    int frameMs;     // 0: 27 fps
    double minPsnr;  // 99: exact
    int unit;        // delays in 1/unit s; 0: APNG's exact fractions, -1: none
  };
  constexpr int kFrames = 23;
  for (const TCase& c :
       {TCase{"a.gif", 0, 24, 100}, TCase{"t.gif", 37, 24, 100}, TCase{"a.apng", 0, 99, 0},
        TCase{"t.apng", 37, 99, 0}, TCase{"a.webp", 0, 99, 1000}, TCase{"t.webp", 37, 99, 1000},
        TCase{"a.webm", 0, 35, -1}, TCase{"t.webm", 37, 35, -1}}) {
    SCOPED_TRACE(c.name);
    const auto folder = FreshFolder("loops");
    const std::string file = (folder / c.name).string();
    TVideoSettings settings{45, 31, 27};  // odd sizes stay as they are
    settings.frameMs = c.frameMs;
    WriteFrames(file, settings, kFrames, MovingFrame);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{c.name});
    TVideoInfo info;
    const TFrames frames = Decoded(file, info);
    ASSERT_EQ(frames.size(), std::size_t(kFrames));
    EXPECT_EQ(info.width * 100 + info.height, 4531);
    EXPECT_GE(LeastPsnr(frames, MovingFrame, 45, 31), c.minPsnr);
    const double slotMs = c.frameMs ? c.frameMs : 1000.0 / 27;
    // FFmpeg reads no WebP animation.
    if (c.unit != 1000) {
      EXPECT_EQ(Probe(file, "stream=nb_read_frames"), "23");
    }
    if (c.unit < 0) {  // WebM has no loop mark: a page's player loops it
      EXPECT_EQ(Probe(file, "stream=r_frame_rate"), c.frameMs ? "1000/37" : "27/1");
      continue;
    }
    const TBytes bytes = FileBytes(file);
    const TLoopFile marks = c.unit == 100 ? ReadGif(bytes)
                            : c.unit == 0 ? ReadApng(bytes)
                                          : ReadWebp(bytes);
    ASSERT_TRUE(marks.valid);
    EXPECT_EQ(marks.loops, 0);
    EXPECT_FALSE(marks.alpha);
    ASSERT_EQ(marks.delays.size(), std::size_t(kFrames));
    // Each frame starts at the tick nearest its time, so no error builds up.
    long start = 0;
    for (int n = 0; n < kFrames; ++n) {
      const auto [ticks, unit] = marks.delays[std::size_t(n)];
      if (c.unit == 0) {
        EXPECT_DOUBLE_EQ(double(ticks) / unit, slotMs / 1000);
        continue;
      }
      EXPECT_EQ(unit, c.unit);
      EXPECT_EQ(start, std::lround(n * slotMs * c.unit / 1000)) << "frame " << n;
      EXPECT_LE(std::abs(ticks - slotMs * c.unit / 1000), 1.0);
      start += ticks;
    }
  }
}

// One palette for the whole video: a picture of fewer colours than the
// palette holds comes back exactly (a colour in the palette leaves no error
// for the dithering to spread), even one that shows only in the last frame.
// Smooth pictures lose what 255 colours cannot hold. Colours filling a plane
// of the colour cube (256 x 256) leave cells about 256 / sqrt(255) = 16
// levels wide: an error spread evenly over +-8 is 4.6 RMS, 35 dB. Filling
// the cube, cells are 256 / cbrt(255) = 40 wide: 11.6 RMS, 27 dB. Dithering
// trades up to 3 dB of that for shading.
TEST(LoopVideos, GifPaletteCoversTheWholeVideo) {
  auto blocks = [](int width, int height, int n) {
    static const std::uint32_t colours[] = {0xFF102030, 0xFFF0E0D0, 0xFF808080, 0xFFC00000,
                                            0xFF00B000, 0xFF0000A0, 0xFFFFFF00, 0xFF6A0DAD};
    std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = colours[(i % width + n) / 6 % (n == 9 ? 8 : 7)];
    return pixels;
  };
  auto plane = [](int width, int height, int n) {
    auto pixels = MovingFrame(width, height, n);
    for (auto& p : pixels) p = (p & 0xFFFFFF00u) | 0x60u;
    return pixels;
  };
  struct TCase {
    const char* name;
    TFrameMaker make;
    double minPsnr;
  };
  for (const TCase& c : {TCase{"blocks.gif", blocks, 99}, TCase{"plane.gif", plane, 32},
                         TCase{"cube.gif", MovingFrame, 24}}) {
    const std::string file = (FreshFolder("gif") / c.name).string();
    WriteFrames(file, TVideoSettings{96, 64, 25}, 10, c.make);
    TVideoInfo info;
    const TFrames frames = ReadAll(file, info);
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_GE(LeastPsnr(frames, c.make, 96, 64), c.minPsnr) << c.name;
  }
}

TEST(LoopVideos, WebpQualityMakesItLossy) {
  const auto folder = FreshFolder("webpq");
  std::vector<double> psnr;
  std::vector<std::size_t> sizes;
  for (int quality : {90, 5}) {
    TVideoSettings settings{96, 64, 27};
    settings.quality = quality;
    const std::string file = (folder / ("q" + std::to_string(quality) + ".webp")).string();
    WriteFrames(file, settings, 5, MovingFrame);
    TVideoInfo info;
    psnr.push_back(LeastPsnr(Decoded(file, info), MovingFrame, 96, 64));
    sizes.push_back(FileBytes(file).size());
    EXPECT_EQ(ReadWebp(FileBytes(file)).loops, 0);
  }
  EXPECT_GE(psnr[0], 35.0);
  EXPECT_LT(psnr[0], 99.0);
  EXPECT_GT(psnr[0], psnr[1] + 3);
  EXPECT_GT(sizes[0], sizes[1]);
}

TEST(LoopVideos, LateFramesKeepTheirTimeInAGif) {
  const std::string file = (FreshFolder("gifslots") / "late.gif").string();
  TVideoSettings settings{16, 12};
  settings.frameMs = 37;
  TVideoWriter writer(file, settings);
  for (std::int64_t slot : {0, 1, 4, 5})
    writer.WriteFrame(MovingFrame(16, 12, int(slot)).data(), 16, slot);
  writer.Finish();
  // Starts at 0, 3.7, 14.8 and 18.5 hundredths, each to the nearest.
  const TLoopFile gif = ReadGif(FileBytes(file));
  ASSERT_EQ(gif.delays.size(), 4u);
  EXPECT_EQ(gif.delays[0].first * 10000 + gif.delays[1].first * 100 + gif.delays[2].first, 41104);
}

TEST(LoopVideos, RefusedSettingsAndMissingFoldersLeaveNothing) {
  const auto folder = FreshFolder("loopsrefuse");
  for (const char* name : {"clip.gif", "clip.apng", "clip.webp", "clip.webm"}) {
    const std::string missing = (folder / "no" / name).string();
    EXPECT_EQ(RefusalOf(missing, {16, 16, 27}),
              "Cannot write the video file " + missing + ": No such file or directory");
  }
  const std::string gif = (folder / "fast.gif").string();
  EXPECT_EQ(RefusalOf(gif, {16, 16, 60}),
            "Cannot write the video file " + gif +
                ": a GIF plays at most 50 frames per second (a frame of 20 ms or more)");
  TVideoSettings timer{16, 16};
  timer.frameMs = 19;
  EXPECT_NE(RefusalOf(gif, timer), "");
  timer.frameMs = 20;
  EXPECT_EQ(RefusalOf(gif, timer), "");
  TVideoSettings quality{16, 16, 27};
  quality.quality = 101;
  EXPECT_NE(RefusalOf((folder / "q.webp").string(), quality).find("WebP quality must be 0 to 100"),
            std::string::npos);
  EXPECT_TRUE(FolderNames(folder).empty());
}

// A file-size limit makes the disk full, as for the other kinds; a GIF
// meets it with the frames it keeps for the palette.
TEST(LoopVideos, AFullDiskLeavesNoHalfFile) {
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const char* name : {"noise.gif", "noise.apng", "noise.webp", "noise.webm"}) {
    const auto folder = FreshFolder("loopsfull");
    const std::string file = (folder / name).string();
    std::mt19937 random(7);
    std::vector<std::uint32_t> noise(128 * 128);
    rlimit limit = old;
    limit.rlim_cur = 200 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::string message;
    try {
      TVideoWriter writer(file, TVideoSettings{128, 128, 27});
      for (int n = 0; n < 60; ++n) {
        for (auto& p : noise) p = random();
        writer.WriteFrame(noise.data(), 128);
      }
      writer.Finish();
    } catch (const Error& e) {
      message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(message.rfind("Cannot write the video file " + file + ": ", 0), 0u) << message;
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_TRUE(FolderNames(folder).empty()) << name;
  }
  std::signal(SIGXFSZ, oldHandler);
}
