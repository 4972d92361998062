// Pictures that carry an ICC profile are converted to sRGB as they are
// decoded; the references were made by Little CMS's own tools (see
// fixtures/icc/make_fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fixturesupport.h"
#include "formats/formatlist.h"
#include "formats/iccconvert.h"
#include "formats/readers.h"

namespace quenvar::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Read(const std::string& name) {
  return ReadWholeFile(FixturePath("icc/" + name));
}

TPicture Decode(const std::string& name) {
  return PictureFormats().FindReaderByExtension(name)->Decode(Read(name), name);
}

TPicture Decode(const Bytes& bytes, const std::string& name) {
  return PictureFormats().FindReaderByExtension(name)->Decode(bytes, name);
}

TPicture Reference(const std::string& name) {
  return PngReader().Decode(Read(name + ".ref.png"), name);
}

// A PNG file's chunks, each whole (length, type, data and CRC).
std::vector<Bytes> Chunks(const Bytes& png) {
  std::vector<Bytes> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length =
        std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    chunks.emplace_back(png.begin() + long(at), png.begin() + long(at + length + 12));
    at += length + 12;
  }
  return chunks;
}

bool IsChunk(const Bytes& chunk, const char* type) {
  return std::memcmp(chunk.data() + 4, type, 4) == 0;
}

Bytes Join(const Bytes& png, const std::vector<Bytes>& chunks) {
  Bytes out(png.begin(), png.begin() + 8);
  for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
  return out;
}

Bytes WithoutChunk(const Bytes& png, const char* type) {
  std::vector<Bytes> chunks = Chunks(png);
  std::erase_if(chunks, [&](const Bytes& c) { return IsChunk(c, type); });
  return Join(png, chunks);
}

// The JPEG without its APP2 (ICC) segments.
Bytes WithoutApp2(const Bytes& jpeg) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (jpeg[at + 1] != 0xE2)
      out.insert(out.end(), jpeg.begin() + long(at), jpeg.begin() + long(at + 2 + length));
    at += 2 + length;
  }
  out.insert(out.end(), jpeg.begin() + long(at), jpeg.end());
  return out;
}

// The offset of the profile signature "acsp" inside a file.
std::size_t ProfileSignature(const Bytes& bytes) {
  const char sig[] = "acsp";
  auto it = std::search(bytes.begin(), bytes.end(), sig, sig + 4);
  return std::size_t(it - bytes.begin());
}

int LargestDifference(const TPicture& a, const TPicture& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst,
                       std::abs(int(a.pixels[i] >> shift & 255) - int(b.pixels[i] >> shift & 255)));
  return worst;
}

struct ProfileCase {
  const char* file;
  const char* profile;
};

class IccPictureTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(IccPictureTest, MatchesLittleCmsToolsWithinOne) {
  const TPicture picture = Decode(GetParam().file);
  EXPECT_TRUE(SamePixels(picture, Reference(GetParam().file), 1));
  EXPECT_EQ(picture.convertedFrom, GetParam().profile);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, IccPictureTest,
    ::testing::Values(ProfileCase{"png_adobergb.png", "Compatible with Adobe RGB (1998)"},
                      ProfileCase{"png_grey_profile.png", "Gray"},
                      ProfileCase{"jpg_adobergb.jpg", "Compatible with Adobe RGB (1998)"},
                      ProfileCase{"jpg_cmyk_profile.jpg", "Artifex PS CMYK Profile"},
                      ProfileCase{"tif_adobergb.tif", "Compatible with Adobe RGB (1998)"},
                      ProfileCase{"tif_cmyk_profile.tif", "Artifex PS CMYK Profile"}),
    [](const auto& info) {
      std::string name = info.param.file;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

TEST(IccPictures, WithoutTheProfileTheSamplesAreKeptAsStored) {
  // The same samples written three ways: a PNG without its iCCP chunk, a
  // PNG with an sRGB chunk only, and both of them with both chunks.
  const Bytes adobe = Read("png_adobergb.png");
  const TPicture plain = Decode(WithoutChunk(adobe, "iCCP"), "plain.png");
  EXPECT_TRUE(plain.convertedFrom.empty());
  EXPECT_GT(LargestDifference(plain, Decode("png_adobergb.png")), 8);

  const TPicture srgb = Decode("png_srgb_chunk.png");
  EXPECT_TRUE(srgb.convertedFrom.empty());
  EXPECT_EQ(srgb.pixels, plain.pixels);

  // The sRGB chunk wins over a profile beside it.
  std::vector<Bytes> chunks = Chunks(Read("png_srgb_chunk.png"));
  const std::vector<Bytes> adobeChunks = Chunks(adobe);
  const auto iccp = std::ranges::find_if(adobeChunks, [](auto& c) { return IsChunk(c, "iCCP"); });
  chunks.insert(chunks.begin() + 2, *iccp);
  const TPicture both = Decode(Join(adobe, chunks), "both.png");
  EXPECT_TRUE(both.convertedFrom.empty());
  EXPECT_EQ(both.pixels, plain.pixels);
}

TEST(IccPictures, AProfileThatDoesNotFitIsIgnored) {
  // A grey profile on an RGB JPEG: decoded as if it had none.
  const Bytes wrong = Read("jpg_wrong_profile.jpg");
  const TPicture picture = Decode(wrong, "wrong.jpg");
  EXPECT_TRUE(picture.convertedFrom.empty());
  EXPECT_EQ(picture.pixels, Decode(WithoutApp2(wrong), "none.jpg").pixels);

  // A damaged profile in a TIFF file: the samples as stored, the same ones
  // the PNG fixture holds.
  Bytes tiff = Read("tif_adobergb.tif");
  const std::size_t sig = ProfileSignature(tiff);
  ASSERT_LT(sig, tiff.size());
  tiff[sig] = 'x';
  const TPicture damaged = Decode(tiff, "damaged.tif");
  EXPECT_TRUE(damaged.convertedFrom.empty());
  EXPECT_EQ(damaged.pixels, Decode(WithoutChunk(Read("png_adobergb.png"), "iCCP"), "p.png").pixels);

  // A JPEG whose profile pieces do not add up (one of two pieces missing).
  Bytes split = Read("jpg_adobergb.jpg");
  const std::size_t icc = ProfileSignature(split) - 36 - 14;  // "ICC_PROFILE\0", seq, count
  ASSERT_EQ(std::memcmp(split.data() + icc, "ICC_PROFILE", 11), 0);
  split[icc + 13] = 2;
  EXPECT_TRUE(Decode(split, "split.jpg").convertedFrom.empty());
}

TEST(IccConvert, RejectsProfilesThatCannotDescribeTheSamples) {
  const Bytes rgb = ReadWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  EXPECT_NE(TIccTransform::Open(rgb, TIccSamples::Rgb8), nullptr);
  EXPECT_EQ(TIccTransform::Open(rgb, TIccSamples::Cmyk8), nullptr);
  EXPECT_EQ(TIccTransform::Open(rgb, TIccSamples::GreyInBgra8), nullptr);
  EXPECT_EQ(TIccTransform::Open(Bytes(rgb.begin(), rgb.begin() + 200), TIccSamples::Rgb8), nullptr);
  EXPECT_EQ(TIccTransform::Open(Bytes(600, 0xA5), TIccSamples::Rgb8), nullptr);
  EXPECT_EQ(TIccTransform::Open({}, TIccSamples::Rgb8), nullptr);

  TPicture picture;
  picture.width = 2;
  picture.height = 1;
  picture.pixels = {0x80102030u, 0x00FFEEDDu};
  const TPicture before = picture;
  EXPECT_FALSE(ConvertPictureToSrgb(picture, Bytes(600, 0), false));
  EXPECT_EQ(picture.pixels, before.pixels);
  EXPECT_TRUE(picture.convertedFrom.empty());
}

TEST(IccConvert, KeepsAlphaAndNamesTheProfile) {
  const Bytes rgb = ReadWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  TPicture picture;
  picture.width = 3;
  picture.height = 1;
  picture.pixels = {0x00FF0000u, 0x7F00FF00u, 0xFF0000FFu};
  ASSERT_TRUE(ConvertPictureToSrgb(picture, rgb, false));
  EXPECT_EQ(picture.pixels[0] >> 24, 0x00u);
  EXPECT_EQ(picture.pixels[1] >> 24, 0x7Fu);
  EXPECT_EQ(picture.pixels[2] >> 24, 0xFFu);
  // Adobe RGB's green lies outside sRGB: it clips to full green.
  EXPECT_EQ(picture.pixels[1] & 0x00FF00u, 0x00FF00u);
  EXPECT_EQ(ConvertedLogLine(picture.convertedFrom),
            "Converted from Compatible with Adobe RGB (1998) to sRGB");
}

}  // namespace
}  // namespace quenvar::testing
