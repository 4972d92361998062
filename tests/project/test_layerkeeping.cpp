// A layer keeps the size and place the user gave it: moved by any route, then
// the view rebuilt as Canvas Size does, saved and opened again, it is drawn
// exactly as before; a picture that fails to open costs it nothing.
#include <functional>

#include "formats/formatlist.h"
#include "project/layeredit.h"
#include "project/projectedit.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

class LayerKeepingTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    PrepareProjectView(host.view);
    auto* project = new TProject();
    project->width = 40;
    project->height = 30;
    host.RebuildView();
  }
  TBlendLayer& Layer(int i) { return *CurrentProject()->layers.at(std::size_t(i)); }
  std::vector<TColor32> Composed() {
    host.view.Compose();
    const TBitmap32& b = host.view.Buffer();
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
  }
  // Saves, closes, and opens the file again into a view, as Open does.
  void SaveAndReopen() {
    CurrentProject()->SaveAs(Scratch("keep.zyl"));
    CloseProject();
    ASSERT_NE(OpenProjectFile(Scratch("keep.zyl")), nullptr);
    host.RebuildView();
  }
};

TEST_F(LayerKeepingTest, AStretchedLayerKeepsItsRectangleByEveryRoute) {
  using TMove = std::function<void(TProject&, TBlendLayer&)>;
  auto drag = [](TFloatRect to) {
    return [to](TProject& p, TBlendLayer& l) {
      l.ALayer->SetLocation(to);
      CommitLayerPlacement(p, l);
    };
  };
  const std::pair<TMove, TFloatRect> routes[] = {
      {drag({7, 7, 23, 13}), {7, 7, 23, 13}},  // the frame dragged
      {drag({2, 3, 24, 11}), {2, 3, 24, 11}},  // the frame resized
      {[](TProject& p, TBlendLayer& l) { MoveLayerBy(p, l, -3, 7); }, {-1, 10, 15, 16}},
      {[](TProject& p, TBlendLayer& l) { ResetLayerPosition(p, l); }, {0, 0, 16, 6}},
  };
  for (const auto& [move, expected] : routes) {
    SCOPED_TRACE(::testing::PrintToString(expected.Left));
    CloseProject();
    SetUp();
    // A bottom layer at its picture's size and one drawn twice as wide.
    std::vector<TNewLayer> layers(2);
    for (TNewLayer& spec : layers) {
      spec.filename = Fixture("a.png");
      spec.picture.LoadPictureFile(spec.filename);
    }
    layers[0].place = TFloatRect{0, 0, 8, 6};
    layers[1].place = TFloatRect{2, 3, 18, 9};
    layers[1].mode = bmDifference;
    AddLayers(*CurrentProject(), std::move(layers));
    SaveAndReopen();

    move(*CurrentProject(), Layer(1));
    ASSERT_EQ(Layer(1).ALayer->Location(), expected);
    const std::vector<TColor32> drawn = Composed();
    host.RebuildView();
    EXPECT_EQ(Layer(1).ALayer->Location(), expected);
    EXPECT_EQ(Composed(), drawn);
    SaveAndReopen();
    EXPECT_EQ(Layer(1).ALayer->Location(), expected);
    EXPECT_EQ(Composed(), drawn);
  }
}

TEST_F(LayerKeepingTest, APictureThatFailsToOpenLeavesTheLayerAndTheNextSaveAlone) {
  std::filesystem::copy_file(Fixture("a.png"), dir / "good.png");
  TBlendLayer& layer = AddLayer(*CurrentProject());
  OpenLayerPicture(*CurrentProject(), layer, Scratch("good.png"));
  const TLayerRecord before = RecordLayer(layer, true);
  std::vector<std::uint8_t> half = ReadBytes(Fixture("a.png"));
  half.resize(half.size() / 2);
  WriteBytes(Scratch("damaged.png"), half);
  WriteBytes(Scratch("damaged.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F'});

  for (const char* bad : {"damaged.png", "damaged.jpg", "missing.png"}) {
    SCOPED_TRACE(bad);
    CurrentProject()->modified = false;
    EXPECT_THROW(OpenLayerPicture(*CurrentProject(), layer, Scratch(bad)), std::exception);
    EXPECT_TRUE(SameRecord(RecordLayer(layer, true), before));
    EXPECT_FALSE(CurrentProject()->modified);
  }
  EXPECT_EQ(Lines().back(), "# Error : Unable to load jpeg :" + LowerAscii(Scratch("damaged.jpg")));

  SaveAndReopen();
  EXPECT_EQ(Layer(0).name, "good.png");
  ASSERT_NE(Layer(0).sourceBytes, nullptr);
  EXPECT_EQ(*Layer(0).sourceBytes, ReadBytes(Fixture("a.png")));
  EXPECT_TRUE(SameSurface(Layer(0).bmp, before.picture));
}

}  // namespace
}  // namespace quenvar::testing
