// The open project, its layers' defaults and numbering, and closing it.
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

using ProjectModelTest = ProjectTest;

TEST_F(ProjectModelTest, NewProjectIsOpenAndEmpty) {
  auto* project = new TProject();
  EXPECT_EQ(CurrentProject(), project);
  EXPECT_EQ(project->name, "New Project");
  EXPECT_EQ(project->fileName, "untitled.zyl");
  EXPECT_TRUE(project->layers.empty());
  EXPECT_TRUE(project->comment.empty());
  EXPECT_EQ(project->width, 0);
  EXPECT_EQ(project->height, 0);
  EXPECT_FALSE(project->modified);
}

TEST_F(ProjectModelTest, LayerDefaultsFollowTheLayerCount) {
  new TProject();
  const std::int32_t speeds[] = {2, 3, 0, 2, 0, 1, 2, 0};
  for (int n = 1; n <= 8; ++n) {
    auto* layer = new TBlendLayer();
    EXPECT_EQ(layer->speed, speeds[n - 1]) << "layer " << n;
    EXPECT_EQ(layer->name, "Layer " + std::to_string(n));
  }
  const TBlendLayer& third = *CurrentProject()->layers[2];
  EXPECT_EQ(third.opacity, 255);
  EXPECT_EQ(third.px, 1);
  EXPECT_EQ(third.py, 1);
  EXPECT_EQ(third.Mode(), bmNone);
  EXPECT_EQ(third.ALayer, nullptr);
}

TEST_F(ProjectModelTest, LayerWithoutOpenProjectIsRefused) {
  EXPECT_THROW(TBlendLayer(), Error);
}

TEST_F(ProjectModelTest, DestroyedLayersLeaveTheListAndNumbersStay) {
  auto* project = new TProject();
  for (int n = 1; n <= 3; ++n) (new TBlendLayer())->number = n;
  delete project->layers[1];
  ASSERT_EQ(project->layers.size(), 2u);
  EXPECT_EQ(project->layers[0]->number, 1);
  EXPECT_EQ(project->layers[1]->number, 3);
  // The next layer is numbered by the count after adding: 3 again.
  auto* next = new TBlendLayer();
  next->number = int(project->layers.size());
  EXPECT_EQ(next->number, 3);
  EXPECT_EQ(next->name, "Layer 3");
}

TEST_F(ProjectModelTest, CloseProjectRunsItsStepsThroughTheHost) {
  new TProject();
  for (int n = 1; n <= 3; ++n) (new TBlendLayer())->number = n;
  host.rows = 3;
  CloseProject();
  EXPECT_EQ(CurrentProject(), nullptr);
  const std::vector<std::string> expected = {"hide panel", "stop",  "events", "sleep 10",
                                             "row 2",      "row 1", "row 0"};
  EXPECT_EQ(host.calls, expected);
}

TEST_F(ProjectModelTest, CloseProjectEndsWithNoProjectWhenARowFails) {
  struct FailingHost : TTestHost {
    void DestroyLayerRow(int) override { throw Error("row gone"); }
  } failing;
  failing.rows = 2;
  SetProjectHost(&failing);
  new TProject();
  new TBlendLayer();
  new TBlendLayer();
  EXPECT_NO_THROW(CloseProject());
  EXPECT_EQ(CurrentProject(), nullptr);
  SetProjectHost(&host);
}

TEST_F(ProjectModelTest, ViewLayerIsForgottenWhenTheViewDropsIt) {
  host.hasView = true;
  new TProject();
  auto* layer = new TBlendLayer();
  layer->CreateViewLayer(false);
  ASSERT_NE(layer->ALayer, nullptr);
  host.view.Layers().Clear();
  EXPECT_EQ(layer->ALayer, nullptr);
  layer->SetMode(bmMultiply);  // no view layer: only the field changes
  EXPECT_EQ(layer->Mode(), bmMultiply);
}

}  // namespace
}  // namespace quenvar::testing
