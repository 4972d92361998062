// Saving .zyl archives: layout, picture rules, round trips and failed writes.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

#include "project/zylarchive.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class ZylSaveTest : public ProjectTest {
 protected:
  std::string CopyFixture(const std::string& fixture, const std::string& as) {
    std::filesystem::create_directories((dir / as).parent_path());
    std::filesystem::copy_file(Fixture(fixture), dir / as);
    return Scratch(as);
  }
  TBlendLayer* AddPictureLayer(const std::string& fixture, const std::string& as) {
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->OpenPictureFile(CopyFixture(fixture, as));
    return layer;
  }
  std::vector<std::uint8_t> Entry(const std::string& archive, const std::string& name) {
    return TZylArchive(archive).Extract(name, std::size_t(1) << 30);
  }
  // Closes the open project and opens the file again.
  TProject& Reload(const std::string& path) {
    CloseProject();
    log.lines.clear();
    TProject* project = OpenProjectFile(path);
    EXPECT_NE(project, nullptr);
    return *project;
  }
};

TEST_F(ZylSaveTest, ArchiveLayoutAndDescriptionAreExact) {
  host.hasView = true;
  host.view.SetClientSize(768, 576);
  auto* project = new TProject();
  project->name = "Demo";
  project->comment = "two\r\nlines";
  TBlendLayer* layer = AddPictureLayer("a.png", "pics/a.png");
  layer->CreateViewLayer(true);  // the view window's rebuild
  layer->SetMode(bmDodge);
  const std::string path = Scratch("demo.zyl");
  project->modified = true;
  project->SaveAs(path);

  TZylArchive archive(path);
  EXPECT_EQ(archive.EntryNames(),
            (std::vector<std::string>{"project.xml", "copyright.txt", "a.png"}));
  EXPECT_EQ(archive.Comment(), "ZYL Project file\r\r" + path + "two\r\nlines");
  EXPECT_EQ(Text(Entry(path, "project.xml")),
            "<project>\r\n"
            "<zyl version=\"0.7 alpha rel13 build 453\" />\r\n"
            "<info name= \"Demo\" author=\"\" created=\"2026-12-09 08:30:05\" />\r\n"
            "<canvas height=\"576\" width=\"768\" Interlaced=\"0\" zoom = \"100\" />\r\n"
            "<display height=\"0\" width=\"0\"/>\r\n"
            "<thumbnail file=\"\"/>\r\n"
            "<comment>two\r\nlines</comment>\r\n"
            "<layers>\r\n"
            "<layer name =\"a.png\" filename=\"a.png\" blendmode=\"dodge\" speed =\"2\" "
            "posx =\"0\" posy =\"0\" mx =\"0\" my =\"0\" px =\"1\" py =\"1\" x =\"0\" y =\"0\" "
            "x2 =\"8\" y2 =\"6\" interlaced =\"0\" opacity =\"255\" />\r\n"
            "</layers>\r\n"
            "</project>\r\n");
  const std::string copyright = Text(Entry(path, "copyright.txt"));
  EXPECT_EQ(copyright.rfind("ZYL Project file | ", 0), 0u);
  EXPECT_NE(copyright.find("\r\rFor more information : "), std::string::npos);
  EXPECT_EQ(copyright.substr(copyright.size() - 23), "\r\r2026-12-09 08:30:05\r\n");
  EXPECT_EQ(Entry(path, "a.png"), ReadBytes(Fixture("a.png")));

  const std::vector<std::string> expected = {"Saving project ...",
                                             "Project saved to \"" + path + "\" , size : " +
                                                 std::to_string(std::filesystem::file_size(path)),
                                             " "};
  EXPECT_EQ(Lines(), expected);
  EXPECT_FALSE(project->modified);
}

TEST_F(ZylSaveTest, NothingIsWrittenWithoutLayers) {
  auto* project = new TProject();
  project->modified = true;
  project->SaveAs(Scratch("empty.zyl"));
  EXPECT_FALSE(std::filesystem::exists(Scratch("empty.zyl")));
  EXPECT_TRUE(project->modified);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Saving project ...", "Nothing to save .. "}));
}

TEST_F(ZylSaveTest, UnnamedProjectTakesTheFileNameUpToItsFirstDot) {
  auto* project = new TProject();
  AddPictureLayer("a.png", "a.png");
  std::filesystem::create_directories(dir / "my.project");
  project->SaveAs(Scratch("my.project/demo.zyl"));
  EXPECT_EQ(project->name, "demo");
  project->name = "New Project";
  project->SaveAs(Scratch("demo.final.zyl"));
  EXPECT_EQ(project->name, "demo");
}

TEST_F(ZylSaveTest, RoundTripKeepsEveryFieldAndPixel) {
  auto* project = new TProject();
  project->name = "Round \"trip\" & <more> \xC3\xA9";
  project->width = 64;
  project->height = 48;
  project->comment = "Two lines\nof <notes> & \"marks\"";
  TBlendLayer* a = AddPictureLayer("a.png", "dir one/a&b \"q\" \xC3\xA9.png");
  TBlendLayer* b = AddPictureLayer("b.jpg", "b.jpg");
  TBlendLayer* c = AddPictureLayer("c.bmp", "c.bmp");
  a->name = "Sky <&> \"1\"";
  a->SetMode(bmHardlight);
  a->opacity = 0;
  a->posx = -3;
  a->posy = 2;
  a->mx = a->my = 1;
  a->px = 0;
  a->x = -5;
  a->y = 7;
  a->x2 = 40;
  a->y2 = 30;
  a->interlaced = 2;
  b->SetMode(bmBlurBlend);
  b->x = 3;
  b->y = 4;
  b->x2 = 11;
  b->y2 = 10;
  c->SetMode(bmLightness);
  c->x2 = 4;
  c->y2 = 3;
  const std::string path = Scratch("round.zyl");
  project->SaveAs(path);
  // The pictures leave the disk: the archive must hold them.
  std::filesystem::remove_all(dir / "dir one");
  std::filesystem::remove(dir / "b.jpg");

  std::vector<TBlendLayer*> before = project->layers;
  std::vector<std::unique_ptr<TBitmap32>> pixels;
  for (TBlendLayer* l : before) pixels.push_back(std::make_unique<TBitmap32>(l->bmp));
  struct Fields {
    std::string name, file;
    TBlendMode mode;
    int opacity, posx, posy, mx, my, px, py, x, y, x2, y2, interlaced, speed, w, h;
  };
  auto fieldsOf = [](const TBlendLayer& l) {
    return Fields{l.name,       FileNamePart(l.filename),
                  l.Mode(),     l.opacity,
                  l.posx,       l.posy,
                  l.mx,         l.my,
                  l.px,         l.py,
                  l.x,          l.y,
                  l.x2,         l.y2,
                  l.interlaced, l.speed,
                  l.picWidth,   l.picHeight};
  };
  std::vector<Fields> saved;
  for (TBlendLayer* l : before) saved.push_back(fieldsOf(*l));
  const std::string savedName = project->name;

  TProject& loaded = Reload(path);
  EXPECT_EQ(loaded.name, savedName);
  // Saving again must not drop the comment.
  EXPECT_EQ(loaded.comment, "Two lines\nof <notes> & \"marks\"");
  EXPECT_EQ(loaded.width, 64);
  ASSERT_EQ(loaded.layers.size(), saved.size());
  for (std::size_t i = 0; i < saved.size(); ++i) {
    const Fields got = fieldsOf(*loaded.layers[i]);
    const Fields& want = saved[i];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.file, want.file);
    EXPECT_EQ(got.mode, want.mode);
    EXPECT_EQ(
        std::tie(got.opacity, got.posx, got.posy, got.mx, got.my, got.px, got.py, got.x, got.y,
                 got.x2, got.y2, got.interlaced, got.speed, got.w, got.h),
        std::tie(want.opacity, want.posx, want.posy, want.mx, want.my, want.px, want.py, want.x,
                 want.y, want.x2, want.y2, want.interlaced, want.speed, want.w, want.h))
        << "layer " << i;
    const TBitmap32& p = loaded.layers[i]->bmp;
    ASSERT_EQ(p.Width(), pixels[i]->Width());
    ASSERT_EQ(p.Height(), pixels[i]->Height());
    EXPECT_TRUE(std::equal(p.Bits(), p.Bits() + p.Width() * p.Height(), pixels[i]->Bits()))
        << "layer " << i;
  }
  // The JPEG taken from the archive goes back byte for byte; the BMP-named
  // picture is written as 32-bit bitmap data.
  const std::string again = Scratch("again.zyl");
  loaded.SaveAs(again);
  EXPECT_EQ(Entry(again, "b.jpg"), ReadBytes(Fixture("b.jpg")));
  const auto bmp = Entry(again, "c.bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[28], 32);
  EXPECT_EQ(bmp.size(), 54u + 4 * 3 * 4);
}

TEST_F(ZylSaveTest, PicturesOfAnyFormatSurviveLoadAndSave) {
  // A PNG read from an archive has no file on disk; its bytes go back as read.
  TProject& first = Reload(Fixture("handmade.zyl"));
  const std::string path = Scratch("copy.zyl");
  first.SaveAs(path);
  EXPECT_EQ(Entry(path, "a.png"), ReadBytes(Fixture("a.png")));
  TProject& second = Reload(path);
  ASSERT_EQ(second.layers.size(), 2u);
  EXPECT_EQ(second.layers[0]->bmp.Width(), 8);

  // A JPEG opened from a file that is gone before the save.
  CloseProject();
  new TProject();
  AddPictureLayer("b.jpg", "gone.jpg");
  std::filesystem::remove(dir / "gone.jpg");
  CurrentProject()->SaveAs(Scratch("gone.zyl"));
  EXPECT_EQ(Entry(Scratch("gone.zyl"), "gone.jpg"), ReadBytes(Fixture("b.jpg")));
}

TEST_F(ZylSaveTest, DifferentPicturesNeverShareAnEntry) {
  auto* project = new TProject();
  AddPictureLayer("a.png", "one/x.png");
  AddPictureLayer("e.png", "two/x.png");
  AddPictureLayer("a.png", "three/x.png");  // same picture as the first: shares it
  auto* hostile = new TBlendLayer();
  hostile->filename = "project.xml";
  hostile->sourceBytes = std::make_shared<const std::vector<std::uint8_t>>(3, 'z');
  const std::string path = Scratch("names.zyl");
  project->SaveAs(path);

  EXPECT_EQ(TZylArchive(path).EntryNames(),
            (std::vector<std::string>{"project.xml", "copyright.txt", "x.png", "x-2.png",
                                      "project-2.xml"}));
  EXPECT_EQ(Text(Entry(path, "project-2.xml")), "zzz");
  TProject& loaded = Reload(path);
  ASSERT_EQ(loaded.layers.size(), 4u);
  EXPECT_EQ(loaded.layers[0]->bmp.Width(), 8);
  EXPECT_EQ(loaded.layers[1]->bmp.Width(), 5);
  EXPECT_EQ(loaded.layers[1]->filename, "x-2.png");
  EXPECT_EQ(loaded.layers[2]->bmp.Width(), 8);
  EXPECT_EQ(loaded.layers[3]->filename, "project-2.xml");
}

TEST_F(ZylSaveTest, UpdatingInPlaceKeepsForeignEntries) {
  const std::string path = CopyFixture("handmade.zyl", "update.zyl");
  TProject& project = Reload(path);
  project.name = "First";
  project.Save();
  project.name = "Second";
  project.Save();
  const auto names = TZylArchive(path).EntryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "project.xml"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "copyright.txt"), 1);
  EXPECT_EQ(Text(Entry(path, "notes.txt")), "kept by every save\n");
  EXPECT_NE(Text(Entry(path, "project.xml")).find("name= \"Second\""), std::string::npos);
}

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

TEST_F(ZylSaveTest, FailedWritesLeaveThePreviousFileIntact) {
  auto* project = new TProject();
  TBlendLayer* layer = AddPictureLayer("a.png", "a.png");
  const std::string path = Scratch("keep.zyl");
  project->SaveAs(path);
  const auto good = ReadBytes(path);

  // The next save carries a large picture that cannot be written in full.
  std::vector<std::uint8_t> noise(256 * 1024);
  std::uint32_t state = 1;
  for (auto& byte : noise) byte = std::uint8_t((state = state * 1664525u + 1013904223u) >> 24);
  layer->filename = "noise.png";
  layer->sourceBytes = std::make_shared<const std::vector<std::uint8_t>>(noise);
  project->modified = true;
  log.lines.clear();
  {
    FileSizeLimit limit(good.size() + 4096);
    EXPECT_THROW(project->Save(), Error);
  }
  EXPECT_EQ(ReadBytes(path), good);
  EXPECT_TRUE(project->modified);
  EXPECT_EQ(Lines(), std::vector<std::string>{"Saving project ..."});
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find("keep.zyl."), std::string::npos)
        << "temporary file left behind: " << entry.path();

  // A folder that does not exist, and a file that is not an archive.
  EXPECT_THROW(project->SaveAs(Scratch("missing/x.zyl")), Error);
  const std::string text = Scratch("notes.zyl");
  WriteBytes(text, {'h', 'i'});
  EXPECT_THROW(project->SaveAs(text), Error);
  EXPECT_EQ(Text(ReadBytes(text)), "hi");
}

}  // namespace
}  // namespace quenvar::testing
