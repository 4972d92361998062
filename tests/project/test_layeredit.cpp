// Editing a project's layers without a window: what each edit does to the
// project, its view and what a save writes, and undo and redo bringing back
// exactly the state before and after.
#include <functional>

#include "host/playback.h"
#include "project/framestep.h"
#include "project/layeredit.h"
#include "project/projectedit.h"
#include "project/projectview.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

class LayerEditTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    host.view.SetClientSize(32, 24);
    PrepareProjectView(host.view);
    project = new TProject();
    project->width = 32;
    project->height = 24;
    BuildViewFromProject(*project, host.view);
  }

  // A layer with a numbered picture, so moved and copied pixels can be told apart.
  TBlendLayer& Numbered(int w, int h, TColor32 base) {
    TBlendLayer& layer = AddLayer(*project);
    layer.bmp.Resize(w, h);
    for (int i = 0; i < w * h; ++i) layer.bmp.Bits()[i] = base + TColor32(i);
    layer.picWidth = std::uint16_t(w);
    layer.picHeight = std::uint16_t(h);
    layer.RefreshViewLayer();
    return layer;
  }
  TLayerCollection& Items() { return host.view.Layers(); }
  int ViewIndex(const TBlendLayer& layer) { return layer.ALayer ? layer.ALayer->Index() : -1; }

  TProject* project = nullptr;
};

TEST_F(LayerEditTest, NewLayersAreNumberedNamedAndGetNoneThenDodge) {
  TBlendLayer& first = AddLayer(*project);
  TBlendLayer& second = AddLayer(*project);
  EXPECT_EQ(first.name, "Layer 1");
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(first.Mode(), bmNone);
  EXPECT_EQ(second.name, "Layer 2");
  EXPECT_EQ(second.number, 2);
  EXPECT_EQ(second.Mode(), bmDodge);
  EXPECT_EQ(second.ALayer->Bitmap().DrawMode(), dmCustom);
  EXPECT_TRUE(second.ALayer->Bitmap().Empty());
  EXPECT_TRUE(project->modified);
}

// The selection frame sits above the view layers; a layer added while a layer
// is selected must still pair with its own view layer in the frame step.
TEST_F(LayerEditTest, ViewLayersStayBelowTheSelectionFrameInProjectOrder) {
  TBlendLayer& a = Numbered(4, 4, 0xFF000000u);
  auto& frame = Items().Add<TRubberbandLayer>();
  TBlendLayer& b = Numbered(4, 4, 0xFF100000u);
  b.posx = 1;
  EXPECT_EQ(ViewIndex(a), 0);
  EXPECT_EQ(ViewIndex(b), 1);
  EXPECT_EQ(frame.Index(), 2);
  ScrollViewLayers(*project, Items(), &frame);
  EXPECT_EQ(b.ALayer->Bitmap().Pixel(1, 0), 0xFF100000u) << "b scrolled by its own motion";
  EXPECT_EQ(a.ALayer->Bitmap().Pixel(1, 0), 0xFF000001u);
}

TEST_F(LayerEditTest, DeleteRenumbersSoNumbersArePlaces) {
  TBlendLayer& a = Numbered(2, 2, 0xFF000000u);
  Numbered(2, 2, 0xFF100000u);
  TBlendLayer& c = Numbered(2, 2, 0xFF200000u);
  c.posy = 1;
  project->modified = false;
  DeleteLayer(*project, 1);
  ASSERT_EQ(project->layers.size(), 2u);
  EXPECT_EQ(a.number, 1);
  EXPECT_EQ(c.number, 2);
  EXPECT_EQ(Items().Count(), 2);
  EXPECT_EQ(ViewIndex(c), 1);
  EXPECT_TRUE(project->modified);
  // The next new layer takes the next place.
  EXPECT_EQ(AddLayer(*project).number, 3);
}

TEST_F(LayerEditTest, DuplicateCopiesEveryFieldAndTheViewAsItIsNow) {
  TBlendLayer& source = Numbered(4, 3, 0xC0000000u);
  source.name = "clouds.png";
  source.filename = "/pics/clouds.png";
  source.sourceBytes = std::make_shared<const std::vector<std::uint8_t>>(3, 7);
  SetLayerMode(*project, source, bmMultiply);
  SetLayerOpacity(*project, source, 90);
  SetLayerMotion(*project, source, 1, -2);
  source.ALayer->SetLocation(TFloatRect{5, 6, 9, 9});
  source.ALayer->Bitmap().ScrollWrap(1, 0);  // a frame has played
  TBlendLayer& copy = DuplicateLayer(*project, 0);
  ASSERT_EQ(project->layers.back(), &copy);
  EXPECT_EQ(copy.number, 2);
  EXPECT_EQ(copy.name, "clouds.png");
  EXPECT_EQ(copy.filename, "/pics/clouds.png");
  EXPECT_EQ(copy.sourceBytes, source.sourceBytes);
  EXPECT_EQ(copy.Mode(), bmMultiply);
  EXPECT_EQ(copy.opacity, 90);
  EXPECT_EQ(copy.posx, 1);
  EXPECT_EQ(copy.posy, -2);
  EXPECT_EQ(copy.px, 1);
  EXPECT_EQ(copy.py, 0);
  EXPECT_EQ(copy.speed, source.speed);
  EXPECT_TRUE(SameSurface(copy.bmp, source.bmp));
  EXPECT_TRUE(SameSurface(copy.ALayer->Bitmap(), source.ALayer->Bitmap()));
  EXPECT_EQ(copy.ALayer->Bitmap().Pixel(0, 0), source.ALayer->Bitmap().Pixel(0, 0));
  EXPECT_EQ(copy.ALayer->Location(), source.ALayer->Location());
  EXPECT_EQ(copy.ALayer->Bitmap().MasterAlpha(), 90u);
}

// Restacking moves the layer with its motion: the frame step pairs view item i
// with project layer i, and the save writes the order shown.
TEST_F(LayerEditTest, RestackingKeepsEachLayerWithItsOwnMotionAndSavedOrder) {
  TBlendLayer& a = Numbered(4, 1, 0xFF000000u);
  TBlendLayer& b = Numbered(4, 1, 0xFF100000u);
  a.posx = 1;
  MoveLayer(*project, 1, 0);
  EXPECT_EQ(project->layers[0], &b);
  EXPECT_EQ(b.number, 1);
  EXPECT_EQ(a.number, 2);
  EXPECT_EQ(ViewIndex(b), 0);
  EXPECT_EQ(ViewIndex(a), 1);
  ScrollViewLayers(*project, Items(), nullptr);
  EXPECT_EQ(a.ALayer->Bitmap().Pixel(0, 0), 0xFF000003u);
  EXPECT_EQ(b.ALayer->Bitmap().Pixel(0, 0), 0xFF100000u);
  // Composed: b is drawn first now, a over it.
  host.view.Compose();
  EXPECT_EQ(host.view.Buffer().Pixel(1, 0), 0xFF000000u);
  project->BuildDescription();
  std::string xml;
  for (const auto& line : project->description) xml += line;
  EXPECT_LT(xml.find("name =\"Layer 2\""), xml.find("name =\"Layer 1\""));
}

TEST_F(LayerEditTest, OpacityZeroDrawsNothingAndClearAlphaLeavesTheSavedPicture) {
  TBlendLayer& bottom = Numbered(2, 2, 0xFF000000u);
  TBlendLayer& top = Numbered(2, 2, 0x80FF0000u);
  SetLayerMode(*project, top, bmNone);
  SetLayerOpacity(*project, top, 0);
  EXPECT_EQ(top.ALayer->Bitmap().MasterAlpha(), 0u);
  host.view.Compose();
  EXPECT_EQ(host.view.Buffer().Pixel(0, 0), bottom.ALayer->Bitmap().Pixel(0, 0));

  SetLayerOpacity(*project, top, 100);
  project->modified = false;
  ClearLayerAlpha(top);
  EXPECT_EQ(top.ALayer->Bitmap().MasterAlpha(), 255u);
  EXPECT_EQ(AlphaOf(top.ALayer->Bitmap().Pixel(1, 1)), 255u);
  EXPECT_EQ(top.opacity, 100);
  EXPECT_EQ(AlphaOf(top.bmp.Pixel(1, 1)), 0x80u);
  EXPECT_FALSE(project->modified);
  host.view.Compose();
  EXPECT_EQ(host.view.Buffer().Pixel(0, 0), 0xFFFF0000u);
}

TEST_F(LayerEditTest, ResetsMotionAndPlacement) {
  TBlendLayer& layer = Numbered(6, 4, 0xFF000000u);
  SetLayerMotion(*project, layer, -3, 2);
  EXPECT_EQ(layer.px, 0);
  EXPECT_EQ(layer.py, 1);
  EXPECT_EQ(layer.mx, 1);
  EXPECT_EQ(layer.my, 1);
  ResetLayerMotion(*project, layer);
  EXPECT_EQ(layer.posx, 0);
  EXPECT_EQ(layer.posy, 0);
  MoveLayerBy(*project, layer, 10, -3);
  EXPECT_EQ(layer.ALayer->Location(), (TFloatRect{10, -3, 16, 1}));
  EXPECT_EQ(layer.x, 10);
  EXPECT_EQ(layer.y, -3);
  ResetLayerPosition(*project, layer);
  EXPECT_EQ(layer.ALayer->Location(), (TFloatRect{0, 0, 6, 4}));
  EXPECT_EQ(layer.x, 0);
  SetLayerMotion(*project, layer, 2, 1);
  project->modified = false;
  StopLayerMotion(*project, layer);
  EXPECT_TRUE(project->modified);
  project->modified = false;
  StopLayerMotion(*project, layer);
  EXPECT_FALSE(project->modified) << "nothing changed";
}

// Everything an edit could touch: each layer with its pixels, the view's
// order and the modified flag.
struct TProjectState {
  std::vector<TLayerRecord> layers;
  std::vector<int> viewOrder;
  bool modified = false;
};

TProjectState StateOf(TProject& project, TLayerCollection& items) {
  TProjectState s;
  for (const TBlendLayer* layer : project.layers) s.layers.push_back(RecordLayer(*layer, true));
  for (int i = 0; i < items.Count(); ++i) {
    int owner = -1;
    for (std::size_t j = 0; j < project.layers.size(); ++j)
      if (project.layers[j]->ALayer == &items[i]) owner = int(j);
    s.viewOrder.push_back(owner);
  }
  s.modified = project.modified;
  return s;
}

::testing::AssertionResult Same(const TProjectState& a, const TProjectState& b) {
  if (a.layers.size() != b.layers.size())
    return ::testing::AssertionFailure() << a.layers.size() << " layers, not " << b.layers.size();
  for (std::size_t i = 0; i < a.layers.size(); ++i)
    if (!SameRecord(a.layers[i], b.layers[i]))
      return ::testing::AssertionFailure() << "layer " << i << " differs";
  if (a.viewOrder != b.viewOrder) return ::testing::AssertionFailure() << "view order differs";
  if (a.modified != b.modified) return ::testing::AssertionFailure() << "modified differs";
  return ::testing::AssertionSuccess();
}

struct EditCase {
  const char* name;
  std::function<TProjectEditPtr(TProject&)> edit;
};

class UndoRedo : public LayerEditTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(UndoRedo, UndoGivesBackTheStateBeforeAndRedoTheStateAfter) {
  Numbered(5, 4, 0xFF000000u);
  TBlendLayer& middle = Numbered(3, 3, 0x40100000u);
  SetLayerMotion(*project, middle, 1, 1);
  middle.ALayer->Bitmap().ScrollWrap(1, 1);
  Numbered(2, 6, 0xFF200000u);
  Items().Add<TRubberbandLayer>();
  project->modified = false;

  const TProjectState before = StateOf(*project, Items());
  TProjectEditPtr edit = GetParam().edit(*project);
  ASSERT_TRUE(edit);
  const TProjectState after = StateOf(*project, Items());
  EXPECT_FALSE(Same(before, after)) << "the edit changed nothing";
  for (int round = 0; round < 2; ++round) {
    edit->Undo(*project);
    EXPECT_TRUE(Same(StateOf(*project, Items()), before)) << "after undo " << round;
    edit->Redo(*project);
    EXPECT_TRUE(Same(StateOf(*project, Items()), after)) << "after redo " << round;
  }
}

std::function<TProjectEditPtr(TProject&)> OnMiddle(TLayerScope scope,
                                                   std::function<void(TProject&, TBlendLayer&)> f) {
  return [scope, f](TProject& p) {
    return EditLayer(p, 1, scope, "edit", [&](TBlendLayer& layer) { f(p, layer); });
  };
}

const EditCase kEdits[] = {
    {"Add", [](TProject& p) { return AddLayerEdit(p); }},
    {"DeleteBottom", [](TProject& p) { return DeleteLayerEdit(p, 0); }},
    {"DeleteMiddle", [](TProject& p) { return DeleteLayerEdit(p, 1); }},
    {"DeleteTop", [](TProject& p) { return DeleteLayerEdit(p, 2); }},
    {"Duplicate", [](TProject& p) { return DuplicateLayerEdit(p, 1); }},
    {"MoveDown", [](TProject& p) { return MoveLayerEdit(p, 2, 0); }},
    {"MoveUp", [](TProject& p) { return MoveLayerEdit(p, 0, 1); }},
    {"Mode",
     OnMiddle(TLayerScope::Fields, [](TProject& p, TBlendLayer& l) { SetLayerMode(p, l, bmHue); })},
    {"Opacity",
     OnMiddle(TLayerScope::Fields, [](TProject& p, TBlendLayer& l) { SetLayerOpacity(p, l, 0); })},
    {"Motion", OnMiddle(TLayerScope::Fields,
                        [](TProject& p, TBlendLayer& l) { SetLayerMotion(p, l, -4, 3); })},
    {"ResetMotion",
     OnMiddle(TLayerScope::Fields, [](TProject& p, TBlendLayer& l) { ResetLayerMotion(p, l); })},
    {"ResetPosition", OnMiddle(TLayerScope::Fields,
                               [](TProject& p, TBlendLayer& l) {
                                 MoveLayerBy(p, l, 3, 3);
                                 ResetLayerPosition(p, l);
                                 l.x = 7;
                               })},
    {"Move",
     OnMiddle(TLayerScope::Fields, [](TProject& p, TBlendLayer& l) { MoveLayerBy(p, l, -10, 4); })},
    {"ClearAlpha", OnMiddle(TLayerScope::WithPixels,
                            [](TProject& p, TBlendLayer& l) {
                              ClearLayerAlpha(l);
                              p.modified = true;
                            })},
    {"ClearAlphaOfTheView", OnMiddle(TLayerScope::ViewPixels,
                                     [](TProject& p, TBlendLayer& l) {
                                       ClearLayerAlpha(l);
                                       p.modified = true;
                                     })},
    {"OpenPicture", OnMiddle(TLayerScope::WithPixels,
                             [](TProject& p, TBlendLayer& l) {
                               MoveLayerBy(p, l, 2, 1);
                               OpenLayerPicture(p, l, Fixture("e.png"));
                             })},
};

INSTANTIATE_TEST_SUITE_P(Edits, UndoRedo, ::testing::ValuesIn(kEdits),
                         [](const ::testing::TestParamInfo<EditCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(LayerEditTest, UndoingAPictureOpenBringsBackTheOldPictureAndMotion) {
  TBlendLayer& layer = Numbered(3, 2, 0xFF000000u);
  SetLayerMotion(*project, layer, 2, 0);
  project->modified = false;
  const TProjectState before = StateOf(*project, Items());
  TProjectEditPtr edit =
      EditLayer(*project, 0, TLayerScope::WithPixels, "Open picture",
                [&](TBlendLayer& l) { OpenLayerPicture(*project, l, Fixture("a.png")); });
  EXPECT_EQ(layer.posx, 0);
  EXPECT_EQ(layer.name, "a.png");
  EXPECT_EQ(layer.bmp.Width(), 8);
  edit->Undo(*project);
  EXPECT_TRUE(Same(StateOf(*project, Items()), before));
  EXPECT_EQ(layer.posx, 2);
}

TEST_F(LayerEditTest, ConsecutiveFieldEditsOfOneKindFoldIntoOne) {
  Numbered(3, 2, 0xFF000000u);
  project->modified = false;
  const TProjectState before = StateOf(*project, Items());
  auto nudge = [&](int dx) {
    return EditLayer(*project, 0, TLayerScope::Fields, "Move layer",
                     [&](TBlendLayer& l) { MoveLayerBy(*project, l, dx, 0); });
  };
  TProjectEditPtr first = nudge(1);
  EXPECT_TRUE(first->MergeWith(*nudge(10)));
  EXPECT_EQ(project->layers[0]->x, 11);
  auto other = EditLayer(*project, 0, TLayerScope::Fields, "Opacity",
                         [&](TBlendLayer& l) { SetLayerOpacity(*project, l, 3); });
  EXPECT_FALSE(first->MergeWith(*other));
  other->Undo(*project);
  first->Undo(*project);
  EXPECT_TRUE(Same(StateOf(*project, Items()), before));
}

}  // namespace
}  // namespace quenvar::testing
