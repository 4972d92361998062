// The frame engine without a window: naming recorded frames, scrolling the
// view layers, one step with recording, and the view built from a project.
#include <gtest/gtest.h>

#include <filesystem>

#include "compose/blendmodes.h"
#include "compose/blendops.h"
#include "host/playback.h"
#include "project/framestep.h"
#include "project/projectview.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

TEST(FrameNames, NumbersPadToFiveDigitsAndKeepLongerOnes) {
  EXPECT_EQ(FormatFrameNumber(0), "00000");
  EXPECT_EQ(FormatFrameNumber(7), "00007");
  EXPECT_EQ(FormatFrameNumber(99999), "99999");
  // Past five digits nothing is cut, so no earlier frame file is replaced.
  EXPECT_EQ(FormatFrameNumber(100000), "100000");
  EXPECT_EQ(FormatFrameNumber(123456), "123456");
}

TEST(FrameNames, FileNameDropsSpacesFromTheProjectName) {
  EXPECT_EQ(RemoveChar(" My  Project ", ' '), "MyProject");
  EXPECT_EQ(RemoveChar("abcabc", 'b'), "acac");
  EXPECT_EQ(RecordFileName("C:\\out\\", "My Project", 1), "C:\\out\\MyProject00001.bmp");
  EXPECT_EQ(RecordFileName("", "Clouds", 42), "Clouds00042.bmp");
  EXPECT_EQ(RecordingLabel(7), " RECORDING FRAME : 7");
}

TEST(FrameNames, AnExistingFolderNamedWithoutItsSlashIsTheFolder) {
  const auto folder = std::filesystem::temp_directory_path() / "quenvar-recordfolder";
  std::filesystem::create_directories(folder);
  EXPECT_EQ(RecordFolderOfOutput(folder.string()), folder.string() + "/");
  EXPECT_EQ(RecordFolderOfOutput(folder.string() + "/"), folder.string() + "/");
  // A name that is no folder stays the name of the frames' file.
  EXPECT_EQ(RecordFolderOfOutput((folder / "clip").string()), folder.string() + "/");
  EXPECT_EQ(RecordFolderOfOutput("clip"), "");
  std::filesystem::remove_all(folder);
}

TEST(FrameNames, FolderOfTheOutputPath) {
  EXPECT_EQ(RecordFolderOf("C:\\out\\clip.avi"), "C:\\out\\");
  EXPECT_EQ(RecordFolderOf("clip"), "");
  EXPECT_EQ(RecordFolderOf("C:clip.avi"), "C:");
  EXPECT_EQ(RecordFolderOf("/tmp/frames/clip.avi"), "/tmp/frames/");
  EXPECT_EQ(RecordFolderOf(""), "");
  TPlaybackState state;
  StartRecording(state, "/tmp/frames/clip.avi");
  EXPECT_TRUE(state.recording);
  EXPECT_EQ(state.frameNumber, 1);
  EXPECT_EQ(state.recordFolder, "/tmp/frames/");
}

class FrameStepTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    project = new TProject();
    project->name = "My Project";
    project->width = 160;
    project->height = 120;
    host.view.SetClientSize(160, 120);
    PrepareProjectView(host.view);
    host.view.OnPaintStage = [](TImage32&, TBitmap32& b, int) { PaintCheckerboard(b); };
  }
  void TearDown() override {
    Playback() = TPlaybackState{};
    ProjectTest::TearDown();
  }

  // The bitmap file holds the 160 x 120 canvas as the view shows it, at the
  // given rows and columns.
  void ExpectCanvasFile(const std::string& path, std::initializer_list<int> rows,
                        std::initializer_list<int> columns) {
    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 54u + 160u * 120u * 4u);
    const TBitmap32& shown = host.view.Buffer();
    for (int y : rows)
      for (int x : columns) {
        const std::size_t at = 54 + (std::size_t(119 - y) * 160 + std::size_t(x)) * 4;
        const TColor32 c = TColor32(bytes[at]) | TColor32(bytes[at + 1]) << 8 |
                           TColor32(bytes[at + 2]) << 16 | TColor32(bytes[at + 3]) << 24;
        EXPECT_EQ(c, shown.Pixel(x, y)) << x << "," << y;
      }
  }

  // A layer whose pixels are numbered row by row, so moves can be traced.
  TBlendLayer& AddNumberedLayer(int w, int h, int posx, int posy) {
    auto* layer = new TBlendLayer();
    layer->bmp.Resize(w, h);
    for (int i = 0; i < w * h; ++i) layer->bmp.Bits()[i] = 0xFF000000u | TColor32(i);
    layer->posx = posx;
    layer->posy = posy;
    return *layer;
  }
  TColor32 Numbered(int x, int y, int w) const { return 0xFF000000u | TColor32(y * w + x); }
  TBitmap32& Shown(TBlendLayer& layer) { return layer.ALayer->Bitmap(); }

  TProject* project = nullptr;
};

TEST_F(FrameStepTest, ScrollMovesEachLayerByItsMotionWithWrapAround) {
  TBlendLayer& a = AddNumberedLayer(100, 50, 3, 0);
  TBlendLayer& b = AddNumberedLayer(10, 8, -1, -1);
  TBlendLayer& c = AddNumberedLayer(10, 8, 10, 0);  // as wide as the picture: stands still
  TBlendLayer& d = AddNumberedLayer(10, 8, 0, 0);
  BuildViewFromProject(*project, host.view);
  ScrollViewLayers(*project, host.view.Layers(), nullptr);
  EXPECT_EQ(Shown(a).Pixel(0, 1), Numbered(97, 0, 100));
  EXPECT_EQ(Shown(a).Pixel(2, 0), Numbered(99, 49, 100));
  EXPECT_EQ(Shown(b).Pixel(9, 6), Numbered(0, 0, 10));
  EXPECT_EQ(Shown(c).Pixel(3, 3), Numbered(3, 3, 10));
  EXPECT_EQ(Shown(d).Pixel(0, 0), Numbered(0, 0, 10));
  // The source pictures stay as loaded.
  EXPECT_EQ(a.bmp.Pixel(0, 1), Numbered(0, 1, 100));
}

TEST_F(FrameStepTest, ScrollLeavesTheSelectionFrameAndExtraItemsAlone) {
  TBlendLayer& a = AddNumberedLayer(10, 8, 1, 0);
  BuildViewFromProject(*project, host.view);
  // An item beyond the project's layers (a stray bitmap layer) is not moved.
  TBitmapLayer& extra = host.view.Layers().Add<TBitmapLayer>();
  extra.Bitmap().Resize(4, 4);
  extra.Bitmap().SetPixel(0, 0, 0xFF123456u);
  ScrollViewLayers(*project, host.view.Layers(), &extra);
  EXPECT_EQ(extra.Bitmap().Pixel(0, 0), 0xFF123456u);
  // Skipping the item at index 0 leaves the first layer too.
  ScrollViewLayers(*project, host.view.Layers(), a.ALayer);
  EXPECT_EQ(Shown(a).Pixel(1, 0), Numbered(0, 0, 10));
}

TEST_F(FrameStepTest, BuildMakesTheBottomLayerOpaqueAndKeepsOpacity) {
  auto* bottom = new TBlendLayer();
  bottom->bmp.Resize(4, 4);
  bottom->bmp.FillAll(0x00FF0000u);  // fully transparent red
  bottom->x = 5;
  bottom->y = 6;
  auto* top = new TBlendLayer();
  top->bmp.Resize(4, 4);
  top->bmp.FillAll(0x40FF0000u);
  top->opacity = 128;
  BuildViewFromProject(*project, host.view);
  ASSERT_EQ(host.view.Layers().Count(), 2);
  EXPECT_EQ(&host.view.Layers()[0], bottom->ALayer);
  EXPECT_EQ(bottom->ALayer->Bitmap().Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(top->ALayer->Bitmap().Pixel(0, 0), 0x40FF0000u);
  EXPECT_EQ(top->ALayer->Bitmap().MasterAlpha(), 128u);
  EXPECT_EQ(bottom->x, 5);
  EXPECT_EQ(bottom->y, 6);
  EXPECT_EQ(host.view.Bitmap().Width(), 160);
  EXPECT_EQ(host.view.Bitmap().Pixel(159, 119), 0xFFFFFFFFu);
}

TEST_F(FrameStepTest, CheckerboardAroundTheCanvas) {
  BuildViewFromProject(*project, host.view);
  host.view.SetClientSize(200, 150);
  host.view.Compose();
  const TBitmap32& shown = host.view.Buffer();
  EXPECT_EQ(shown.Pixel(10, 10), 0xFFFFFFFFu);      // canvas
  EXPECT_EQ(shown.Pixel(160, 0), kCheckerGrey);     // square (10, 0)
  EXPECT_EQ(shown.Pixel(176, 15), kCheckerWhite);   // square (11, 0)
  EXPECT_EQ(shown.Pixel(0, 120), kCheckerWhite);    // square (0, 7)
  EXPECT_EQ(shown.Pixel(175, 128), kCheckerGrey);   // square (10, 8)
  EXPECT_EQ(shown.Pixel(199, 149), kCheckerWhite);  // square (12, 9)
  TBitmap32 small;
  small.Resize(3, 40);
  PaintCheckerboard(small);
  EXPECT_EQ(small.Pixel(2, 15), kCheckerGrey);
  EXPECT_EQ(small.Pixel(2, 16), kCheckerWhite);
}

TEST_F(FrameStepTest, TitleIsTheFileNameAndClientSize) {
  EXPECT_EQ(ViewTitle("untitled.zyl", 768, 576), "untitled.zyl [768x576]");
  EXPECT_EQ(ViewTitle("/home/a/clips/sea.zyl", 10, 20), "sea.zyl [10x20]");
}

TEST_F(FrameStepTest, RecordingWritesTheShownFrameAndCounts) {
  AddNumberedLayer(30, 20, 2, 1);
  BuildViewFromProject(*project, host.view);
  TPlaybackState state;
  StartRecording(state, Scratch("clip.avi"));
  std::vector<std::string> labels;
  std::vector<int> waits;
  TFrameStepHooks hooks;
  hooks.setFrameLabel = [&](const std::string& t) { labels.push_back(t); };
  hooks.wait = [&](int ms) { waits.push_back(ms); };
  hooks.showError = [](const std::string& e) { ADD_FAILURE() << e; };
  ASSERT_TRUE(StepFrame(project, host.view, nullptr, state, hooks));
  ASSERT_TRUE(StepFrame(project, host.view, nullptr, state, hooks));
  EXPECT_EQ(labels, (std::vector<std::string>{" RECORDING FRAME : 1", " RECORDING FRAME : 2"}));
  EXPECT_EQ(waits, (std::vector<int>{20, 20}));
  EXPECT_EQ(state.frameNumber, 3);
  EXPECT_FALSE(state.stepBusy);
  // The second file holds exactly the buffer shown after the second step.
  ExpectCanvasFile(Scratch("MyProject00002.bmp"), {0, 7, 119}, {0, 31, 159});
  EXPECT_TRUE(std::filesystem::exists(Scratch("MyProject00001.bmp")));
}

TEST_F(FrameStepTest, AFrameIsTheCanvasWhateverTheWindowShowsBeyondIt) {
  AddNumberedLayer(30, 20, 0, 0);
  BuildViewFromProject(*project, host.view);
  host.view.SetClientSize(200, 130);  // the window made larger by hand
  host.view.Compose();
  WriteFrameFile(host.view, Scratch("still.bmp"));
  ExpectCanvasFile(Scratch("still.bmp"), {0, 19, 119}, {0, 29, 159});
}

TEST_F(FrameStepTest, AFrameThatCannotBeWrittenEndsTheRecordingOnce) {
  AddNumberedLayer(30, 20, 2, 1);
  BuildViewFromProject(*project, host.view);
  TPlaybackState state;
  StartRecording(state, Scratch("missing/clip.avi"));
  std::vector<std::string> labels, errors;
  TFrameStepHooks hooks;
  hooks.setFrameLabel = [&](const std::string& t) { labels.push_back(t); };
  hooks.showError = [&](const std::string& e) { errors.push_back(e); };
  EXPECT_TRUE(StepFrame(project, host.view, nullptr, state, hooks));
  EXPECT_TRUE(StepFrame(project, host.view, nullptr, state, hooks));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("MyProject00001.bmp"), std::string::npos);
  EXPECT_EQ(labels, std::vector<std::string>{" "});
  EXPECT_FALSE(state.recording);
  EXPECT_FALSE(state.stepBusy);
  EXPECT_EQ(state.frameNumber, 1);
}

// Frames as playback composes them, one step after another, from a freshly
// built view and a given grid counter.
std::vector<std::vector<TColor32>> PlayFrames(TProject& project, TImgView32& view,
                                              std::uint16_t counter, int first, int last) {
  BuildViewFromProject(project, view);
  GridCounter() = counter;
  SkipFrames(project, view, nullptr, std::uint64_t(first - 1));
  std::vector<std::vector<TColor32>> frames;
  for (int n = first; n <= last; ++n) {
    ScrollViewLayers(project, view.Layers(), nullptr);
    view.Compose();
    const TBitmap32& b = view.Buffer();
    frames.emplace_back(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
  }
  return frames;
}

TEST_F(FrameStepTest, SkippingFramesLandsExactlyWhereSteppingDoes) {
  // Every sign of motion, a still layer, one too fast to move, a stretched
  // one, two grid4 layers (one off the canvas's edge) and a hue layer.
  const std::pair<int, int> motions[] = {{3, 1},  {-2, -1}, {0, 2}, {-4, 0}, {0, 0},
                                         {1, -3}, {40, 0},  {5, 5}, {-1, 1}, {2, -2}};
  const TBlendMode modes[] = {bmNone, bmGrid4,  bmMultiply, bmHue,  bmGrid4,
                              bmXor,  bmScreen, bmDodge,    bmNone, bmDifference};
  for (int i = 0; i < 10; ++i) {
    TBlendLayer& layer = AddNumberedLayer(40, 30, motions[i].first, motions[i].second);
    for (int p = 0; p < 40 * 30; ++p)
      layer.bmp.Bits()[p] = 0x60000000u | (TColor32(p) * 2654435761u >> 8) | (TColor32(i) << 28);
    layer.SetMode(modes[i]);
    layer.opacity = std::uint16_t(150 + 10 * i);
    layer.x = 13 * i - 20;
    layer.y = 9 * i - 15;
    if (i == 7) {
      layer.x2 = layer.x + 70;
      layer.y2 = layer.y + 45;
    }
  }
  const auto steps = PlayFrames(*project, host.view, 65000, 1, 40);
  EXPECT_NE(steps[0], steps[1]);
  for (int first : {2, 17, 39}) {
    const auto skipped = PlayFrames(*project, host.view, 65000, first, 40);
    for (int n = first; n <= 40; ++n)
      ASSERT_EQ(skipped[std::size_t(n - first)], steps[std::size_t(n - 1)])
          << "frame " << n << " after skipping to " << first;
  }
  // The grid counter of a view moves by the grid4 pixels it draws.
  BuildViewFromProject(*project, host.view);
  const std::uint16_t before = GridCounter();
  host.view.Compose();
  EXPECT_EQ(std::uint16_t(GridCounter() - before), std::uint16_t(host.view.GridStepsPerCompose()));
  EXPECT_GT(host.view.GridStepsPerCompose(), 0);
}

TEST_F(FrameStepTest, ARecordingWithALastFrameEndsByItselfThere) {
  AddNumberedLayer(8, 6, 1, 0);
  BuildViewFromProject(*project, host.view);
  TPlaybackState state;
  StartRecording(state, Scratch("clip"));
  state.lastFrame = 3;
  std::vector<std::string> labels;
  TFrameStepHooks hooks;
  hooks.setFrameLabel = [&](const std::string& text) { labels.push_back(text); };
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(StepFrame(project, host.view, nullptr, state, hooks));
  for (int n = 1; n <= 3; ++n)
    EXPECT_TRUE(std::filesystem::exists(Scratch(RecordFileName("", project->name, n)))) << n;
  EXPECT_FALSE(std::filesystem::exists(Scratch(RecordFileName("", project->name, 4))));
  EXPECT_FALSE(state.recording);
  EXPECT_EQ(labels, (std::vector<std::string>{RecordingLabel(1), RecordingLabel(2),
                                              RecordingLabel(3), " "}));
  // A new start has no end until one is set.
  StartRecording(state, Scratch("clip"));
  EXPECT_EQ(state.lastFrame, 0);
}

TEST_F(FrameStepTest, ABusyStepOrNoProjectDoesNothing) {
  TBlendLayer& a = AddNumberedLayer(10, 8, 1, 0);
  BuildViewFromProject(*project, host.view);
  TPlaybackState state;
  state.stepBusy = true;
  EXPECT_FALSE(StepFrame(project, host.view, nullptr, state, {}));
  EXPECT_EQ(Shown(a).Pixel(0, 0), Numbered(0, 0, 10));
  state.stepBusy = false;
  EXPECT_FALSE(StepFrame(nullptr, host.view, nullptr, state, {}));
  // A step with nothing moving still composes the frame.
  a.posx = 0;
  int repaints = 0;
  host.view.OnRepaintNow = [&](TImage32&) { ++repaints; };
  EXPECT_TRUE(StepFrame(project, host.view, nullptr, state, {}));
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(host.view.UpdateCount(), 0);
}

}  // namespace
}  // namespace quenvar::testing
