// quenvar-render, run as a program on projects made here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>

#include "compose/bmpencode.h"
#include "formats/formatlist.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/projecthost.h"

namespace quenvar {
namespace {

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("quenvar-render-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    tool = std::string(QUENVAR_BINARY_DIR) + "/quenvar-render";
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "quenvar-render is not built";
  }
  void TearDown() override {
    CloseProject();
    std::filesystem::remove_all(dir);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  // Runs the tool; returns its exit status and keeps what it wrote to stderr.
  int Run(const std::string& arguments) {
    const std::string command = tool + " " + arguments + " 2>" + Path("stderr.txt");
    const int status = std::system(command.c_str());
    std::ifstream in(Path("stderr.txt"));
    errors.assign(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A picture file with a distinct colour in every pixel.
  std::string WritePicture(const std::string& name, int w, int h, TColor32 base) {
    TBitmap32 picture;
    picture.Resize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) picture.SetPixel(x, y, base | TColor32(x * 16 + y) | 0xFF000000u);
    const auto bytes = EncodeBmp32(picture);
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }

  std::filesystem::path dir;
  std::string tool;
  std::string errors;
};

TEST_F(RenderTest, FramesFollowTheMotionAndOpacity) {
  auto* project = new TProject();
  project->name = "My Demo";
  project->width = 12;
  project->height = 8;
  auto* bottom = new TBlendLayer();
  bottom->OpenPictureFile(WritePicture("bottom.bmp", 12, 8, 0x00400000));
  bottom->posx = 1;
  bottom->posy = 1;
  auto* hidden = new TBlendLayer();
  hidden->OpenPictureFile(WritePicture("hidden.bmp", 12, 8, 0x000000C0));
  hidden->opacity = 0;  // invisible, and must stay so in every frame
  project->SaveAs(Path("demo.zyl"));
  TBitmap32 expected(bottom->bmp);
  CloseProject();

  ASSERT_EQ(Run(Path("demo.zyl") + " --frames 3 --out " + Path("frames")), 0) << errors;
  for (int n = 1; n <= 3; ++n) {
    expected.ScrollWrap(1, 1);
    const std::string file = Path("frames/MyDemo0000" + std::to_string(n) + ".bmp");
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const TPicture frame = LoadPictureByExtension(file);
    ASSERT_EQ(frame.width, 12);
    ASSERT_EQ(frame.height, 8);
    for (int i = 0; i < 12 * 8; ++i)
      ASSERT_EQ(frame.pixels[std::size_t(i)] & 0xFFFFFF, expected.Bits()[i] & 0xFFFFFF)
          << "frame " << n << " pixel " << i;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("frames/MyDemo00004.bmp")));
  EXPECT_NE(errors.find("Loading project : "), std::string::npos);

  ASSERT_EQ(Run(Path("demo.zyl") + " --frames 1 --png --out " + Path("png")), 0) << errors;
  EXPECT_TRUE(std::filesystem::exists(Path("png/MyDemo00001.png")));
}

TEST_F(RenderTest, SaveAsPullsPicturesIntoTheArchive) {
  auto* project = new TProject();
  project->width = 4;
  project->height = 4;
  auto* layer = new TBlendLayer();
  layer->OpenPictureFile(WritePicture("p.bmp", 4, 4, 0));
  layer->filename = "p.png";  // names a picture that lives beside the project
  project->SaveAs(Path("outside.zyl"));
  CloseProject();
  std::filesystem::copy_file(std::string(QUENVAR_SOURCE_DIR) + "/tests/project/fixtures/a.png",
                             Path("p.png"));

  const std::string command = "cd " + dir.string() + " && " + tool + " outside.zyl --save-as " +
                              Path("inside.zyl") + " 2>" + Path("stderr.txt");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
  std::filesystem::remove(Path("p.png"));
  ASSERT_EQ(Run(Path("inside.zyl") + " --frames 1 --out " + Path("f")), 0) << errors;
  EXPECT_NE(errors.find("> Loaded, size : 8x6"), std::string::npos) << errors;
}

TEST_F(RenderTest, FailuresExitNonZeroWithAMessage) {
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Run(Path("x.zyl") + " --frames 0"), 2);
  EXPECT_EQ(Run(Path("none.zyl") + " --frames 1"), 1);
  EXPECT_NE(errors.find("is not a readable project file"), std::string::npos) << errors;

  const std::string damaged = std::string(QUENVAR_SOURCE_DIR) + "/tests/project/fixtures/";
  EXPECT_EQ(Run(damaged + "canvas_nan.zyl --frames 1 --out " + Path("f")), 1);
  EXPECT_NE(errors.find("### Error : "), std::string::npos) << errors;
  EXPECT_EQ(Run(damaged + "bad_layer.zyl --frames 1 --out " + Path("f")), 1);
  EXPECT_NE(errors.find("loaded with errors"), std::string::npos) << errors;
}

}  // namespace
}  // namespace quenvar
