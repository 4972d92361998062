// The exported web page against quenvar-render: projects made here cover
// every blend mode, opacities from 0 to 255, placements outside the canvas,
// stretched layers, every sign of motion, tiled motion and grid4; the page's
// frames, composed by WebGL 2 in headless Chromium's software renderer, must
// have the same digests as the program's frames 1, 2 and far ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include <sys/wait.h>

#include "compose/blendmodes.h"
#include "compose/blendops.h"
#include "compose/layerstack.h"
#include "formats/formatlist.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/firstframe.h"
#include "project/framestep.h"
#include "project/project.h"
#include "tooltest.h"
#include "web/framedigest.h"
#include "web/plainpng.h"
#include "web/webpage.h"

namespace quenvar {
namespace {

// The output of a shell command, and its exit status.
std::string Capture(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return out;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

bool HaveChromium() {
  int status = 0;
  Capture("command -v chromium >/dev/null 2>&1", status);
  return status == 0;
}

class WebPageTest : public testing::RenderToolTest {
 protected:
  WebPageTest() : RenderToolTest("quenvar-web-") {}
  void TearDown() override {
    CloseProject();
    RenderToolTest::TearDown();
  }

  // A picture of random colours whose alphas are 0, 255 or anything between.
  std::string WritePicture(const std::string& name, int w, int h) {
    TBitmap32 picture;
    picture.Resize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned pick = random() % 4;
        const unsigned alpha = pick == 0 ? 0 : pick == 1 ? 255 : random() % 256;
        picture.SetPixel(x, y, (alpha << 24) | (random() & 0xFFFFFFu));
      }
    const auto bytes = EncodePlainPng(picture);
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }

  struct TLayerSpec {
    int w, h, x, y;
    TBlendMode mode;
    int opacity;
    int posx, posy;
    bool tile = false;
    int stretchW = 0, stretchH = 0;  // drawn at this size when not 0
  };

  std::string MakeProject(const std::string& name, const std::vector<TLayerSpec>& specs,
                          int width = 64, int height = 48) {
    auto* project = new TProject();
    project->name = name;
    project->width = std::uint16_t(width);
    project->height = std::uint16_t(height);
    int i = 0;
    for (const TLayerSpec& s : specs) {
      auto* layer = new TBlendLayer();
      layer->OpenPictureFile(WritePicture(name + std::to_string(i++) + ".png", s.w, s.h));
      layer->x = s.x;
      layer->y = s.y;
      layer->SetMode(s.mode);
      layer->opacity = std::uint16_t(s.opacity);
      layer->posx = s.posx;
      layer->posy = s.posy;
      layer->tileWrap = s.tile;
      if (s.stretchW) {
        layer->x2 = s.x + s.stretchW;
        layer->y2 = s.y + s.stretchH;
      }
    }
    const std::string file = Path(name + ".zyl");
    project->SaveAs(file);
    CloseProject();
    return file;
  }

  // quenvar-render's digests of frames start .. start + count - 1.
  std::map<long long, std::string> ProgramDigests(const std::string& project, long long start,
                                                  int count) {
    int status = 0;
    const std::string out = Capture(
        "cd " + dir.string() + " && " + tool + " " + project + " --start " + std::to_string(start) +
            " --frames " + std::to_string(count) + " --digest --no-write --quiet 2>/dev/null",
        status);
    EXPECT_EQ(status, 0);
    std::map<long long, std::string> digests;
    std::istringstream lines(out);
    long long n;
    std::string digest;
    while (lines >> n >> digest) digests[n] = digest;
    return digests;
  }

  // The page's digests of the frames listed.
  std::vector<std::string> PageDigests(const std::string& page,
                                       const std::vector<long long>& frames) {
    std::string list;
    for (long long k : frames) list += (list.empty() ? "" : ",") + std::to_string(k);
    int status = 0;
    const std::string out = Capture("python3 " + std::string(QUENVAR_SOURCE_DIR) +
                                        "/tests/web/pageresult.py " + page + " frame=" + list,
                                    status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::string> digests;
    std::istringstream words(out);
    std::string word;
    while (words >> word) digests.push_back(word);
    return digests;
  }

  // Holds the page's frames to the digests expected of them.
  void ExpectPageDigests(const std::string& page,
                         const std::map<long long, std::string>& expected) {
    std::vector<long long> frames;
    for (const auto& [k, digest] : expected) frames.push_back(k);
    const std::vector<std::string> got = PageDigests(page, frames);
    ASSERT_EQ(got.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
      EXPECT_EQ(got[i], expected.at(frames[i])) << "frame " << frames[i];
  }

  // Exports the page and holds its frames 1, 2, `far` and far + 1 to the
  // program's.
  void ExpectPageEqualsProgram(const std::string& project, long long far) {
    if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed (scripts/setup installs it)";
    const std::string page = Path("page.html");
    int status = 0;
    Capture(tool + " " + project + " --web " + page + " --quiet 2>/dev/null", status);
    ASSERT_EQ(status, 0);
    std::map<long long, std::string> expected = ProgramDigests(project, 1, 2);
    const auto farDigests = ProgramDigests(project, far, 2);
    expected.insert(farDigests.begin(), farDigests.end());
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_NE(expected[1], expected[2]);
    ExpectPageDigests(page, expected);
  }

  std::mt19937 random{20261210};
};

// --digest names each frame by the digest of the frame written, and
// --no-write writes none.
TEST_F(WebPageTest, DigestLinesNameTheFramesWritten) {
  const std::string project = MakeProject(
      "digest", {{64, 48, 0, 0, bmNone, 255, 1, 2}, {20, 20, 5, 5, bmGrid4, 255, -1, 0}});
  int status = 0;
  const std::string lines =
      Capture("cd " + dir.string() + " && " + tool + " " + project +
                  " --start 7 --frames 3 --digest --quiet --out frames 2>/dev/null",
              status);
  ASSERT_EQ(status, 0);
  std::istringstream in(lines);
  for (long long k = 7; k <= 9; ++k) {
    long long n = 0;
    std::string digest;
    ASSERT_TRUE(in >> n >> digest);
    EXPECT_EQ(n, k);
    TBitmap32 frame;
    frame.CopyFrom(LoadPictureByExtension(Path("frames/digest" + FormatFrameNumber(k) + ".bmp")));
    EXPECT_EQ(digest, FrameDigest(frame)) << "frame " << k;
  }
  const auto again = ProgramDigests(project, 8, 1);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_NE(lines.find("8 " + again.at(8) + "\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("digest00008.bmp")));  // --no-write wrote nothing

  Capture(tool + " " + project + " --frames 1 --no-write --out " + Path("x") + " 2>/dev/null",
          status);
  EXPECT_EQ(status, 2);
}

// One layer per mode over a full bottom layer, the opacities spread from 0
// to 255, with every sign of motion, tiled layers, stretched ones (larger
// and smaller than their picture) and placements over the canvas's edges.
TEST_F(WebPageTest, EveryModeEqualsTheProgram) {
  std::vector<TLayerSpec> specs;
  specs.push_back({64, 48, 0, 0, bmNone, 255, 1, -1});
  const int signs[9][2] = {{1, 1}, {2, -1}, {-3, 1}, {-1, -2}, {0, 1},
                           {3, 0}, {0, -2}, {-2, 0}, {0, 0}};
  for (int mode = 0; mode < 34; ++mode) {
    TLayerSpec s;
    s.w = 12 + (mode * 7) % 30;
    s.h = 10 + (mode * 5) % 24;
    s.x = -8 + (mode * 13) % 60;
    s.y = -6 + (mode * 11) % 46;
    s.mode = TBlendMode(mode);
    s.opacity = mode * 255 / 33;
    s.posx = signs[mode % 9][0];
    s.posy = signs[mode % 9][1];
    s.tile = mode % 4 == 1;
    if (mode % 5 == 2) {
      s.stretchW = s.w * 2 - 3;
      s.stretchH = s.h + 5;
    } else if (mode % 5 == 4) {
      s.stretchW = s.w / 2 + 1;
      s.stretchH = s.h * 2 / 3;
    }
    specs.push_back(s);
  }
  ExpectPageEqualsProgram(MakeProject("modes", specs), 4000000007LL);
}

// Opacities around the edges of the blends' arithmetic, for the plain alpha
// blend and the operations; grid4 layers turned, tiled, stretched and
// partly outside, between the colour-space modes; layers wholly outside
// the canvas and moving faster than their size.
TEST_F(WebPageTest, OpacitiesGridAndMotionEqualTheProgram) {
  std::vector<TLayerSpec> specs;
  specs.push_back({40, 30, 0, 0, bmMultiply, 255, 2, 3, true, 64, 48});
  const int opacities[] = {0, 1, 2, 127, 128, 129, 253, 254, 255};
  int i = 0;
  for (int opacity : opacities) {
    specs.push_back({20, 14, (i * 7) % 50 - 4, (i * 5) % 40 - 3, bmNone, opacity, i - 4, 1});
    specs.push_back({18, 16, (i * 11) % 50, (i * 3) % 40, i % 2 ? bmHue : bmAverage, opacity, -1,
                     i - 4, i % 3 == 0});
    ++i;
  }
  specs.push_back({64, 48, 0, 0, bmGrid4, 200, 5, -7});
  specs.push_back({30, 20, -10, 35, bmGrid4, 255, -2, 3, true});
  specs.push_back({16, 12, 20, 10, bmGrid4, 130, 1, 0, false, 37, 29});
  specs.push_back({64, 48, 0, 0, bmSaturation, 230, -1, 1});
  specs.push_back({50, 40, 10, 5, bmLightness, 250, 70, -90, true});
  specs.push_back({10, 10, 80, 10, bmScreen, 255, 1, 1});       // outside the canvas
  specs.push_back({12, 12, 30, 30, bmDifference, 255, 12, 1});  // too fast: stands still
  specs.push_back({24, 24, 40, -5, bmGrid4, 255, 0, 0, false, 13, 50});
  ExpectPageEqualsProgram(MakeProject("mixed", specs), 65539);
}

// A picture's resampler can change after its project is loaded (the layers
// panel's thumbnails leave the draft resampler on it), and the view then
// draws stretched layers with it: boxes averaged where a picture shrinks,
// bilinear where it grows. The page draws them the same way; the frames here
// are composed in this process, as quenvar-render would with those
// resamplers.
TEST_F(WebPageTest, StretchedLayersResampleAsTheViewDoes) {
  if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed (scripts/setup installs it)";
  auto* project = new TProject();
  project->width = 64;
  project->height = 48;
  struct Stretch {
    int w, h, x, y, x2, y2, posx, posy;
    bool tile;
    const char* resampler;
  };
  const Stretch stretches[] = {
      {64, 48, 0, 0, 0, 0, 1, 1, false, "TNearestResampler"},
      {30, 20, -7, 3, 45, 47, 2, -1, false, "TDraftResampler"},  // grows: bilinear
      {50, 40, 5, -4, 22, 17, -1, 1, true, "TDraftResampler"},   // shrinks: boxes
      {40, 30, 20, 10, 80, 25, 1, 0, false, "TDraftResampler"},  // wider, lower: bilinear
      {17, 13, 2, 30, 61, 44, 0, -1, true, "TLinearResampler"},
      {45, 45, 30, 0, 37, 9, 3, 2, false, "TDraftResampler"},  // shrinks a lot
  };
  int i = 0;
  for (const Stretch& s : stretches) {
    auto* layer = new TBlendLayer();
    layer->OpenPictureFile(WritePicture("s" + std::to_string(i) + ".png", s.w, s.h));
    layer->x = s.x;
    layer->y = s.y;
    layer->x2 = s.x2;
    layer->y2 = s.y2;
    layer->posx = s.posx;
    layer->posy = s.posy;
    layer->tileWrap = s.tile;
    layer->SetMode(i % 2 ? bmNone : bmOverlay);
    layer->opacity = std::uint16_t(255 - 20 * i);
    layer->bmp.SetResamplerClassName(s.resampler);
    ++i;
  }
  const std::string page = Path("stretch.html");
  ExportWebPage(*project, page, 27);

  std::map<long long, std::string> expected;
  for (long long k : {1LL, 2LL, 77777LL}) {
    TImgView32 view;
    BuildFrameView(*project, view);
    GridCounter() = 0;
    SkipFrames(*project, view, nullptr, std::uint64_t(k - 1));
    ScrollViewLayers(*project, view.Layers(), nullptr);
    view.Compose();
    expected[k] = FrameDigest(view.Buffer());
  }
  CloseProject();
  ExpectPageDigests(page, expected);
}

// The colour-space modes convert in single precision; the page must round
// as the program does for many colour pairs, not only a few.
TEST_F(WebPageTest, ColourSpaceModesRoundAsTheProgramDoes) {
  std::vector<TLayerSpec> specs = {{256, 192, 0, 0, bmNone, 255, 3, 1},
                                   {256, 192, 0, 0, bmHue, 255, -1, 2},
                                   {256, 192, 0, 0, bmSaturation, 254, 1, -1, true},
                                   {256, 192, 0, 0, bmLightness, 253, -2, -3},
                                   {128, 96, 0, 0, bmHue, 255, 1, 1, false, 256, 192}};
  ExpectPageEqualsProgram(MakeProject("hsl", specs, 256, 192), 999983);
}

}  // namespace
}  // namespace quenvar
