// quenvar-render, run as a program on projects made here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>

#include "compose/blendmodes.h"
#include "compose/bmpencode.h"
#include "formats/formatlist.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/framestep.h"
#include "project/project.h"
#include "project/projecthost.h"
#include "tooltest.h"

namespace quenvar {
namespace {

class RenderTest : public testing::RenderToolTest {
 protected:
  RenderTest() : RenderToolTest("quenvar-render-") {}
  void TearDown() override {
    CloseProject();
    RenderToolTest::TearDown();
  }

  // Runs the tool; returns its exit status and keeps what it wrote to stderr.
  int Run(const std::string& arguments) {
    const std::string command = tool + " " + arguments + " 2>" + Path("stderr.txt");
    const int status = std::system(command.c_str());
    std::ifstream in(Path("stderr.txt"));
    errors.assign(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A picture file with a distinct colour in every pixel.
  std::string WritePicture(const std::string& name, int w, int h, TColor32 base) {
    TBitmap32 picture;
    picture.Resize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) picture.SetPixel(x, y, base | TColor32(x * 16 + y) | 0xFF000000u);
    const auto bytes = EncodeBmp32(picture);
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }

  std::string errors;
};

TEST_F(RenderTest, FramesFollowTheMotionAndOpacity) {
  auto* project = new TProject();
  project->name = "My Demo";
  project->width = 12;
  project->height = 8;
  auto* bottom = new TBlendLayer();
  bottom->OpenPictureFile(WritePicture("bottom.bmp", 12, 8, 0x00400000));
  bottom->posx = 1;
  bottom->posy = 1;
  auto* hidden = new TBlendLayer();
  hidden->OpenPictureFile(WritePicture("hidden.bmp", 12, 8, 0x000000C0));
  hidden->opacity = 0;  // invisible, and must stay so in every frame
  project->SaveAs(Path("demo.zyl"));
  TBitmap32 expected(bottom->bmp);
  CloseProject();

  ASSERT_EQ(Run(Path("demo.zyl") + " --frames 3 --out " + Path("frames")), 0) << errors;
  for (int n = 1; n <= 3; ++n) {
    expected.ScrollWrap(1, 1);
    const std::string file = Path("frames/MyDemo0000" + std::to_string(n) + ".bmp");
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const TPicture frame = LoadPictureByExtension(file);
    ASSERT_EQ(frame.width, 12);
    ASSERT_EQ(frame.height, 8);
    for (int i = 0; i < 12 * 8; ++i)
      ASSERT_EQ(frame.pixels[std::size_t(i)] & 0xFFFFFF, expected.Bits()[i] & 0xFFFFFF)
          << "frame " << n << " pixel " << i;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("frames/MyDemo00004.bmp")));
  EXPECT_NE(errors.find("Loading project : "), std::string::npos);

  ASSERT_EQ(Run(Path("demo.zyl") + " --frames 1 --png --out " + Path("png")), 0) << errors;
  EXPECT_TRUE(std::filesystem::exists(Path("png/MyDemo00001.png")));
}

// A 16 x 16 project with two grid4 layers over the whole canvas and layers of
// every kind of motion, whose pictures all have pixel counts dividing 256:
// its frames repeat every 256 frames, so any far frame has a near twin.
class RenderChunkTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    auto* project = new TProject();
    project->name = "Chunks";
    project->width = 16;
    project->height = 16;
    struct Spec {
      int w, h, x, y, posx, posy;
      TBlendMode mode;
    };
    const Spec specs[] = {
        {16, 16, 0, 0, 3, 1, bmNone},    {16, 16, 0, 0, -1, -2, bmGrid4},
        {8, 4, 5, 9, -3, 1, bmMultiply}, {16, 8, -4, 3, 0, -1, bmHue},
        {4, 4, 2, 2, 2, 0, bmScreen},    {2, 16, 12, -3, 0, 0, bmDifference},
        {16, 16, 0, 0, 0, 5, bmGrid4},   {8, 8, 1, 1, 8, 1, bmXor},  // too fast: still
        {4, 8, 6, 4, -1, -7, bmOverlay}};
    int i = 0;
    for (const Spec& s : specs) {
      ++i;
      auto* layer = new TBlendLayer();
      layer->OpenPictureFile(
          WritePicture("p" + std::to_string(i) + ".bmp", s.w, s.h, TColor32(i) * 0x00131F07u));
      layer->x = s.x;
      layer->y = s.y;
      layer->posx = s.posx;
      layer->posy = s.posy;
      layer->SetMode(s.mode);
      layer->opacity = std::uint16_t(140 + 12 * i);
    }
    // The Xor layer is stretched to twice its size, so it is resampled.
    project->layers[7]->x2 = project->layers[7]->x + 16;
    project->layers[7]->y2 = project->layers[7]->y + 16;
    project->SaveAs(Path("chunks.zyl"));
    CloseProject();
  }
  std::vector<std::uint8_t> Frame(const std::string& folder, std::int64_t n) {
    std::ifstream in(Path(folder + "/Chunks" + FormatFrameNumber(n) + ".bmp"), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(RenderChunkTest, FramesRenderedInChunksEqualOneRun) {
  ASSERT_EQ(Run(Path("chunks.zyl") + " --frames 100 --out " + Path("whole")), 0) << errors;
  ASSERT_EQ(Run(Path("chunks.zyl") + " --frames 50 --out " + Path("parts")), 0) << errors;
  ASSERT_EQ(Run(Path("chunks.zyl") + " --start 51 --frames 50 --out " + Path("parts")), 0)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(Path("parts/Chunks00101.bmp")));
  for (int n = 1; n <= 100; ++n) {
    const auto whole = Frame("whole", n);
    ASSERT_FALSE(whole.empty()) << "frame " << n;
    ASSERT_EQ(whole, Frame("parts", n)) << "frame " << n;
  }
  EXPECT_NE(Frame("whole", 1), Frame("whole", 2));
}

TEST_F(RenderChunkTest, AFrameFarAwayEqualsItsTwinWithinTheRepeat) {
  // 10^9 is a multiple of 256: frame 10^9 shows what frame 256 shows.
  ASSERT_EQ(Run(Path("chunks.zyl") + " --start 256 --frames 2 --out " + Path("near")), 0) << errors;
  ASSERT_EQ(Run(Path("chunks.zyl") + " --start 1000000000 --frames 2 --out " + Path("far")), 0)
      << errors;
  EXPECT_EQ(Frame("near", 256), Frame("far", 1000000000));
  EXPECT_EQ(Frame("near", 257), Frame("far", 1000000001));
  EXPECT_FALSE(Frame("far", 1000000000).empty());
  // The near frames themselves follow a run from frame 1.
  ASSERT_EQ(Run(Path("chunks.zyl") + " --frames 257 --out " + Path("all")), 0) << errors;
  EXPECT_EQ(Frame("all", 256), Frame("near", 256));
  EXPECT_EQ(Frame("all", 257), Frame("near", 257));
}

// A turning layer (24 frames), a tiled one moving more than its size (12)
// and a grid4 layer of 64 pixels (1024 frames): the project repeats after 3072.
TEST_F(RenderTest, InfoShowsEachLoopAndLoopRendersExactlyOne) {
  auto* project = new TProject();
  project->name = "Loop";
  project->width = 20;
  project->height = 12;
  auto* turning = new TBlendLayer();
  turning->OpenPictureFile(WritePicture("t.bmp", 6, 4, 0x00300000));
  turning->posx = 1;
  auto* tiled = new TBlendLayer();
  tiled->OpenPictureFile(WritePicture("s.bmp", 12, 8, 0x00005000));
  tiled->posx = -17;  // 7 mod 12
  tiled->posy = 10;   // 2 mod 8
  tiled->tileWrap = true;
  tiled->x = 8;
  tiled->SetMode(bmMultiply);
  auto* grid = new TBlendLayer();
  grid->OpenPictureFile(WritePicture("g.bmp", 8, 8, 0x00000070));
  grid->SetMode(bmGrid4);
  project->SaveAs(Path("loop.zyl"));
  CloseProject();

  ASSERT_EQ(Run(Path("loop.zyl") + " --info --fps 25 >" + Path("info.txt")), 0) << errors;
  std::ifstream in(Path("info.txt"));
  const std::string info(std::istreambuf_iterator<char>(in), {});
  for (const char* line :
       {"canvas: 20 x 12\n", "layer 1 \"t.bmp\": 6 x 4, none, motion (1, 0), loop: 24 frames\n",
        "layer 2 \"s.bmp\": 12 x 8, multiply, motion (-17, 10), tile wrap, loop: 12 frames\n",
        "layer 3 \"g.bmp\": 8 x 8, grid4, motion (0, 0), loop: 1 frame\n",
        "grid4: 64 calls per frame, loop: 1024 frames\n",
        "project loop: 3072 frames, 122.9 s at 25 fps\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;

  // One loop from frame 1, and one from frame 5: frame L + 1 is frame 1.
  ASSERT_EQ(Run(Path("loop.zyl") + " --loop --quiet --out " + Path("one")), 0) << errors;
  EXPECT_TRUE(std::filesystem::exists(Path("one/Loop03072.bmp")));
  EXPECT_FALSE(std::filesystem::exists(Path("one/Loop03073.bmp")));
  ASSERT_EQ(Run(Path("loop.zyl") + " --loop --start 5 --quiet --out " + Path("five")), 0) << errors;
  EXPECT_FALSE(std::filesystem::exists(Path("five/Loop00004.bmp")));
  EXPECT_TRUE(std::filesystem::exists(Path("five/Loop03076.bmp")));
  EXPECT_FALSE(std::filesystem::exists(Path("five/Loop03077.bmp")));
  auto bytes = [&](const std::string& file) {
    std::ifstream f(Path(file), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
  };
  EXPECT_EQ(bytes("five/Loop03073.bmp"), bytes("one/Loop00001.bmp"));
  EXPECT_EQ(bytes("five/Loop03076.bmp"), bytes("one/Loop00004.bmp"));
  EXPECT_NE(bytes("five/Loop03072.bmp"), bytes("one/Loop00001.bmp"));

  // Over the limit: refused until the limit is raised.
  EXPECT_EQ(Run(Path("loop.zyl") + " --loop --max-frames 3071 --out " + Path("no")), 1);
  EXPECT_NE(errors.find("repeats after 3072 frames, more than the limit of 3071 (raise it with "
                        "--max-frames)"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(std::filesystem::exists(Path("no/Loop00001.bmp")));
  EXPECT_EQ(Run(Path("loop.zyl") + " --loop --frames 3"), 2);
  EXPECT_EQ(Run(Path("loop.zyl") + " --loop --max-frames 0"), 2);
}

TEST_F(RenderTest, SaveAsPullsPicturesIntoTheArchive) {
  auto* project = new TProject();
  project->width = 4;
  project->height = 4;
  auto* layer = new TBlendLayer();
  layer->OpenPictureFile(WritePicture("p.bmp", 4, 4, 0));
  layer->filename = "p.png";  // names a picture that lives beside the project
  project->SaveAs(Path("outside.zyl"));
  CloseProject();
  std::filesystem::copy_file(std::string(QUENVAR_SOURCE_DIR) + "/tests/project/fixtures/a.png",
                             Path("p.png"));

  const std::string command = "cd " + dir.string() + " && " + tool + " outside.zyl --save-as " +
                              Path("inside.zyl") + " 2>" + Path("stderr.txt");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
  std::filesystem::remove(Path("p.png"));
  ASSERT_EQ(Run(Path("inside.zyl") + " --frames 1 --out " + Path("f")), 0) << errors;
  EXPECT_NE(errors.find("> Loaded, size : 8x6"), std::string::npos) << errors;
}

TEST_F(RenderTest, FailuresExitNonZeroWithAMessage) {
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Run(Path("x.zyl") + " --frames 0"), 2);
  EXPECT_EQ(Run(Path("x.zyl") + " --frames 1 --start 0"), 2);
  EXPECT_EQ(Run(Path("x.zyl") + " --frames 1 --start 12x"), 2);
  EXPECT_EQ(Run(Path("x.zyl") + " --frames 2 --start 9223372036854775807"), 2);
  EXPECT_NE(errors.find("does not fit"), std::string::npos) << errors;
  EXPECT_EQ(Run(Path("none.zyl") + " --frames 1"), 1);
  EXPECT_NE(errors.find("is not a readable project file"), std::string::npos) << errors;

  const std::string damaged = std::string(QUENVAR_SOURCE_DIR) + "/tests/project/fixtures/";
  EXPECT_EQ(Run(damaged + "canvas_nan.zyl --frames 1 --out " + Path("f")), 1);
  EXPECT_NE(errors.find("### Error : "), std::string::npos) << errors;
  EXPECT_EQ(Run(damaged + "bad_layer.zyl --frames 1 --out " + Path("f")), 1);
  EXPECT_NE(errors.find("loaded with errors"), std::string::npos) << errors;
}

}  // namespace
}  // namespace quenvar
