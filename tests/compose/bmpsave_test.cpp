// Writing surfaces as 32-bit bitmap files, and loading picture files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "compose/bmpencode.h"
#include "compose/surface.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t U32(const std::vector<unsigned char>& d, std::size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t(d[at + 3]) << 24);
}

fs::path TempDir() {
  const fs::path dir = fs::path(QUENVAR_BINARY_DIR) / "test-compose-bmp";
  fs::create_directories(dir);
  return dir;
}

TEST(BmpSave, WritesA32BitBottomUpFile) {
  TBitmap32 b;
  b.Resize(2, 2);
  b.SetPixel(0, 0, Color32(1, 2, 3, 4));
  b.SetPixel(1, 0, Color32(5, 6, 7, 8));
  b.SetPixel(0, 1, Color32(9, 10, 11, 12));
  b.SetPixel(1, 1, Color32(13, 14, 15, 16));
  const fs::path file = TempDir() / "frame.bmp";
  b.SaveBmpFile(file.string());
  const auto d = ReadAll(file);
  ASSERT_EQ(d.size(), 54u + 16u);
  EXPECT_EQ(d[0], 'B');
  EXPECT_EQ(d[1], 'M');
  EXPECT_EQ(U32(d, 2), 70u);
  EXPECT_EQ(U32(d, 10), 54u);
  EXPECT_EQ(U32(d, 14), 40u);
  EXPECT_EQ(U32(d, 18), 2u);
  EXPECT_EQ(U32(d, 22), 2u);  // positive height: bottom-up
  EXPECT_EQ(d[28], 32);
  EXPECT_EQ(U32(d, 30), 0u);
  // First stored row is the bottom one, each pixel blue, green, red, alpha.
  EXPECT_EQ(std::vector<unsigned char>(d.begin() + 54, d.begin() + 62),
            (std::vector<unsigned char>{11, 10, 9, 12, 15, 14, 13, 16}));
  EXPECT_EQ(std::vector<unsigned char>(d.begin() + 62, d.end()),
            (std::vector<unsigned char>{3, 2, 1, 4, 7, 6, 5, 8}));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
}

TEST(BmpSave, FailedWriteLeavesNoFileAndReportsIt) {
  TBitmap32 b;
  b.Resize(1, 1);
  const fs::path missing = TempDir() / "no-such-dir" / "x.bmp";
  EXPECT_THROW(b.SaveBmpFile(missing.string()), Error);
  EXPECT_FALSE(fs::exists(missing));

  TBitmap32 empty;
  const fs::path file = TempDir() / "empty.bmp";
  fs::remove(file);
  EXPECT_THROW(empty.SaveBmpFile(file.string()), Error);
  EXPECT_FALSE(fs::exists(file));
}

TEST(BmpSave, ReplacesAnOlderFileWhole) {
  const fs::path file = TempDir() / "replace.bmp";
  TBitmap32 big;
  big.Resize(8, 8);
  big.FillAll(1);
  big.SaveBmpFile(file.string());
  TBitmap32 small;
  small.Resize(1, 1);
  small.FillAll(2);
  small.SaveBmpFile(file.string());
  EXPECT_EQ(fs::file_size(file), 58u);
}

TEST(PictureFile, LoadErrorsPropagateAndKeepTheSurface) {
  TBitmap32 b;
  b.Resize(2, 2);
  b.FillAll(7);
  const std::string missing = (TempDir() / "missing.png").string();
  EXPECT_THROW(b.LoadPictureFile(missing), Error);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Pixel(1, 1), 7u);
}

// What is written reads back with its alpha. A wholly transparent picture
// stored as a layer picture too, although a plain 32-bit bitmap whose alpha
// is all 0 reads opaque (as a saved frame does).
TEST(BmpSave, AlphaReadsBackEvenWhenWhollyTransparent) {
  TBitmap32 half;
  half.Resize(2, 1);
  half.FillAll(Color32(1, 2, 3, 128));
  const auto plain = EncodeBmp32(half);
  EXPECT_EQ(plain.size(), 14u + 40u + 8u);
  EXPECT_EQ(BmpReader().Decode(plain, "half.bmp").pixels,
            std::vector<TColor32>(2, Color32(1, 2, 3, 128)));

  TBitmap32 clear;
  clear.Resize(3, 2);
  clear.FillAll(Color32(10, 20, 30, 0));
  const TPicture back = BmpReader().Decode(EncodeBmp32(clear, TBmpAlpha::Declared), "clear.bmp");
  EXPECT_EQ(back.kind, TPictureKind::Bitmap32);
  EXPECT_EQ(back.pixels, std::vector<TColor32>(6, Color32(10, 20, 30, 0)));
  const TPicture frame = BmpReader().Decode(EncodeBmp32(clear), "frame.bmp");
  EXPECT_EQ(frame.pixels, std::vector<TColor32>(6, Color32(10, 20, 30, 255)));
}

}  // namespace
}  // namespace quenvar
