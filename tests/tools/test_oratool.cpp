// quenvar-render and OpenRaster files, the tools' --help and --version, and
// what Krita makes of the files we write (when it is installed).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>

#include "compose/bmpencode.h"
#include "formats/formatlist.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/oraformat.h"
#include "project/oraread.h"
#include "project/project.h"
#include "project/zylarchive.h"

namespace quenvar {
namespace {

namespace fs = std::filesystem;

class OraToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("quenvar-oratool-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    render = std::string(QUENVAR_BINARY_DIR) + "/quenvar-render";
    if (!fs::exists(render)) GTEST_SKIP() << "quenvar-render is not built";
  }
  void TearDown() override {
    CloseProject();
    fs::remove_all(dir);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  // Runs a command; keeps its standard output and error.
  int Run(const std::string& command) {
    const std::string line = command + " >" + Path("stdout.txt") + " 2>" + Path("stderr.txt");
    const int status = std::system(line.c_str());
    out = Read(Path("stdout.txt"));
    errors = Read(Path("stderr.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static TPicture Png(const std::vector<std::uint8_t>& bytes) {
    return PictureFormats().FindReaderByExtension("png")->Decode(bytes, "x.png");
  }

  fs::path dir;
  std::string render;
  std::string out, errors;
};

std::string Demo() {
  return std::string(QUENVAR_SOURCE_DIR) + "/examples/demo.zyl";
}

TEST_F(OraToolTest, RenderExportsAndReadsOpenRaster) {
  ASSERT_EQ(Run(render + " " + Demo() + " --ora " + Path("demo.ora")), 0) << errors;
  EXPECT_NE(errors.find("OpenRaster file written"), std::string::npos) << errors;
  TZylArchive archive(Path("demo.ora"));
  EXPECT_EQ(archive.EntryNames().front(), "mimetype");

  // The .ora in place of a .zyl: frame 1 is the merged image.
  ASSERT_EQ(Run(render + " " + Path("demo.ora") + " --frames 1 --png --out " + Path("f")), 0)
      << errors;
  const TPicture merged = Png(archive.Extract("mergedimage.png", 1 << 26));
  const TPicture frame = LoadPictureByExtension(Path("f/Demo00001.png"));
  ASSERT_EQ(frame.width, merged.width);
  ASSERT_EQ(frame.height, merged.height);
  EXPECT_EQ(frame.pixels, merged.pixels);

  // ... and saved as a .zyl it gives the same frame again.
  ASSERT_EQ(Run(render + " " + Path("demo.ora") + " --save-as " + Path("back.zyl")), 0) << errors;
  ASSERT_EQ(Run(render + " " + Path("back.zyl") + " --frames 1 --png --out " + Path("g")), 0)
      << errors;
  EXPECT_EQ(LoadPictureByExtension(Path("g/Demo00001.png")).pixels, merged.pixels);
}

TEST_F(OraToolTest, ABadOpenRasterFileFailsWithItsReason) {
  std::ofstream(Path("bad.ora")) << "not a zip";
  EXPECT_EQ(Run(render + " " + Path("bad.ora") + " --frames 1 --out " + Path("f")), 1);
  EXPECT_NE(errors.find("cannot be imported"), std::string::npos) << errors;
  EXPECT_FALSE(fs::exists(Path("f")));
  // A failed export leaves no file behind.
  EXPECT_NE(Run(render + " " + Demo() + " --ora " + Path("missing/out.ora")), 0);
  EXPECT_FALSE(fs::exists(Path("missing")));
}

TEST_F(OraToolTest, EveryToolAnswersHelpAndVersion) {
  for (const std::string tool : {"quenvar-render", "quenvar-psd"}) {
    const std::string path = std::string(QUENVAR_BINARY_DIR) + "/" + tool;
    if (!fs::exists(path)) continue;
    ASSERT_EQ(Run(path + " --help"), 0) << tool;
    EXPECT_EQ(out.rfind("usage: " + tool, 0), 0u) << out;
    EXPECT_TRUE(errors.empty()) << errors;
    ASSERT_EQ(Run(path + " --version"), 0) << tool;
    EXPECT_EQ(out, tool + " (Quenvar v0.7 alpha rel13 build 453)\n");
    // Anything else still goes to the usage on standard error.
    EXPECT_EQ(Run(path + " --bogus"), 2) << tool;
    EXPECT_NE(errors.find("usage: " + tool), std::string::npos) << errors;
  }
}

bool Installed(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Krita opens what we write with the same layers, and draws it much as we do.
TEST_F(OraToolTest, KritaOpensWhatWeWrite) {
  if (!Installed("krita") || !Installed("xvfb-run")) GTEST_SKIP() << "krita or xvfb-run missing";
  ASSERT_EQ(Run(render + " " + Demo() + " --ora " + Path("demo.ora")), 0) << errors;
  // Krita's settings stay in the build folder: its first start is slow.
  const std::string krita = "HOME=" + std::string(QUENVAR_BINARY_DIR) +
                            "/krita-home xvfb-run -a krita " + Path("demo.ora") +
                            " --export --export-filename ";
  ASSERT_EQ(Run(krita + Path("krita.png")), 0) << errors;
  ASSERT_EQ(Run(krita + Path("krita.ora")), 0) << errors;

  const TPicture drawn = LoadPictureByExtension(Path("krita.png"));
  const TPicture merged =
      Png(TZylArchive(Path("demo.ora")).Extract("mergedimage.png", std::size_t(1) << 26));
  ASSERT_EQ(drawn.width, merged.width);
  ASSERT_EQ(drawn.height, merged.height);
  // Krita's modes round differently and its hue, difference and overlay are
  // not quite ours (about 9 levels on average for the demo); a layer out of
  // place or order costs far more (25 for one stretched layer drawn small).
  double difference = 0;
  for (std::size_t i = 0; i < drawn.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      difference += std::abs(int((drawn.pixels[i] >> shift) & 0xFF) -
                             int((merged.pixels[i] >> shift) & 0xFF));
  EXPECT_LT(difference / (3.0 * double(drawn.pixels.size())), 15.0);

  TProject* ours = ImportOpenRaster(Path("demo.ora"));
  std::vector<std::pair<std::string, TBlendMode>> expected;
  for (const TBlendLayer* l : ours->layers)
    expected.emplace_back(l->name, ModeHasCompositeOp(l->Mode()) ? l->Mode() : bmNone);
  CloseProject();
  TProject* theirs = ImportOpenRaster(Path("krita.ora"));
  std::vector<std::pair<std::string, TBlendMode>> got;
  for (const TBlendLayer* l : theirs->layers) got.emplace_back(l->name, l->Mode());
  EXPECT_EQ(got, expected);
  CloseProject();
}

}  // namespace
}  // namespace quenvar
