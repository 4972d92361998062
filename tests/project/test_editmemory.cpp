// What edits keep in memory: the size each reports, a pixel edit holding one
// copy of what it changed, and the budget rule that drops the oldest steps.
#include <memory>

#include "largestallocation.h"
#include "project/layeredit.h"
#include "project/projectedit.h"
#include "project/undobudget.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

constexpr std::size_t kSurface = 300 * 200 * sizeof(TColor32);
constexpr std::size_t kFile = std::size_t(1) << 20;
// Records, texts and bookkeeping: far below a surface.
constexpr std::size_t kSmall = 4096;

class EditMemoryTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    host.hasView = true;
    project = new TProject();
    project->width = project->height = 64;
    host.RebuildView();
    layer = &AddLayer(*project);
    layer->bmp.Resize(300, 200);
    for (int i = 0; i < 300 * 200; ++i) layer->bmp.Bits()[i] = 0x80000000u + TColor32(i);
    layer->sourceBytes = std::make_shared<const std::vector<std::uint8_t>>(kFile, 7);
    layer->RefreshViewLayer();
  }
  TProject* project = nullptr;
  TBlendLayer* layer = nullptr;
};

TEST_F(EditMemoryTest, FieldEditsCountNoPixelsAndWholeLayersCountEverything) {
  auto opacity = EditLayer(*project, 0, TLayerScope::Fields, "Opacity",
                           [&](TBlendLayer& l) { SetLayerOpacity(*project, l, 9); });
  EXPECT_LT(opacity->Bytes(), kSmall) << "the file bytes stay with the layer";
  auto removal = DeleteLayerEdit(*project, 0);
  EXPECT_GE(removal->Bytes(), 2 * kSurface + kFile);
  EXPECT_LT(removal->Bytes(), 2 * kSurface + kFile + kSmall);
}

TEST_F(EditMemoryTest, ClearAlphaKeepsOneCopyOfTheViewAndTradesItWithoutCopying) {
  for (TLayerScope scope : {TLayerScope::ViewPixels, TLayerScope::WithPixels}) {
    LargestAllocation doing;
    TProjectEditPtr edit = EditLayer(*project, 0, scope, "Clear Alpha", ClearLayerAlpha);
    const std::size_t allocated = doing.TotalBytes();
    // The picture did not change: no state keeps a copy of it.
    EXPECT_GE(edit->Bytes(), kSurface);
    EXPECT_LT(edit->Bytes(), kSurface + kSmall);
    if (scope == TLayerScope::ViewPixels) {
      EXPECT_LT(allocated, kSurface + kSmall);
    }
    LargestAllocation undoing;
    edit->Undo(*project);
    edit->Redo(*project);
    edit->Undo(*project);
    EXPECT_LT(undoing.TotalBytes(), kSmall);
  }
}

TEST_F(EditMemoryTest, APictureOpenKeepsTheOldSurfacesAndCopiesNothingAfter) {
  TLayerRecord before = RecordLayer(*layer, true);
  OpenLayerPicture(*project, *layer, Fixture("a.png"));
  LargestAllocation watch;
  TProjectEditPtr edit = LayerChanged(*project, 0, std::move(before), "Open picture", false);
  EXPECT_LT(watch.TotalBytes(), kSmall);
  const std::size_t kept = 2 * kSurface + kFile + layer->sourceBytes->capacity();
  EXPECT_GE(edit->Bytes(), kept);
  EXPECT_LT(edit->Bytes(), kept + kSmall);
}

TEST(UndoBudget, AGibibyteOrAQuarterOfMemoryAndTheOldestStepsGoFirst) {
  constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
  EXPECT_EQ(DefaultUndoBudget(16 * kGiB), kGiB);
  EXPECT_EQ(DefaultUndoBudget(2 * kGiB), kGiB / 2);
  EXPECT_EQ(DefaultUndoBudget(0), kGiB) << "unknown memory";
  using TSizes = std::vector<std::size_t>;  // oldest first
  EXPECT_EQ(OldestStepsToDrop(TSizes{3, 3, 4}, 10), 0u);
  EXPECT_EQ(OldestStepsToDrop(TSizes{9, 1, 1, 1}, 10), 1u);
  EXPECT_EQ(OldestStepsToDrop(TSizes{1, 1, 9}, 9), 2u);
  EXPECT_EQ(OldestStepsToDrop(TSizes{1, 2, 11}, 10), 3u) << "the newest alone is too large";
  EXPECT_EQ(OldestStepsToDrop(TSizes{SIZE_MAX, 1}, SIZE_MAX), 1u);
}

}  // namespace
}  // namespace quenvar::testing
