// Pictures keep their alpha through the archive: a project whose layers carry
// alpha, saved, closed and opened again (twice, so the second save re-encodes
// what the first one stored), holds the same ARGB pixels and plays the same
// frames.
#include <cstdio>

#include "host/playback.h"
#include "project/framestep.h"
#include "project/projectview.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

std::string FormatsFixture(const std::string& name) {
  return std::string(QUENVAR_SOURCE_DIR) + "/tests/formats/fixtures/" + name;
}

class AlphaRoundTrip : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    host.view.SetClientSize(48, 36);
    PrepareProjectView(host.view);
    host.view.OnPaintStage = [](TImage32&, TBitmap32& b, int) { PaintCheckerboard(b); };
  }
  void TearDown() override {
    Playback() = TPlaybackState{};
    ProjectTest::TearDown();
  }

  TBlendLayer& OpenedLayer(const std::string& fixture, const std::string& as) {
    std::filesystem::copy_file(FormatsFixture(fixture), dir / as);
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->OpenPictureFile(Scratch(as));
    return *layer;
  }

  // A layer as the PSD import makes one: its picture set in memory and a
  // BMP-named file name.
  TBlendLayer& MemoryLayer(const std::string& name, TColor32 (*pixel)(int x, int y)) {
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->name = name;
    layer->filename = name + ".bmp";
    layer->bmp.Resize(20, 12);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x) layer->bmp.SetPixel(x, y, pixel(x, y));
    return *layer;
  }

  struct TState {
    std::vector<std::vector<TColor32>> pictures;
    std::vector<std::vector<TColor32>> frames;
  };

  // The layers' pictures, then five frames of playback.
  TState Capture() {
    TProject& project = *CurrentProject();
    BuildViewFromProject(project, host.view);
    TState state;
    for (const TBlendLayer* layer : project.layers)
      state.pictures.emplace_back(layer->bmp.Bits(),
                                  layer->bmp.Bits() + layer->bmp.Width() * layer->bmp.Height());
    TPlaybackState playback;
    for (int frame = 0; frame < 5; ++frame) {
      StepFrame(&project, host.view, nullptr, playback, {});
      const TBitmap32& shown = host.view.Buffer();
      state.frames.emplace_back(shown.Bits(), shown.Bits() + shown.Width() * shown.Height());
    }
    return state;
  }

  TState SaveAndReopen(const std::string& name) {
    const std::string path = Scratch(name);
    CurrentProject()->SaveAs(path);
    CloseProject();
    EXPECT_NE(OpenProjectFile(path), nullptr);
    return Capture();
  }
};

TEST_F(AlphaRoundTrip, LayersWithAlphaComeBackExactly) {
  auto* project = new TProject();
  project->width = 48;
  project->height = 36;
  // The bottom layer is a 32-bit bitmap with varying alpha: the view shows it
  // opaque, its stored picture keeps the alpha.
  OpenedLayer("bmp_rgba32.bmp", "bottom.bmp");
  TBlendLayer& png = OpenedLayer("png_rgba8.png", "ramp.png");
  png.posx = 1;
  png.SetMode(bmMultiply);
  TBlendLayer& psd = MemoryLayer("imported", [](int x, int y) {
    return Color32(std::uint8_t(x * 12), std::uint8_t(y * 20), 90, std::uint8_t(x * 13 + y));
  });
  psd.posy = -1;
  psd.x = 7;
  MemoryLayer("clear",
              [](int x, int y) { return Color32(std::uint8_t(x), std::uint8_t(y), 5, 0); });
  const TState original = Capture();
  ASSERT_EQ(original.pictures.size(), 4u);
  // The view made the bottom layer opaque, not its picture.
  EXPECT_NE(AlphaOf(original.pictures[0][0]), AlphaOf(original.pictures[0][39]));

  // The pictures opened from disk are gone by the next open: the archive is
  // all there is.
  const TState first = SaveAndReopen("first.zyl");
  std::filesystem::remove(dir / "bottom.bmp");
  std::filesystem::remove(dir / "ramp.png");
  const TState second = SaveAndReopen("second.zyl");
  for (const TState* state : {&first, &second}) {
    ASSERT_EQ(state->pictures.size(), original.pictures.size());
    for (std::size_t i = 0; i < original.pictures.size(); ++i)
      EXPECT_EQ(state->pictures[i], original.pictures[i]) << "picture of layer " << i;
    EXPECT_EQ(state->frames, original.frames);
  }
}

}  // namespace
}  // namespace quenvar::testing
