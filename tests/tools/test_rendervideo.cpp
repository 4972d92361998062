// quenvar-render --video on the demo project, checked against its bitmap frames.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "formats/formatlist.h"
#include "project/framestep.h"
#include "tooltest.h"
#include "video/videoreader.h"

namespace quenvar {
namespace {

class RenderVideoTest : public testing::RenderToolTest {
 protected:
  RenderVideoTest() : RenderToolTest("quenvar-rendervideo-") {}
  void SetUp() override {
    RenderToolTest::SetUp();
    demo = std::string(QUENVAR_SOURCE_DIR) + "/examples/demo.zyl";
  }

  int Run(const std::string& arguments) { return RunShell(tool + " " + arguments); }

  // Runs a shell command line; keeps what it wrote to stderr.
  int RunShell(const std::string& commandLine) {
    const std::string command = "(" + commandLine + ") 2>" + Path("stderr.txt");
    const int status = std::system(command.c_str());
    std::ifstream in(Path("stderr.txt"));
    errors.assign(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // What ffprobe, a separate reader, says of the video stream.
  std::string Probe(const std::string& file) {
    const std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of compact=p=0:nk=0 " +
        file + " >" + Path("probe.txt") + " 2>&1";
    if (std::system(command.c_str()) != 0) return "ffprobe failed";
    std::ifstream in(Path("probe.txt"));
    std::string line;
    std::getline(in, line);
    return line;
  }

  TPicture Bitmap(int n) {
    return LoadPictureByExtension(Path("bmp/Demo" + FormatFrameNumber(n) + ".bmp"));
  }

  std::string demo, errors;
};

TEST_F(RenderVideoTest, LosslessVideoHoldsTheBitmapFramesExactly) {
  ASSERT_EQ(Run(demo + " --start 40 --frames 12 --out " + Path("bmp")), 0) << errors;
  ASSERT_EQ(Run(demo + " --start 40 --frames 12 --video " + Path("clip.mkv")), 0) << errors;
  EXPECT_NE(errors.find("wrote 12 frames into " + Path("clip.mkv") +
                        " (mkv (FFV1, lossless), 27 frames per second)"),
            std::string::npos)
      << errors;
  EXPECT_EQ(Probe(Path("clip.mkv")),
            "codec_name=ffv1|width=768|height=576|r_frame_rate=27/1|nb_read_frames=12");
  TVideoReader reader(Path("clip.mkv"));
  std::vector<std::uint32_t> pixels;
  for (int n = 40; n < 52; ++n) {
    ASSERT_TRUE(reader.ReadFrame(pixels)) << n;
    const TPicture frame = Bitmap(n);
    ASSERT_EQ(frame.pixels.size(), pixels.size());
    // Colour bytes exactly; a video is opaque, so the alpha byte the view
    // leaves in the buffer (and never shows) is not kept.
    std::size_t differ = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
      differ += (frame.pixels[i] & 0xFFFFFF) != (pixels[i] & 0xFFFFFF) || pixels[i] >> 24 != 255;
    EXPECT_EQ(differ, 0u) << "frame " << n;
  }
  EXPECT_FALSE(reader.ReadFrame(pixels));
}

TEST_F(RenderVideoTest, Mp4PlaysAtTheChosenRateCloseToTheBitmaps) {
  ASSERT_EQ(Run(demo + " --frames 30 --out " + Path("bmp")), 0) << errors;
  ASSERT_EQ(Run(demo + " --frames 30 --fps 25 --quiet --video " + Path("clip.mp4")), 0) << errors;
  EXPECT_EQ(errors.find("wrote"), std::string::npos) << errors;
  EXPECT_EQ(Probe(Path("clip.mp4")),
            "codec_name=h264|width=768|height=576|r_frame_rate=25/1|nb_read_frames=30");
  TVideoReader reader(Path("clip.mp4"));
  std::vector<std::uint32_t> pixels;
  double squares = 0, count = 0;
  for (int n = 1; n <= 30; ++n) {
    ASSERT_TRUE(reader.ReadFrame(pixels)) << n;
    const TPicture frame = Bitmap(n);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      for (int shift : {0, 8, 16}) {
        const double d =
            double(int(frame.pixels[i] >> shift & 255) - int(pixels[i] >> shift & 255));
        squares += d * d;
        count += 1;
      }
  }
  const double psnr = 10 * std::log10(255.0 * 255.0 / (squares / count));
  EXPECT_GE(psnr, 40.0);
}

// The loop kinds through the tool, with their options: APNG holds the
// bitmaps exactly, and --quality makes a WebP lossy and smaller.
TEST_F(RenderVideoTest, LoopKindsTakeTheirOptions) {
  ASSERT_EQ(Run(demo + " --start 5 --frames 3 --out " + Path("bmp")), 0) << errors;
  ASSERT_EQ(Run(demo + " --start 5 --frames 3 --quiet --video " + Path("clip.apng")), 0) << errors;
  TVideoReader reader(Path("clip.apng"));
  std::vector<std::uint32_t> pixels;
  for (int n = 5; n < 8; ++n) {
    ASSERT_TRUE(reader.ReadFrame(pixels)) << n;
    TPicture frame = Bitmap(n);
    for (auto& p : frame.pixels) p |= 0xFF000000u;
    EXPECT_TRUE(frame.pixels == pixels) << n;
  }
  for (const auto& [name, codec] : {std::pair{"clip.gif", "gif"}, std::pair{"clip.webm", "vp9"}}) {
    ASSERT_EQ(Run(demo + " --frames 3 --crf 30 --quiet --video " + Path(name)), 0) << errors;
    const std::string probe = Probe(Path(name));
    EXPECT_EQ(probe.rfind("codec_name=" + std::string(codec) + "|width=768|height=576|", 0), 0u)
        << probe;
    EXPECT_NE(probe.find("nb_read_frames=3"), std::string::npos) << probe;
  }
  ASSERT_EQ(Run(demo + " --frames 3 --quiet --video " + Path("lossless.webp")), 0) << errors;
  ASSERT_EQ(Run(demo + " --frames 3 --quality 60 --video " + Path("lossy.webp")), 0) << errors;
  EXPECT_NE(errors.find("wrote 3 frames into " + Path("lossy.webp") +
                        " (webp (animated WebP), 27 frames per second)"),
            std::string::npos)
      << errors;
  EXPECT_LT(std::filesystem::file_size(Path("lossy.webp")),
            std::filesystem::file_size(Path("lossless.webp")));
}

TEST_F(RenderVideoTest, AFailedVideoExitsNonZeroAndLeavesNothing) {
  EXPECT_EQ(Run(demo + " --frames 2 --video " + Path("clip.mov")), 2);
  EXPECT_NE(errors.find("does not name a video"), std::string::npos) << errors;
  EXPECT_EQ(Run(demo + " --frames 2 --fps 0 --video " + Path("clip.mp4")), 2);
  EXPECT_EQ(Run(demo + " --frames 2 --png --video " + Path("clip.mp4")), 2);
  EXPECT_EQ(Run(demo + " --frames 2 --quality 50 --video " + Path("clip.mp4")), 2);
  EXPECT_EQ(Run(demo + " --frames 2 --quality 101 --video " + Path("clip.webp")), 2);
  EXPECT_EQ(Run(demo + " --frames 2 --fps 60 --video " + Path("clip.gif")), 1);
  EXPECT_NE(errors.find("a GIF plays at most 50 frames per second"), std::string::npos) << errors;
  const std::string missing = Path("no/clip.mkv");
  EXPECT_EQ(Run(demo + " --frames 2 --video " + missing), 1);
  EXPECT_NE(errors.find("Cannot write the video file " + missing + ": No such file or directory"),
            std::string::npos)
      << errors;
  // A full disk partway through: the size limit makes writes fail.
  EXPECT_EQ(RunShell("ulimit -f 300; trap '' XFSZ; " + tool + " " + demo + " --frames 60 --video " +
                     Path("big.mkv")),
            1);
  EXPECT_NE(errors.find("File too large"), std::string::npos) << errors;
  EXPECT_EQ(RunShell("ulimit -f 300; trap '' XFSZ; " + tool + " " + demo + " --frames 60 --video " +
                     Path("big.gif")),
            1);
  EXPECT_NE(errors.find("File too large"), std::string::npos) << errors;
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"stderr.txt"});
}

}  // namespace
}  // namespace quenvar
