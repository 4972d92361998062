// Metafiles: the hand-made WMF and EMF fixtures draw a known page; the
// player must put each shape where its records say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "fixturesupport.h"
#include "formats/formatlist.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

using testing::FixturePath;

constexpr TColor32 kWhite = Color32(255, 255, 255), kRed = Color32(255, 0, 0),
                   kGreen = Color32(0, 255, 0), kBlue = Color32(0, 0, 255),
                   kBlack = Color32(0, 0, 0);

TColor32 At(const TPicture& p, int x, int y) {
  return p.pixels[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
}

class MetafilePage : public ::testing::TestWithParam<const char*> {};

TEST_P(MetafilePage, ShapesLandWhereTheRecordsPutThem) {
  TPicture p = LoadPictureByExtension(FixturePath(GetParam()));
  ASSERT_EQ(p.width, 100);
  ASSERT_EQ(p.height, 80);
  EXPECT_EQ(p.kind, TPictureKind::Other);
  EXPECT_EQ(At(p, 2, 2), kWhite);
  // Filled rectangle without outline: right and bottom edges excluded.
  EXPECT_EQ(At(p, 10, 10), kRed);
  EXPECT_EQ(At(p, 49, 39), kRed);
  EXPECT_EQ(At(p, 50, 25), kWhite);
  EXPECT_EQ(At(p, 30, 40), kWhite);
  EXPECT_EQ(At(p, 9, 25), kWhite);
  // Ellipse outline, hollow inside.
  EXPECT_EQ(At(p, 75, 25), kWhite);
  EXPECT_EQ(At(p, 60, 25), kBlue);
  EXPECT_EQ(At(p, 75, 10), kBlue);
  // Triangle.
  EXPECT_EQ(At(p, 25, 55), kGreen);
  EXPECT_EQ(At(p, 12, 70), kWhite);
  // Polyline along y = 60, last point left out.
  EXPECT_EQ(At(p, 50, 60), kBlack);
  EXPECT_EQ(At(p, 65, 60), kBlack);
  EXPECT_EQ(At(p, 50, 61), kWhite);
  // The 2 x 2 bitmap stretched to 20 x 20 at (70, 55), drawn over the line.
  EXPECT_EQ(At(p, 72, 57), kWhite);
  EXPECT_EQ(At(p, 87, 57), kRed);
  EXPECT_EQ(At(p, 72, 72), kGreen);
  EXPECT_EQ(At(p, 87, 72), kBlue);
  EXPECT_EQ(At(p, 80, 60), kRed);
  EXPECT_EQ(At(p, 92, 60), kBlack);
}

INSTANTIATE_TEST_SUITE_P(Metafiles, MetafilePage,
                         ::testing::Values("wmf_placeable.wmf", "emf_shapes.emf"));

TEST(Metafiles, WindowExtentGivesThePageSizeWithoutPlaceableHeader) {
  TPicture p = LoadPictureByExtension(FixturePath("wmf_plain.wmf"));
  ASSERT_EQ(p.width, 50);
  ASSERT_EQ(p.height, 40);
  // Cross hatch: lines every 8 pixels in red, white between (opaque background).
  EXPECT_EQ(At(p, 8, 8), kRed);
  EXPECT_EQ(At(p, 8, 11), kRed);
  EXPECT_EQ(At(p, 9, 11), kWhite);
  EXPECT_EQ(At(p, 2, 2), kWhite);
}

TEST(Metafiles, DamagedFilesFailCleanly) {
  for (const char* file : {"wmf_placeable.wmf", "wmf_plain.wmf", "emf_shapes.emf"}) {
    const auto bytes = ReadWholeFile(FixturePath(file));
    const TPictureReader& reader = MetafileReader();
    EXPECT_THROW(reader.Decode(std::span(bytes).first(10), file), Error) << file;
    auto bad = bytes;
    bad[bytes.size() / 2] ^= 0xFF;
    bad[bytes.size() / 2 + 1] ^= 0x7F;
    try {
      reader.Decode(bad, file);
    } catch (const Error&) {
    }
  }
  // Random damage: a picture or an error, never a crash.
  const char* env = std::getenv("QUENVAR_FUZZ_ROUNDS");
  const int rounds = env ? std::max(1, std::atoi(env)) : 40;
  std::mt19937 random(99);
  for (const char* file : {"wmf_placeable.wmf", "wmf_plain.wmf", "emf_shapes.emf"}) {
    const auto original = ReadWholeFile(FixturePath(file));
    for (int round = 0; round < rounds; ++round) {
      auto bad = original;
      for (int i = 0, n = 1 + int(random() % 6); i < n; ++i)
        bad[random() % bad.size()] = std::uint8_t(random());
      try {
        MetafileReader().Decode(bad, file);
      } catch (const Error&) {
      }
    }
  }
  // A record claiming more words than the file holds.
  auto bytes = ReadWholeFile(FixturePath("wmf_plain.wmf"));
  bytes[18] = 0xFF, bytes[19] = 0xFF;
  EXPECT_THROW(MetafileReader().Decode(bytes, "x.wmf"), Error);
  // An enhanced metafile with huge bounds hits the size limit.
  auto emf = ReadWholeFile(FixturePath("emf_shapes.emf"));
  emf[16] = 0xFF, emf[17] = 0xFF, emf[18] = 0xFF, emf[19] = 0x0F;
  EXPECT_THROW(MetafileReader().Decode(emf, "x.emf"), Error);
}

}  // namespace
}  // namespace quenvar
