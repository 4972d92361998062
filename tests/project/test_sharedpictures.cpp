// A layer's picture and its view layer hold one copy of the pixels between
// them; whatever writes gives each side what it had before.
#include <algorithm>
#include <utility>

#include "project/framestep.h"
#include "project/layeredit.h"
#include "project/projectedit.h"
#include "project/projectview.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

std::vector<TColor32> PixelsOf(const TBitmap32& b) {
  const TColor32* p = b.Bits();
  return std::vector<TColor32>(p, p + std::size_t(b.Width()) * std::size_t(b.Height()));
}

bool Opaque(const TBitmap32& b) {
  const auto pixels = PixelsOf(b);
  return std::all_of(pixels.begin(), pixels.end(), [](TColor32 p) { return p >> 24 == 255; });
}

class SharedPicturesTest : public ProjectTest {
 protected:
  TProject* OpenWithView(const std::string& path) {
    host.hasView = true;
    PrepareProjectView(host.view);
    TProject* project = OpenProjectFile(path);
    if (project) host.RebuildView();
    return project;
  }
};

TEST_F(SharedPicturesTest, OpenedLayersShareTheirPicturesWithTheView) {
  TProject* project = OpenWithView(Fixture("handmade.zyl"));
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), 2u);
  std::vector<std::vector<TColor32>> pictures;
  for (std::size_t i = 0; i < project->layers.size(); ++i) {
    const TBlendLayer& layer = *project->layers[i];
    ASSERT_NE(layer.ALayer, nullptr);
    const TBitmap32& view = layer.ALayer->Bitmap();
    // The bottom layer is made opaque: it keeps sharing only when its
    // picture already is.
    const bool shares = i > 0 || Opaque(layer.bmp);
    EXPECT_EQ(view.SharesPixelsWith(layer.bmp), shares) << i;
    EXPECT_EQ(view.Store().data == layer.bmp.Store().data, shares) << i;
    pictures.push_back(PixelsOf(layer.bmp));
  }

  // Playing moves no pixels: the stores stay shared and the pictures whole.
  project->layers[1]->posx = 3;
  project->layers[1]->posy = 1;
  ScrollViewLayers(*project, host.view.Layers(), nullptr, 25);
  EXPECT_TRUE(project->layers[1]->ALayer->Bitmap().SharesPixelsWith(project->layers[1]->bmp));
  // Drawing it stretched puts the view's pixels in order, in its own store.
  host.view.RepaintNow();
  for (std::size_t i = 0; i < project->layers.size(); ++i)
    EXPECT_EQ(PixelsOf(project->layers[i]->bmp), pictures[i]) << i;
}

TEST_F(SharedPicturesTest, ClearAlphaWritesOnlyTheViewAndUndoBringsItBack) {
  auto* project = new TProject();
  project->width = 16;
  project->height = 8;
  host.hasView = true;
  PrepareProjectView(host.view);
  host.view.SetClientSize(16, 8);
  BuildViewFromProject(*project, host.view);
  AddLayer(*project);
  TBlendLayer& layer = AddLayer(*project);
  layer.bmp.Resize(4, 3);
  for (int i = 0; i < 12; ++i) layer.bmp.Bits()[i] = (TColor32(i * 20) << 24) | TColor32(i);
  layer.RefreshViewLayer();
  const auto picture = PixelsOf(layer.bmp);
  ASSERT_TRUE(layer.ALayer->Bitmap().SharesPixelsWith(layer.bmp));

  TProjectEditPtr edit = EditLayer(*project, 1, TLayerScope::ViewPixels, "Clear alpha",
                                   [](TBlendLayer& l) { ClearLayerAlpha(l); });
  EXPECT_EQ(PixelsOf(layer.bmp), picture);
  EXPECT_TRUE(Opaque(layer.ALayer->Bitmap()));
  edit->Undo(*project);
  EXPECT_EQ(PixelsOf(layer.ALayer->Bitmap()), picture);
  EXPECT_EQ(PixelsOf(layer.bmp), picture);
  edit->Redo(*project);
  EXPECT_TRUE(Opaque(layer.ALayer->Bitmap()));
  EXPECT_EQ(PixelsOf(layer.bmp), picture);
}

// A save after playing writes the layer's own picture, not the moved view.
TEST_F(SharedPicturesTest, SavedPicturesAreTheUnscrolledOnes) {
  auto* project = new TProject();
  project->width = 16;
  project->height = 8;
  host.hasView = true;
  PrepareProjectView(host.view);
  host.view.SetClientSize(16, 8);
  BuildViewFromProject(*project, host.view);
  AddLayer(*project);
  TBlendLayer& layer = AddLayer(*project);
  layer.bmp.Resize(5, 3);
  for (int i = 0; i < 15; ++i) layer.bmp.Bits()[i] = 0xFF000000u | TColor32(i * 4099);
  layer.filename = "moved.bmp";
  layer.RefreshViewLayer();
  layer.posx = 2;
  layer.posy = 1;
  ScrollViewLayers(*project, host.view.Layers(), nullptr, 3);
  const auto picture = PixelsOf(layer.bmp);
  const auto view = PixelsOf(layer.ALayer->Bitmap());
  EXPECT_NE(view, picture);
  const std::string path = Scratch("moved.zyl");
  project->SaveAs(path);
  CloseProject();

  TProject* loaded = OpenProjectFile(path);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->layers.size(), 2u);
  EXPECT_EQ(PixelsOf(loaded->layers[1]->bmp), picture);
}

}  // namespace
}  // namespace quenvar::testing
