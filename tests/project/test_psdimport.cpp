// Importing PSD layers into a project: which layers, with what settings, as
// one undoable step, and a save and an open that give the same frames.
#include <cstring>

#include "compose/layerstack.h"
#include "formats/limits.h"
#include "project/layeredit.h"
#include "project/layerrecord.h"
#include "project/projectedit.h"
#include "project/projectview.h"
#include "project/psdimport.h"
#include "projecttestsupport.h"
#include "psd/psdimportmodel.h"
#include "psd/psdreader.h"

namespace quenvar::testing {
namespace {

TPsdImportModel ReadModel(const std::string& name) {
  RecordingLogSink quiet;
  ScopedLogSink scoped(&quiet);
  ReadPsdFile(QUENVAR_SOURCE_DIR "/tests/psd/fixtures/" + name);
  return PsdImportModelOf(tPsdImage());
}

std::vector<std::string> Names(const TProject& project) {
  std::vector<std::string> names;
  for (const TBlendLayer* layer : project.layers) names.push_back(layer->name);
  return names;
}

class PsdImportTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    OpenProject(40, 30);
  }
  void OpenProject(int width, int height) {
    host.view.SetClientSize(width, height);
    PrepareProjectView(host.view);
    project = new TProject();
    project->width = std::uint16_t(width);
    project->height = std::uint16_t(height);
    BuildViewFromProject(*project, host.view);
  }
  TBitmap32 Frame() {
    host.view.Compose();
    return host.view.Buffer();
  }
  TProjectEditPtr Import(const TPsdImportModel& model) {
    return AddLayersEdit(*project, PsdImportLayers(model), "Import PSD");
  }

  TProject* project = nullptr;
};

TEST_F(PsdImportTest, ShownPictureLayersAsTheDocumentHasThem) {
  const TPsdImportModel model = ReadModel("groups.psd");
  ASSERT_TRUE(Import(model));
  // Groups are no layers, and the hidden group's layer stays out.
  EXPECT_EQ(Names(*project), (std::vector<std::string>{"Grund", "Über 🎨", "Kind 日本"}));
  const TBlendLayer& kind = *project->layers[2];
  EXPECT_EQ(kind.filename, "Kind 日本.bmp");
  EXPECT_EQ(kind.number, 3);
  EXPECT_EQ(kind.x, 4);
  EXPECT_EQ(kind.y, 4);
  EXPECT_EQ(kind.x2, 0) << "not stretched";
  EXPECT_EQ(kind.picWidth, 2);
  EXPECT_EQ(kind.opacity, 255);
  EXPECT_EQ(kind.Mode(), bmNone);
  EXPECT_TRUE(SameSurface(kind.bmp, model.rows[4].picture));
  ASSERT_NE(kind.ALayer, nullptr);
  EXPECT_EQ(kind.ALayer->Location(), (TFloatRect{4, 4, 6, 6}));
  EXPECT_FALSE(kind.ALayer->Cropped());
  EXPECT_TRUE(project->modified);
  // The first layer of an empty project covers the canvas, as after an open.
  EXPECT_EQ(project->layers[0]->ALayer->Bitmap().Pixel(0, 0) >> 24, 255u);
}

TEST_F(PsdImportTest, WhatTheUserChangedInTheWindowIsWhatIsImported) {
  TPsdImportModel model = ReadModel("layers.psd");
  // Rows: Background, Offset, Hidden, Empty, Inside, Group, Masked, NNN...
  model.rows[0].ticked = false;
  model.rows[1].opacity = 40;
  model.rows[1].mode = bmDifference;
  model.rows[2].ticked = true;
  model.rows[6].place = TFloatRect{5, 6, 21, 14};  // moved and stretched to 16 x 8
  ASSERT_TRUE(Import(model));
  EXPECT_EQ(Names(*project), (std::vector<std::string>{"Offset", "Hidden", "Empty", "Inside",
                                                       "Masked", std::string(255, 'N')}));
  const TBlendLayer& offset = *project->layers[0];
  EXPECT_EQ(offset.opacity, 40);
  EXPECT_EQ(offset.Mode(), bmDifference);
  EXPECT_EQ(offset.ALayer->Bitmap().MasterAlpha(), 40u);
  const TBlendLayer& masked = *project->layers[4];
  EXPECT_EQ(masked.x, 5);
  EXPECT_EQ(masked.y, 6);
  EXPECT_EQ(masked.x2, 21);
  EXPECT_EQ(masked.y2, 14);
  EXPECT_EQ(masked.ALayer->Location(), (TFloatRect{5, 6, 21, 14}));
  EXPECT_EQ(project->layers[1]->Mode(), bmScreen) << "untouched rows keep the key's mode";
}

TEST_F(PsdImportTest, OneUndoStepTakesThemAllAndRedoBringsThemBack) {
  AddLayer(*project);
  auto& frame = host.view.Layers().Add<TRubberbandLayer>();
  project->modified = false;
  TProjectEditPtr edit = Import(ReadModel("twolayers.psd"));
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->Text(), "Import PSD");
  ASSERT_EQ(project->layers.size(), 3u);
  // The view layers stay below the selection frame, in project order.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(project->layers[std::size_t(i)]->ALayer->Index(), i);
  EXPECT_EQ(frame.Index(), 3);
  std::vector<TLayerRecord> after;
  for (const TBlendLayer* layer : project->layers) after.push_back(RecordLayer(*layer, true));
  const TBitmap32 importedFrame = Frame();

  edit->Undo(*project);
  EXPECT_EQ(Names(*project), (std::vector<std::string>{"Layer 1"}));
  EXPECT_FALSE(project->modified);
  EXPECT_EQ(host.view.Layers().Count(), 2);

  edit->Redo(*project);
  ASSERT_EQ(project->layers.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_TRUE(SameRecord(RecordLayer(*project->layers[i], true), after[i])) << i;
  EXPECT_TRUE(SameSurface(Frame(), importedFrame));
  // The imported layers on top of a layer are not made opaque.
  EXPECT_LT(project->layers[2]->ALayer->Bitmap().Pixel(0, 0) >> 24, 255u);
}

TEST_F(PsdImportTest, NothingToImportIsNoEdit) {
  TPsdImportModel model = ReadModel("twolayers.psd");
  for (TPsdImportRow& row : model.rows) row.ticked = false;
  EXPECT_EQ(Import(model), nullptr);
  EXPECT_TRUE(project->layers.empty());
  EXPECT_FALSE(project->modified);
}

TEST_F(PsdImportTest, ALayerThatCannotBeMadeTakesTheOthersWithIt) {
  TPsdImportModel model = ReadModel("twolayers.psd");
  std::vector<TNewLayer> layers = PsdImportLayers(model);
  // The second picture is too large for the view layer's surface.
  CurrentPictureLimits().maxPixels = 4;
  EXPECT_THROW(AddLayersEdit(*project, std::move(layers), "Import PSD"), Error);
  CurrentPictureLimits() = PictureLimits();
  EXPECT_TRUE(project->layers.empty());
  EXPECT_EQ(host.view.Layers().Count(), 0);
  EXPECT_FALSE(project->modified);
}

TEST_F(PsdImportTest, SaveThenOpenGivesTheSameFrames) {
  for (const char* name : {"layers.psd", "masks.psd", "groups.psd"}) {
    SCOPED_TRACE(name);
    TPsdImportModel model = ReadModel(name);
    for (TPsdImportRow& row : model.rows) row.ticked = true;  // hidden ones too
    ASSERT_TRUE(Import(model));
    const TBitmap32 before = Frame();
    const std::string path = Scratch(std::string(name) + ".zyl");
    project->SaveAs(path);
    const std::size_t count = project->layers.size();
    CloseProject();
    project = OpenProjectFile(path);
    ASSERT_NE(project, nullptr);
    BuildViewFromProject(*project, host.view);
    EXPECT_EQ(project->layers.size(), count);
    EXPECT_TRUE(SameSurface(Frame(), before));
    CloseProject();
    OpenProject(40, 30);
  }
}

}  // namespace
}  // namespace quenvar::testing
