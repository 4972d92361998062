// Saving and opening a .zyl with a progress report that stops them: the old
// file stays as it was and no half-loaded project stays open.
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

using StoppedWorkTest = ProjectTest;

TEST_F(StoppedWorkTest, StoppedSaveKeepsTheOldFileAndStoppedOpenLeavesNoProject) {
  auto* project = new TProject();
  for (int i = 0; i < 3; ++i) {
    auto* layer = new TBlendLayer();
    layer->filename = "layer" + std::to_string(i) + ".bmp";
    layer->bmp.Resize(4 + i, 3);
    layer->bmp.FillAll(0xFF102030u * std::uint32_t(i + 1));
  }
  const std::string path = Scratch("keep.zyl");
  project->SaveAs(path);
  const auto good = ReadBytes(path);
  project->layers[0]->opacity = 9;
  project->modified = true;
  EXPECT_THROW(
      project->SaveAs(Scratch("other.zyl"), [](std::int64_t, std::int64_t) { return false; }),
      Cancelled);
  EXPECT_FALSE(std::filesystem::exists(Scratch("other.zyl")));
  EXPECT_EQ(project->fileName, path);
  EXPECT_THROW(project->Save([](std::int64_t, std::int64_t) { return false; }), Cancelled);
  EXPECT_EQ(ReadBytes(path), good);
  EXPECT_TRUE(project->modified);
  CloseProject();

  int calls = 0;
  EXPECT_THROW(OpenProjectFile(path, [&](std::int64_t, std::int64_t) { return calls++ < 2; }),
               Cancelled);
  EXPECT_EQ(CurrentProject(), nullptr);
  std::vector<std::int64_t> seen;
  TProject* again = OpenProjectFile(path, [&](std::int64_t done, std::int64_t total) {
    EXPECT_EQ(total, 3);
    seen.push_back(done);
    return true;
  });
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(seen, (std::vector<std::int64_t>{0, 1, 2, 3}));
  EXPECT_EQ(again->layers.size(), 3u);
}

// A save as that fails keeps the name the project had, so the next Save
// neither writes to the failed place nor skips asking for a name.
TEST_F(StoppedWorkTest, AFailedSaveAsKeepsTheProjectsFileName) {
  auto* project = new TProject();
  auto* layer = new TBlendLayer();
  layer->filename = "layer.bmp";
  layer->bmp.Resize(2, 2);
  EXPECT_THROW(project->SaveAs(Scratch("missing/x.zyl")), Error);
  EXPECT_EQ(project->fileName, "untitled.zyl");
  project->SaveAs(Scratch("x.zyl"));
  EXPECT_EQ(project->fileName, Scratch("x.zyl"));
  EXPECT_THROW(project->SaveAs(Scratch("missing/y.zyl")), Error);
  EXPECT_EQ(project->fileName, Scratch("x.zyl"));
}

}  // namespace
}  // namespace quenvar::testing
