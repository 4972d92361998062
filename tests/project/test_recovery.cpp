// Recovery files: a snapshot of the open project written as a project
// archive, read back by Open, with the project's own name and edit time.
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "project/recovery.h"
#include "project/zylarchive.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

// Each layer as the view draws it (its placement rather than the raw fields,
// which a save fills in from it), pixels included.
std::vector<std::string> StatesOf(const TProject& p) {
  std::vector<std::string> states;
  for (const TBlendLayer* l : p.layers) {
    const TBlendLayer::TPlacement at = l->ViewPlacement();
    std::ostringstream out;
    out << l->name << " mode " << int(l->Mode()) << " opacity " << l->opacity << " place "
        << at.left << "," << at.top << "," << at.right << "," << at.bottom << " pos " << l->posx
        << "," << l->posy << " speed " << l->speed << " m " << int(l->mx) << int(l->my) << " p "
        << int(l->px) << int(l->py) << " picture " << l->bmp.Width() << "x" << l->bmp.Height();
    if (!l->bmp.Empty())
      for (int i = 0; i < l->bmp.Width() * l->bmp.Height(); ++i) out << " " << l->bmp.Bits()[i];
    states.push_back(out.str());
  }
  return states;
}

class RecoveryTest : public ProjectTest {
 protected:
  TBlendLayer* PictureLayer(const std::string& fixture, const std::string& as) {
    std::filesystem::create_directories((dir / as).parent_path());
    std::filesystem::copy_file(Fixture(fixture), dir / as);
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->OpenPictureFile(Scratch(as));
    return layer;
  }
  // A layer with pixels and no bytes behind them, as a PSD import makes.
  TBlendLayer* PixelLayer(const std::string& filename, int w, int h) {
    auto* layer = new TBlendLayer();
    layer->filename = filename;
    layer->bmp.Resize(w, h);
    for (int i = 0; i < w * h; ++i) layer->bmp.Bits()[i] = TColor32(0x40302010u * (i + 1) + i);
    layer->picWidth = std::uint16_t(w);
    layer->picHeight = std::uint16_t(h);
    return layer;
  }
  TProject& Reopen(const std::string& path) {
    CloseProject();
    TProject* project = OpenProjectFile(path);
    EXPECT_NE(project, nullptr);
    return *project;
  }
};

TEST_F(RecoveryTest, WhatIsOnScreenComesBackFromTheFile) {
  auto* project = new TProject();
  project->name = "Harbour";
  project->width = 64;
  project->height = 48;
  project->fileName = Scratch("harbour.zyl");
  TBlendLayer* a = PictureLayer("a.png", "pics/a.png");
  TBlendLayer* b = PictureLayer("b.jpg", "b.jpg");
  TBlendLayer* same = PictureLayer("a.png", "other/a.png");  // another picture named a.png
  auto* twin = new TBlendLayer();  // a duplicate shares its picture's bytes
  twin->filename = a->filename;
  twin->sourceBytes = a->sourceBytes;
  twin->bmp = a->bmp;
  PixelLayer("Shadow.bmp", 5, 3);
  PixelLayer("Glow.jpg", 2, 2);  // no JPEG bytes behind these pixels
  auto* empty = new TBlendLayer();
  empty->filename = "gone.png";
  a->SetMode(bmHardlight);
  a->opacity = 17;
  a->x = -5;
  a->y = 7;
  a->x2 = 40;
  a->y2 = 30;
  a->posx = -3;
  a->posy = 2;
  a->mx = 1;
  a->px = 0;
  b->SetMode(bmBlurBlend);
  b->speed = 9;
  same->opacity = 0;
  (void)empty;
  const std::vector<std::string> before = StatesOf(*project);

  const TRecoverySnapshot snapshot = TakeRecoverySnapshot(*project, 1796879950);
  // The pictures' files may go away after the snapshot: it needs none of them.
  std::filesystem::remove_all(dir / "pics");
  std::filesystem::remove_all(dir / "other");
  std::filesystem::remove(dir / "b.jpg");
  const std::string path = Scratch("recovery-1.zyl");
  WriteRecoveryFile(snapshot, path);

  EXPECT_EQ(TZylArchive(path).EntryNames(),
            (std::vector<std::string>{"project.xml", "recovery.txt", "a.png", "b.jpg", "a-2.png",
                                      "Shadow.bmp", "layer-6.bmp"}));
  const std::optional<TRecoveryInfo> info = ReadRecoveryInfo(path);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->fileName, Scratch("harbour.zyl"));
  EXPECT_EQ(info->name, "Harbour");
  EXPECT_EQ(info->editedAt, std::time_t(1796879950));

  TProject& back = Reopen(path);
  EXPECT_EQ(back.name, "Harbour");
  EXPECT_EQ(back.width, 64);
  EXPECT_EQ(back.height, 48);
  EXPECT_EQ(StatesOf(back), before);
}

TEST_F(RecoveryTest, ASnapshotDoesNotFollowLaterEdits) {
  auto* project = new TProject();
  TBlendLayer* a = PictureLayer("a.png", "a.png");
  TBlendLayer* p = PixelLayer("p.bmp", 3, 3);
  const std::vector<std::string> before = StatesOf(*project);
  const TRecoverySnapshot snapshot = TakeRecoverySnapshot(*project, 0);
  a->SetMode(bmDodge);
  a->x = 9;
  a->OpenPictureFile(Fixture("c.bmp"));
  p->bmp.Bits()[4] = 0;
  const std::string path = Scratch("r.zyl");
  WriteRecoveryFile(snapshot, path);
  EXPECT_EQ(StatesOf(Reopen(path)), before);
}

TEST_F(RecoveryTest, AdoptedProjectIsUnsavedUnderItsOwnName) {
  auto* project = new TProject();
  PixelLayer("p.bmp", 2, 2);
  const std::string path = Scratch("r.zyl");
  WriteRecoveryFile(TakeRecoverySnapshot(*project, 5), path);
  const std::optional<TRecoveryInfo> untitled = ReadRecoveryInfo(path);
  ASSERT_TRUE(untitled);
  EXPECT_EQ(untitled->fileName, "");

  TProject& back = Reopen(path);
  EXPECT_EQ(back.fileName, path);
  EXPECT_FALSE(back.modified);
  AdoptRecoveredProject(back, *untitled);
  EXPECT_EQ(back.fileName, "untitled.zyl");
  EXPECT_TRUE(back.modified);
  AdoptRecoveredProject(back, TRecoveryInfo{"/w/show.zyl", "Show", 5});
  EXPECT_EQ(back.fileName, "/w/show.zyl");
}

TEST_F(RecoveryTest, InfoKeepsAwkwardNamesAndOrdinaryProjectsHaveNone) {
  auto* project = new TProject();
  project->name = "two\nlines \\n and \\ back\r";
  project->fileName = "/tmp/odd\\dir/a\nb.zyl";
  const std::string path = Scratch("r.zyl");
  WriteRecoveryFile(TakeRecoverySnapshot(*project, -1), path);
  const std::optional<TRecoveryInfo> info = ReadRecoveryInfo(path);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->name, project->name);
  EXPECT_EQ(info->fileName, project->fileName);
  EXPECT_EQ(info->editedAt, std::time_t(-1));

  EXPECT_FALSE(ReadRecoveryInfo(std::string(QUENVAR_SOURCE_DIR) + "/examples/demo.zyl"));
  EXPECT_FALSE(ReadRecoveryInfo(Fixture("not_zip.zyl")));
  EXPECT_FALSE(ReadRecoveryInfo(Scratch("missing.zyl")));
}

TEST_F(RecoveryTest, QuestionNamesTheProjectAndTheLocalTime) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "UTC-2", 1);
  tzset();
  EXPECT_EQ(RecoveryQuestion(TRecoveryInfo{"", "Harbour", 1796879950}),
            "recover the unsaved project Harbour from 2026-12-10 07:19:10?");
  if (oldTz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST_F(RecoveryTest, AFailedOrStoppedWriteLeavesNoPartialFile) {
  auto* project = new TProject();
  PictureLayer("a.png", "a.png");
  const TRecoverySnapshot snapshot = TakeRecoverySnapshot(*project, 0);
  EXPECT_THROW(WriteRecoveryFile(snapshot, Scratch("no/such/folder/r.zyl")), Error);

  const std::string path = Scratch("r.zyl");
  WriteBytes(path, {'o', 'l', 'd'});
  EXPECT_THROW(WriteRecoveryFile(snapshot, path, [](std::int64_t, std::int64_t) { return false; }),
               Cancelled);
  int stops = 0;
  EXPECT_THROW(
      WriteRecoveryFile(snapshot, path, [&](std::int64_t, std::int64_t) { return ++stops < 2; }),
      Cancelled);
  EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"a.png", "r.zyl"}));

  WriteRecoveryFile(snapshot, path);
  EXPECT_EQ(StatesOf(Reopen(path)).size(), 1u);
}

}  // namespace
}  // namespace quenvar::testing
