// When playback repeats: the loop lengths of single motions and of the grid
// counter, and whole projects played until they come round.
#include <gtest/gtest.h>

#include <vector>

#include "compose/blendmodes.h"
#include "compose/blendops.h"
#include "project/framestep.h"
#include "project/layeredit.h"
#include "project/layerrecord.h"
#include "project/looplength.h"
#include "project/projectview.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

TEST(LoopLength, SingleMotionsComeRoundWhenTheirShiftDoes) {
  // Turning: N / gcd(N, dx + dy * w); a motion as large as the picture
  // stands still.
  EXPECT_EQ(TurnLoop(100, 50, 3, 0), 5000u);
  EXPECT_EQ(TurnLoop(4, 4, 0, -2), 2u);
  EXPECT_EQ(TurnLoop(10, 6, -1, -1), 60u);  // s = -11
  EXPECT_EQ(TurnLoop(10, 6, 5, 3), 12u);    // s = 35
  EXPECT_EQ(TurnLoop(10, 6, 10, 0), 1u);
  EXPECT_EQ(TurnLoop(10, 6, 1, -6), 1u);
  // Tiled: each direction on its own, any size of motion.
  EXPECT_EQ(TileLoop(12, 8, -7, -2), 12u);
  EXPECT_EQ(TileLoop(12, 8, 30, -9), 8u);
  EXPECT_EQ(TileLoop(12, 8, 12, 16), 1u);
  EXPECT_EQ(TileLoop(12, 8, -2147483647 - 1, 2147483647), 24u);  // 4 mod 12, 7 mod 8
  // grid4's counter has 65536 places.
  EXPECT_EQ(GridLoop(0), 1u);
  EXPECT_EQ(GridLoop(3), 65536u);
  EXPECT_EQ(GridLoop(65536 + 1024), 64u);
}

TEST(LoopLength, ProjectLoopsCombineAndStopAtTheLimit) {
  EXPECT_EQ(CombineLoops(CombineLoops(TLoopLength{}, 24), 36), (TLoopLength{72, false}));
  EXPECT_EQ(CombineLoops(TLoopLength{}, kLoopLimit), (TLoopLength{kLoopLimit, false}));
  EXPECT_TRUE(CombineLoops(TLoopLength{}, kLoopLimit + 1).over);
  const TLoopLength big = CombineLoops(TLoopLength{kLoopLimit, false}, 3);
  EXPECT_TRUE(big.over);
  EXPECT_TRUE(CombineLoops(big, 1).over);
  EXPECT_EQ(LoopLabel(TLoopLength{480, false}, 27), "Loop: 480 frames, 17.8 s at 27 fps");
  EXPECT_EQ(LoopLabel(TLoopLength{1, false}, 25), "Loop: 1 frame, 0.0 s at 25 fps");
  EXPECT_EQ(LoopLabel(big, 27), "does not repeat within 10^9 frames");
}

class LoopPlayTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    project = new TProject();
    project->width = 104;
    project->height = 48;
    host.view.SetClientSize(104, 48);
    PrepareProjectView(host.view);
  }

  // A layer in slot `slot` (four across, two down, 26 x 24 each) whose
  // pixels all differ, from one another and from every other layer's.
  TBlendLayer& AddLayer(int slot, int w, int h, int posx, int posy, bool tile) {
    auto* layer = new TBlendLayer();
    layer->bmp.Resize(w, h);
    for (int i = 0; i < w * h; ++i)
      layer->bmp.Bits()[i] = 0xFF000000u | (TColor32(i + 1000 * slot) * 2654435761u >> 8);
    layer->posx = posx;
    layer->posy = posy;
    layer->tileWrap = tile;
    layer->x = 26 * (slot % 4) + 1;
    layer->y = 24 * (slot / 4) + 1;
    return *layer;
  }

  static std::vector<TColor32> Frame(const TBitmap32& b) {
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
  }
  static std::uint64_t Hash(const std::vector<TColor32>& frame) {
    std::uint64_t h = 1469598103934665603u;
    for (TColor32 c : frame) h = (h ^ c) * 1099511628211u;
    return h;
  }

  // Frames 1 to `count` as playback composes them from a fresh view, as
  // hashes; frames 1 and `keep` are kept whole.
  std::vector<std::uint64_t> Play(std::uint64_t count, std::uint64_t keep) {
    BuildViewFromProject(*project, host.view);
    GridCounter() = 40000;
    std::vector<std::uint64_t> frames;
    for (std::uint64_t n = 1; n <= count; ++n) {
      ScrollViewLayers(*project, host.view.Layers(), nullptr);
      host.view.Compose();
      const std::vector<TColor32> frame = Frame(host.view.Buffer());
      if (n == 1) first = frame;
      if (n == keep) kept = frame;
      frames.push_back(Hash(frame));
    }
    return frames;
  }

  // Frame L + 1 is frame 1 again, and no shorter stretch of frames repeats;
  // with `firstIsUnique` no frame in between equals frame 1 either.
  void ExpectLoopOf(std::uint64_t expected, bool firstIsUnique) {
    BuildViewFromProject(*project, host.view);
    const TProjectLoop loop = ProjectLoop(*project, host.view);
    ASSERT_FALSE(loop.project.over);
    ASSERT_EQ(loop.project.frames, expected);
    const std::uint64_t l = loop.project.frames;
    const auto frames = Play(2 * l, l + 1);
    EXPECT_EQ(kept, first) << "frame L + 1";
    for (std::uint64_t p = 1; p < l; ++p) {
      if (firstIsUnique) {
        EXPECT_NE(frames[p], frames[0]) << "frame " << p + 1;
      }
      bool differs = false;
      for (std::uint64_t n = 0; n < l && !differs; ++n) differs = frames[n + p] != frames[n];
      EXPECT_TRUE(differs) << "the frames repeat every " << p;
    }
  }

  TProject* project = nullptr;
  std::vector<TColor32> first, kept;
};

TEST_F(LoopPlayTest, TurningLayersOfEverySignRepeatAfterTheirLeastCommonMultiple) {
  AddLayer(0, 8, 6, 3, 1, false);                            // s = 11: 48
  AddLayer(1, 8, 6, -2, -1, false);                          // s = -10: 24
  AddLayer(2, 8, 6, 0, 2, false);                            // s = 16: 3
  AddLayer(3, 8, 6, -5, 0, false);                           // 48
  AddLayer(4, 8, 6, 8, 1, false);                            // as wide as the picture: still
  TBlendLayer& stretched = AddLayer(5, 8, 4, 4, -1, false);  // s = -4: 8
  stretched.x2 = stretched.x + 20;
  stretched.y2 = stretched.y + 18;
  TBlendLayer& resampled = AddLayer(6, 6, 4, 1, 0, false);  // 24
  resampled.x2 = resampled.x + 17;
  resampled.y2 = resampled.y + 11;
  resampled.bmp.SetResamplerClassName("TLinearResampler");
  const TProjectLoop loop = ProjectLoop(*project, 0);
  EXPECT_EQ(loop.layers, (std::vector<std::uint64_t>{48, 24, 3, 48, 1, 8, 24}));
  ExpectLoopOf(48, true);
}

TEST_F(LoopPlayTest, TiledLayersAndMotionsLargerThanThePictureRepeatToo) {
  AddLayer(0, 12, 8, 5, 3, true);                            // 24
  AddLayer(1, 12, 8, -7, -2, true);                          // 12
  AddLayer(2, 12, 8, 30, -9, true);                          // 8
  AddLayer(3, 12, 8, 0, 13, true);                           // 8
  TBlendLayer& stretched = AddLayer(4, 12, 8, 1, -1, true);  // 24
  stretched.x2 = stretched.x + 23;
  stretched.y2 = stretched.y + 20;
  AddLayer(5, 6, 4, 1, 0, false);    // turning: 24
  AddLayer(6, 12, 8, -12, 0, true);  // a whole width: still
  const TProjectLoop loop = ProjectLoop(*project, 0);
  EXPECT_EQ(loop.layers, (std::vector<std::uint64_t>{24, 12, 8, 8, 24, 24, 1}));
  ExpectLoopOf(24, true);
}

TEST_F(LoopPlayTest, GridLayersRepeatWithTheirCounter) {
  // 16 x 8 grid4 pixels per frame: the counter comes round after 512 frames.
  TBlendLayer& grid = AddLayer(0, 16, 8, 2, 1, true);  // 8
  grid.SetMode(bmGrid4);
  AddLayer(1, 8, 6, 3, 1, false);                       // 48
  TBlendLayer& tiled = AddLayer(2, 8, 6, -3, 2, true);  // 24
  tiled.SetMode(bmMultiply);
  BuildViewFromProject(*project, host.view);
  EXPECT_EQ(host.view.GridStepsPerCompose(), 128);
  // The grid4 stipple alone repeats every third frame of one counter lap,
  // so frame 1 may come back early; the whole run may not.
  ExpectLoopOf(1536, false);
}

TEST_F(LoopPlayTest, ALongLoopIsReportedAsOver) {
  // Three primes near 1000 multiply past 10^9.
  AddLayer(0, 1021, 1, 1, 0, false);
  AddLayer(1, 1019, 1, -1, 0, false);
  EXPECT_FALSE(ProjectLoop(*project, 0).project.over);
  AddLayer(2, 1, 1013, 0, 1, false);
  const TProjectLoop loop = ProjectLoop(*project, 0);
  EXPECT_EQ(loop.layers, (std::vector<std::uint64_t>{1021, 1019, 1013}));
  EXPECT_TRUE(loop.project.over);
}

TEST_F(LoopPlayTest, TileWrapIsSavedOnlyWhenSetAndKeptByUndoAndDuplicate) {
  AddLayer(0, 4, 3, 1, 0, false).filename = "plain.bmp";
  AddLayer(1, 4, 3, 1, 0, true).filename = "tiled.bmp";
  project->BuildDescription();
  ASSERT_EQ(project->description.size(), 12u);
  EXPECT_EQ(project->description[8].find("wrap"), std::string::npos);
  EXPECT_NE(project->description[9].find(" opacity =\"255\" wrap=\"tile\" />"), std::string::npos)
      << project->description[9];
  // Saved, loaded, saved: the same layer lines.
  project->name = "tiles";
  project->SaveAs(Scratch("tiles.zyl"));
  const std::vector<std::string> before(project->description.begin() + 8,
                                        project->description.end());
  CloseProject();
  TProject* loaded = OpenProjectFile(Scratch("tiles.zyl"));
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->layers.size(), 2u);
  EXPECT_FALSE(loaded->layers[0]->tileWrap);
  EXPECT_TRUE(loaded->layers[1]->tileWrap);
  loaded->BuildDescription();
  EXPECT_EQ(std::vector<std::string>(loaded->description.begin() + 8, loaded->description.end()),
            before);
  // The flag is part of what a record restores, and a duplicate takes it.
  TBlendLayer& layer = *loaded->layers[1];
  const TLayerRecord record = RecordLayer(layer, false);
  SetLayerTileWrap(*loaded, layer, false);
  EXPECT_FALSE(SameRecord(record, RecordLayer(layer, false)));
  RestoreLayer(layer, record);
  EXPECT_TRUE(layer.tileWrap);
  EXPECT_TRUE(DuplicateLayer(*loaded, 1).tileWrap);
  EXPECT_FALSE(DuplicateLayer(*loaded, 0).tileWrap);
}

}  // namespace
}  // namespace quenvar::testing
