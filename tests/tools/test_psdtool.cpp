// quenvar-psd: account lines on stdout, extracted layer pictures and table,
// and a failing exit with the reader's message.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/readers.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string out;
};

RunResult RunTool(const std::string& args) {
  const std::string cmd = std::string(QUENVAR_BINARY_DIR) + "/quenvar-psd " + args;
  RunResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  r.status = pclose(p);
  return r;
}

std::string Fixture(const std::string& name) {
  return std::string(QUENVAR_SOURCE_DIR) + "/tests/psd/fixtures/" + name;
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

quenvar::TPicture DecodePng(const fs::path& p) {
  const std::string png = ReadText(p);
  const std::vector<std::uint8_t> bytes(png.begin(), png.end());
  return quenvar::PngReader().Decode(bytes, p.filename().string());
}

class PsdTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(std::string(QUENVAR_BINARY_DIR) + "/quenvar-psd"))
      GTEST_SKIP() << "quenvar-psd is not built";
    dir_ = fs::temp_directory_path() / ("quenvar-psdtool-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(PsdTool, PrintsTheAccountAndExtractsLayers) {
  const RunResult r = RunTool(Fixture("layers.psd") + " --extract " + dir_.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(">> Reading Layers ( layercount : 9 )\n", 0), 0u);
  EXPECT_NE(r.out.find("\nLayer 1 \"Offset\n  pos x:-5,y:-4 / Size: 16x12\n"), std::string::npos);

  const std::string tsv = ReadText(dir_ / "layers.tsv");
  EXPECT_EQ(tsv.substr(0, tsv.find('\n')),
            "index\tname\tleft\ttop\twidth\theight\tchannels\tids\tblend\tmode\topacity\tvisible"
            "\tkind\tdepth\thiddengroup\tclipbase");
  EXPECT_NE(
      tsv.find(
          "\n1\tOffset\t-5\t-4\t16\t12\t4\t-1,0,1,2\tmul \tmultiply\t128\t1\tlayer\t0\t0\t-1\n"),
      std::string::npos);
  EXPECT_NE(
      tsv.find("\n2\tHidden\t30\t20\t20\t15\t4\t-1,0,1,2\tscrn\tscreen\t255\t0\tlayer\t0\t0\t-1\n"),
      std::string::npos);
  EXPECT_NE(
      tsv.find("\n7\tMasked\t2\t2\t8\t8\t5\t-1,0,1,2,-2\tnorm\tnone\t255\t1\tlayer\t0\t0\t-1\n"),
      std::string::npos);
  EXPECT_NE(
      tsv.find("\n5\tInside\t10\t10\t6\t5\t4\t-1,0,1,2\tover\toverlay\t255\t1\tlayer\t1\t0\t-1\n"),
      std::string::npos);

  // Empty layers have no picture to write.
  EXPECT_FALSE(fs::exists(dir_ / "003.png"));
  const std::string png = ReadText(dir_ / "001.png");
  ASSERT_FALSE(png.empty());
  const std::vector<std::uint8_t> bytes(png.begin(), png.end());
  const quenvar::TPicture pic = quenvar::PngReader().Decode(bytes, "001.png");
  ASSERT_EQ(pic.width, 16);
  ASSERT_EQ(pic.height, 12);
  // Seed 2 of the fixture script at (3, 1): r = 62 + 48, g = 34 + 16, b = 34, a = 255 - 38.
  EXPECT_EQ(pic.pixels[1 * 16 + 3], quenvar::Color32(110, 50, 34, 217));
  // The background has no transparency channel: it is written opaque.
  const quenvar::TPicture bg = DecodePng(dir_ / "000.png");
  ASSERT_EQ(bg.width, 40);
  // Seed 1 at (2, 3): r = 31 + 32, g = 17 + 48, b = 40 + 1.
  EXPECT_EQ(bg.pixels[3 * 40 + 2], quenvar::Color32(63, 65, 41, 255));
  for (quenvar::TColor32 p : bg.pixels) ASSERT_EQ(quenvar::AlphaOf(p), 255u);
}

TEST_F(PsdTool, GroupRecordsHaveNoPicturesAndNamesKeepTheirLetters) {
  const RunResult r = RunTool(Fixture("groups.psd") + " --extract " + dir_.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\nLayer 6 \"Kind 日本\n"), std::string::npos);
  const std::string tsv = ReadText(dir_ / "layers.tsv");
  EXPECT_NE(tsv.find("\n1\tÜber 🎨\t"), std::string::npos);
  EXPECT_NE(tsv.find("\tgroupend\t1\t0\t-1\n4\tTief\t"), std::string::npos);
  EXPECT_NE(tsv.find("\tlayer\t2\t1\t-1\n5\tVersteckt\t"), std::string::npos);
  EXPECT_NE(tsv.find("\t255\t0\tgroup\t1\t0\t-1\n"), std::string::npos);
  for (const char* png : {"000.png", "001.png", "004.png", "006.png"})
    EXPECT_TRUE(fs::exists(dir_ / png)) << png;
  for (const char* png : {"002.png", "003.png", "005.png", "007.png"})
    EXPECT_FALSE(fs::exists(dir_ / png)) << png;
}

TEST_F(PsdTool, ClippedLayersNameTheirBaseAndAreWrittenClipped) {
  ASSERT_EQ(RunTool(Fixture("clip.psd") + " --extract " + dir_.string()).status, 0);
  const std::string tsv = ReadText(dir_ / "layers.tsv");
  EXPECT_NE(tsv.find("\n2\tClip A\t"), std::string::npos);
  EXPECT_NE(tsv.find("\tlayer\t0\t0\t1\n3\tClip B\t"), std::string::npos);
  EXPECT_NE(tsv.find("\tlayer\t0\t0\t1\n4\tFree\t"), std::string::npos);
  // Clip A at (0, 0): nothing left of its base at (2, 1), something over it.
  const quenvar::TPicture clipA = DecodePng(dir_ / "002.png");
  ASSERT_EQ(clipA.width, 6);
  EXPECT_EQ(clipA.pixels[0] >> 24, 0u);
  EXPECT_NE(clipA.pixels[1 * 6 + 2] >> 24, 0u);
}

TEST_F(PsdTool, FailsWithTheReadersMessage) {
  fs::create_directories(dir_);
  const std::string full = ReadText(Fixture("twolayers.psd"));
  std::ofstream(dir_ / "cut.psd", std::ios::binary) << full.substr(0, 28);
  const RunResult r = RunTool((dir_ / "cut.psd").string() + " 2>&1");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("quenvar-psd: Stream read error"), std::string::npos);
  EXPECT_NE(RunTool("").status, 0);
}

}  // namespace
