// GIF, APNG, animated WebP and WebM: every frame kept at its time, marked to
// loop forever, colours within what each format promises, read back by
// FFmpeg (ffprobe and our reader) and by the loop marks in the file bytes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <random>

#include "host/error.h"
#include "loopfiles.h"
#include "video/videoreader.h"
#include "video/videowriter.h"
#include "videotestutil.h"

using namespace quenvar;
using namespace quenvar::videotest;

namespace {

// The view's buffer carries an alpha byte that is not the picture's; a
// video must come out opaque whatever it holds.
std::vector<std::uint32_t> WithStrayAlpha(std::vector<std::uint32_t> pixels) {
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (pixels[i] & 0xFFFFFFu) | std::uint32_t(i * 37 & 255) << 24;
  return pixels;
}

// A frame of a few flat colours: blocks that move with `n`.
std::vector<std::uint32_t> BlockFrame(int width, int height, int n) {
  static const std::uint32_t colours[] = {0xFF102030, 0xFFF0E0D0, 0xFF808080, 0xFFC00000,
                                          0xFF00B000, 0xFF0000A0, 0xFFFFFF00, 0xFF00FFFF};
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[std::size_t(y * width + x)] = colours[((x + n) / 6 + (y / 5) * 3) % 8];
  return pixels;
}

using TFrameMaker = std::vector<std::uint32_t> (*)(int, int, int);

void WriteFrames(const std::string& file, TVideoSettings settings, int frames, TFrameMaker make) {
  TVideoWriter writer(file, settings);
  for (int n = 0; n < frames; ++n)
    writer.WriteFrame(WithStrayAlpha(make(settings.width, settings.height, n)).data(),
                      settings.width);
  writer.Finish();
}

std::vector<std::vector<std::uint32_t>> ReadAll(const std::string& file, TVideoInfo& info) {
  TVideoReader reader(file);
  info = reader.Info();
  std::vector<std::vector<std::uint32_t>> frames;
  std::vector<std::uint32_t> pixels;
  while (reader.ReadFrame(pixels)) frames.push_back(pixels);
  return frames;
}

// The decoded frames of a file; an animated WebP frame by frame, as
// FFmpeg's WebP decoder reads no animation.
std::vector<std::vector<std::uint32_t>> DecodedFrames(const std::string& file, TVideoInfo& info) {
  if (file.substr(file.size() - 5) != ".webp") return ReadAll(file, info);
  std::vector<std::vector<std::uint32_t>> frames;
  const TLoopFile webp = ReadWebp(FileBytes(file));
  for (std::size_t i = 0; i < webp.webpFrames.size(); ++i) {
    const std::string still = file + "." + std::to_string(i) + ".webp";
    {
      std::ofstream out(still, std::ios::binary);
      out.write(reinterpret_cast<const char*>(webp.webpFrames[i].data()),
                std::streamsize(webp.webpFrames[i].size()));
    }
    TVideoInfo one;
    auto decoded = ReadAll(still, one);
    std::remove(still.c_str());
    if (decoded.size() != 1) return {};
    info.width = one.width;
    info.height = one.height;
    info.codec = one.codec;
    frames.push_back(decoded[0]);
  }
  return frames;
}

// What ffprobe says of the first video stream, counting frames by decoding.
std::string Probe(const std::string& file, const char* entries) {
  const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries " +
                              std::string(entries) + " -of csv=p=0 '" + file + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
  return out;
}

// The loop file's own account of a GIF, APNG or WebP.
TLoopFile LoopMarks(const std::string& file) {
  const TBytes bytes = FileBytes(file);
  const std::string ext = file.substr(file.rfind('.'));
  if (ext == ".gif") return ReadGif(bytes);
  if (ext == ".apng") return ReadApng(bytes);
  return ReadWebp(bytes);
}

// Where frame `n` starts in a format that stores delays in 1/`unit` s,
// for a slot of `slotMs`: the nearest tick, so no error builds up.
long StartTick(int n, double slotMs, int unit) {
  return std::lround(n * slotMs * unit / 1000.0);
}

bool AllOpaque(const std::vector<std::uint32_t>& pixels) {
  for (std::uint32_t p : pixels)
    if (p >> 24 != 255) return false;
  return true;
}

std::vector<std::uint32_t> Opaque(std::vector<std::uint32_t> pixels) {
  for (auto& p : pixels) p |= 0xFF000000u;
  return pixels;
}

}  // namespace

TEST(LoopVideos, EveryFrameAtItsTimeMarkedToLoopForever) {
  struct TCase {
    const char* name;
    int fps, frameMs;
    const char* codec;
    int unit;  // the file's delay unit per second; 0: ffprobe's rate
  };
  constexpr int kFrames = 23;
  for (const TCase& c : {TCase{"a.gif", 27, 0, "gif", 100}, TCase{"t.gif", 0, 37, "gif", 100},
                         TCase{"a.apng", 27, 0, "apng", 0}, TCase{"t.apng", 0, 37, "apng", 0},
                         TCase{"a.webp", 27, 0, "webp", 1000}, TCase{"t.webp", 0, 37, "webp", 1000},
                         TCase{"a.webm", 27, 0, "vp9", 0}, TCase{"t.webm", 0, 37, "vp9", 0}}) {
    SCOPED_TRACE(c.name);
    const auto folder = FreshFolder("loops");
    const std::string file = (folder / c.name).string();
    TVideoSettings settings{45, 31, c.fps};  // odd sizes stay as they are
    settings.frameMs = c.frameMs;
    WriteFrames(file, settings, kFrames, MovingFrame);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{c.name});

    TVideoInfo info;
    const auto frames = DecodedFrames(file, info);
    EXPECT_EQ(frames.size(), std::size_t(kFrames));
    EXPECT_EQ(info.codec, c.codec);
    EXPECT_EQ(info.width, 45);
    EXPECT_EQ(info.height, 31);
    for (const auto& frame : frames) EXPECT_TRUE(AllOpaque(frame));
    const double slotMs = c.frameMs ? c.frameMs : 1000.0 / c.fps;
    // FFmpeg reads no WebP animation; APNG's rate it guesses from the delays.
    if (std::string(c.codec) != "webp") {
      EXPECT_EQ(Probe(file, "stream=width,height,nb_read_frames"),
                "45,31," + std::to_string(kFrames));
    }
    if (std::string(c.codec) == "vp9") {
      EXPECT_EQ(Probe(file, "stream=r_frame_rate"), c.frameMs ? "1000/37" : "27/1");
      EXPECT_EQ(info.rateNum * 1.0 / info.rateDen, 1000 / slotMs);
    }
    if (std::string(c.codec) == "vp9") continue;  // WebM has no loop mark: the player loops

    const TLoopFile marks = LoopMarks(file);
    ASSERT_TRUE(marks.valid);
    EXPECT_EQ(marks.loops, 0);
    EXPECT_EQ(marks.width, 45);
    ASSERT_EQ(marks.delays.size(), std::size_t(kFrames));
    if (c.unit == 0) {
      // APNG keeps the rate exactly as a fraction.
      for (const auto& d : marks.delays)
        EXPECT_DOUBLE_EQ(double(d.first) / d.second, slotMs / 1000);
      continue;
    }
    // Rounded ticks: each frame starts at the tick nearest its time, and
    // the last lasts one frame rounded.
    long start = 0;
    for (int n = 0; n < kFrames; ++n) {
      EXPECT_EQ(marks.delays[std::size_t(n)].second, c.unit);
      EXPECT_EQ(start, StartTick(n, slotMs, c.unit)) << "frame " << n;
      start += marks.delays[std::size_t(n)].first;
      EXPECT_LE(std::abs(marks.delays[std::size_t(n)].first - slotMs * c.unit / 1000), 1.0);
    }
  }
}

TEST(LoopVideos, LosslessKindsGiveBackTheColoursExactly) {
  for (const char* name : {"clip.apng", "clip.webp"}) {
    SCOPED_TRACE(name);
    const auto folder = FreshFolder("lossless");
    const std::string file = (folder / name).string();
    WriteFrames(file, TVideoSettings{45, 31, 27}, 6, MovingFrame);
    TVideoInfo info;
    const auto frames = DecodedFrames(file, info);
    ASSERT_EQ(frames.size(), 6u);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(frames[std::size_t(n)], MovingFrame(45, 31, n)) << n;
    EXPECT_FALSE(ReadWebp(FileBytes(file)).webpAlpha);
  }
}

// Lowest PSNR of any frame against what was written.
double LeastPsnr(const std::vector<std::vector<std::uint32_t>>& frames, TFrameMaker make, int width,
                 int height) {
  double least = 99;
  for (std::size_t n = 0; n < frames.size(); ++n)
    least = std::min(least, Psnr(make(width, height, int(n)), width, height, frames[n], width));
  return least;
}

// One palette for the whole video: a picture of fewer colours than the
// palette holds comes back exactly (a colour in the palette leaves no error
// for the dithering to spread), including a colour that only shows late.
// Smooth pictures lose what 255 colours cannot hold. Colours that fill a
// plane of the colour cube (two channels free, 256 x 256) leave cells about
// 256 / sqrt(255) = 16 levels wide: an error spread evenly over +-8 levels
// is 4.6 levels RMS, 35 dB; colours that fill the cube (three channels
// free) leave cells about 256 / cbrt(255) = 40 levels wide: 11.6 RMS,
// 27 dB. Dithering trades a little of that for shading: 3 dB allowed.
TEST(LoopVideos, GifPaletteCoversTheWholeVideo) {
  const auto folder = FreshFolder("gif");
  const std::string blocks = (folder / "blocks.gif").string();
  auto lateColour = [](int width, int height, int n) {
    auto pixels = BlockFrame(width, height, n);
    if (n == 9) std::fill(pixels.begin(), pixels.begin() + width * 3, 0xFF6A0DADu);
    return pixels;
  };
  WriteFrames(blocks, TVideoSettings{48, 30, 25}, 10, lateColour);
  TVideoInfo info;
  auto frames = ReadAll(blocks, info);
  ASSERT_EQ(frames.size(), 10u);
  for (int n = 0; n < 10; ++n)
    EXPECT_EQ(Opaque(frames[std::size_t(n)]), lateColour(48, 30, n)) << n;

  auto twoChannels = [](int width, int height, int n) {
    auto pixels = MovingFrame(width, height, n);
    for (auto& p : pixels) p = (p & 0xFFFFFF00u) | 0x60u;
    return pixels;
  };
  const std::string plane = (folder / "plane.gif").string();
  WriteFrames(plane, TVideoSettings{96, 64, 25}, 12, twoChannels);
  frames = ReadAll(plane, info);
  ASSERT_EQ(frames.size(), 12u);
  EXPECT_GE(LeastPsnr(frames, twoChannels, 96, 64), 32.0);

  const std::string cube = (folder / "cube.gif").string();
  WriteFrames(cube, TVideoSettings{96, 64, 25}, 12, MovingFrame);
  frames = ReadAll(cube, info);
  ASSERT_EQ(frames.size(), 12u);
  EXPECT_GE(LeastPsnr(frames, MovingFrame, 96, 64), 24.0);
}

TEST(LoopVideos, LossyKindsStayCloseAndWebpQualityCounts) {
  const auto folder = FreshFolder("lossy");
  TVideoInfo info;
  const std::string webm = (folder / "clip.webm").string();
  WriteFrames(webm, TVideoSettings{96, 64, 27}, 20, MovingFrame);
  EXPECT_GE(LeastPsnr(ReadAll(webm, info), MovingFrame, 96, 64), 35.0);

  TVideoSettings settings{96, 64, 27};
  settings.quality = 90;
  const std::string good = (folder / "good.webp").string();
  WriteFrames(good, settings, 5, MovingFrame);
  settings.quality = 5;
  const std::string poor = (folder / "poor.webp").string();
  WriteFrames(poor, settings, 5, MovingFrame);
  const auto goodFrames = DecodedFrames(good, info);
  ASSERT_EQ(goodFrames.size(), 5u);
  EXPECT_EQ(info.codec, "webp");
  const double goodPsnr = LeastPsnr(goodFrames, MovingFrame, 96, 64);
  EXPECT_GE(goodPsnr, 35.0);
  EXPECT_GT(goodPsnr, LeastPsnr(DecodedFrames(poor, info), MovingFrame, 96, 64) + 3);
  EXPECT_GT(FileBytes(good).size(), FileBytes(poor).size());
  EXPECT_EQ(ReadWebp(FileBytes(poor)).loops, 0);
}

TEST(LoopVideos, LateFramesKeepTheirTimeInAGif) {
  const auto folder = FreshFolder("gifslots");
  const std::string file = (folder / "late.gif").string();
  TVideoSettings settings{16, 12};
  settings.frameMs = 37;
  TVideoWriter writer(file, settings);
  for (std::int64_t slot : {0, 1, 4, 5})
    writer.WriteFrame(MovingFrame(16, 12, int(slot)).data(), 16, slot);
  writer.Finish();
  const TLoopFile gif = ReadGif(FileBytes(file));
  ASSERT_EQ(gif.delays.size(), 4u);
  // Starts at 0, 3.7, 14.8 and 18.5 hundredths, each to the nearest.
  EXPECT_EQ(gif.delays[0].first, 4);
  EXPECT_EQ(gif.delays[1].first, 11);
  EXPECT_EQ(gif.delays[2].first, 4);
}

TEST(LoopVideos, RefusedSettingsAndMissingFoldersLeaveNothing) {
  const auto folder = FreshFolder("loopsrefuse");
  auto message = [](const std::string& file, TVideoSettings settings) -> std::string {
    try {
      TVideoWriter writer(file, settings);
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  };
  for (const char* name : {"clip.gif", "clip.apng", "clip.webp", "clip.webm"}) {
    const std::string missing = (folder / "no" / name).string();
    EXPECT_EQ(message(missing, {16, 16, 27}),
              "Cannot write the video file " + missing + ": No such file or directory");
  }
  const std::string gif = (folder / "fast.gif").string();
  EXPECT_EQ(message(gif, {16, 16, 60}),
            "Cannot write the video file " + gif +
                ": a GIF plays at most 50 frames per second (a frame of 20 ms or more)");
  TVideoSettings fast{16, 16};
  fast.frameMs = 19;
  EXPECT_NE(message(gif, fast), "");
  fast.frameMs = 20;
  EXPECT_EQ(message(gif, fast), "");
  TVideoSettings quality{16, 16, 27};
  quality.quality = 101;
  EXPECT_NE(message((folder / "q.webp").string(), quality).find("WebP quality must be 0 to 100"),
            std::string::npos);
  EXPECT_TRUE(FolderNames(folder).empty());
}

// As the other kinds: a file-size limit makes the disk full. A GIF fills
// it first with the frames it keeps for the palette, then with itself.
TEST(LoopVideos, AFullDiskLeavesNoHalfFile) {
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const char* name : {"noise.gif", "noise.apng", "noise.webp", "noise.webm"}) {
    SCOPED_TRACE(name);
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
    EXPECT_TRUE(FolderNames(folder).empty());
  }
  std::signal(SIGXFSZ, oldHandler);
}
