// Documents with an ICC profile resource: every layer's colours go through
// it into sRGB. The references were made by Little CMS's tificc from the
// same samples (fixtures/make_icc_fixtures.js).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "formats/readers.h"
#include "psdfixture.h"
#include "psdread.h"

namespace quenvar::test {
namespace {

// The sample of channel `id` at (x, y) that make_icc_fixtures.js stored.
unsigned StoredSample(int id, int x, int y) {
  if (id == -1) return 255 - unsigned((x * 13 + y * 7) & 127);
  const unsigned samples[4] = {unsigned(x * 36) & 255, unsigned(y * 51) & 255,
                               unsigned((x + y) * 23 + 40) & 255, unsigned(x * y * 9) & 255};
  return samples[id];
}

std::vector<std::string> ConvertedLines(const RecordingLogSink& log) {
  std::vector<std::string> found;
  for (const std::string& line : log.Texts())
    if (line.starts_with("Converted from")) found.push_back(line);
  return found;
}

std::size_t Find(const Bytes& bytes, const std::string& what) {
  auto it = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
  return std::size_t(it - bytes.begin());
}

struct ProfileCase {
  const char* file;
  const char* profile;
};

class PsdProfileTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(PsdProfileTest, LayerMatchesLittleCmsToolsAndKeepsItsAlpha) {
  RecordingLogSink log;
  const TPsdImage& img = ReadOk(LoadFixture(GetParam().file), &log);
  ASSERT_EQ(img.layerCount, 1);
  const TBitmap32& picture = img.layers[0].picture;
  const std::string refName = std::string(GetParam().file) + ".ref.png";
  const TPicture ref = PngReader().Decode(LoadFixture(refName), refName);
  ASSERT_EQ(picture.Width(), ref.width);
  ASSERT_EQ(picture.Height(), ref.height);
  int worst = 0;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const TColor32 p = picture.Pixel(x, y), r = ref.pixels[std::size_t(y * ref.width + x)];
      EXPECT_EQ(AlphaOf(p), StoredSample(-1, x, y)) << x << "," << y;
      worst = std::max({worst, std::abs(int(RedOf(p)) - int(RedOf(r))),
                        std::abs(int(GreenOf(p)) - int(GreenOf(r))),
                        std::abs(int(BlueOf(p)) - int(BlueOf(r)))});
    }
  EXPECT_LE(worst, 1);
  EXPECT_EQ(
      ConvertedLines(log),
      std::vector<std::string>{"Converted from " + std::string(GetParam().profile) + " to sRGB"});
}

INSTANTIATE_TEST_SUITE_P(Modes, PsdProfileTest,
                         ::testing::Values(ProfileCase{"icc-rgb.psd",
                                                       "Compatible with Adobe RGB (1998)"},
                                           ProfileCase{"icc-cmyk.psd", "Artifex PS CMYK Profile"},
                                           ProfileCase{"icc-grey.psd", "Gray"}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name.substr(0, name.find('.'));
                         });

// Without a usable profile the layer holds its samples as stored.
void ExpectStoredRgb(const TPsdImage& img) {
  const TBitmap32& picture = img.layers[0].picture;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      ASSERT_EQ(picture.Pixel(x, y), Color32(StoredSample(0, x, y), StoredSample(1, x, y),
                                             StoredSample(2, x, y), StoredSample(-1, x, y)));
}

TEST(PsdProfile, DamagedProfilesAndResourcesLeaveTheColoursAsStored) {
  const Bytes good = LoadFixture("icc-rgb.psd");

  Bytes badProfile = good;
  badProfile[Find(badProfile, "acsp")] = 'x';
  RecordingLogSink log;
  ExpectStoredRgb(ReadOk(badProfile, &log));
  EXPECT_TRUE(ConvertedLines(log).empty());

  // The resource's length points past its section: the section is not
  // trusted, and the layers read as usual.
  Bytes badLength = good;
  const std::size_t block = Find(badLength, std::string("8BIM\x04\x0F", 6));
  ASSERT_LT(block, badLength.size());
  const std::size_t length = block + 6 + 2;  // behind the id and the empty name
  std::fill_n(badLength.begin() + long(length), 4, 0x7F);
  ExpectStoredRgb(ReadOk(badLength));

  // The profile of an RGB document given to a grey one does not fit it.
  Bytes grey = LoadFixture("icc-grey.psd");
  const Bytes rgbProfileHead(good.begin() + long(Find(good, "acsp") - 36),
                             good.begin() + long(Find(good, "acsp") + 4));
  const std::size_t greyProfile = Find(grey, "acsp") - 36;
  std::copy(rgbProfileHead.begin() + 12, rgbProfileHead.begin() + 20,
            grey.begin() + long(greyProfile + 12));  // device class and colour space
  RecordingLogSink greyLog;
  const TPsdImage& img = ReadOk(grey, &greyLog);
  EXPECT_TRUE(ConvertedLines(greyLog).empty());
  const unsigned g = StoredSample(0, 3, 2);
  EXPECT_EQ(img.layers[0].picture.Pixel(3, 2), Color32(g, g, g, StoredSample(-1, 3, 2)));
}

// Image resources holding one ICC profile resource.
Bytes ProfileResource(const std::string& profilePath) {
  std::ifstream in(profilePath, std::ios::binary);
  const Bytes profile{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Bytes b = {'8', 'B', 'I', 'M', 0x04, 0x0F, 0, 0};
  Put32(b, std::uint32_t(profile.size()));
  Append(b, profile);
  if (b.size() % 2) b.push_back(0);
  return b;
}

int Distance(TColor32 p, int r, int g, int b) {
  return std::max(
      {std::abs(int(RedOf(p)) - r), std::abs(int(GreenOf(p)) - g), std::abs(int(BlueOf(p)) - b)});
}

// Expected colours from Little CMS's transicc with the same options:
//   echo "78.431373 -28 32" | transicc -t1 -b -i<lab.icc> -o*sRGB
//     -> 155.64 207.94 132.11
//   echo "155.642100 38.910506 194.552529" | transicc -t1 -b -i<Adobe RGB> -o*sRGB
//     (the 16-bit samples 40000 10000 50000 on transicc's 0 .. 255 scale)
//     -> 181.65 34.02 199.53
TEST(PsdProfile, LabAndSixteenBitDocumentsGoThroughTheProfile) {
  BuiltDocument lab = Document({RawLayer({-1, 0, 1, 2}, {200, 200, 100, 160})}, 9, 8, 3);
  lab.resources = ProfileResource("/usr/share/color/icc/ghostscript/lab.icc");
  RecordingLogSink labLog;
  const TColor32 labPixel = ReadOk(lab.Build(), &labLog).layers[0].picture.Pixel(1, 1);
  EXPECT_LE(Distance(labPixel, 156, 208, 132), 1);
  EXPECT_EQ(AlphaOf(labPixel), 200u);
  EXPECT_EQ(ConvertedLines(labLog).size(), 1u);

  BuiltLayer wide = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0});
  const unsigned values[4] = {65535, 40000, 10000, 50000};
  for (std::size_t k = 0; k < 4; ++k) {
    wide.channels[k].data.clear();
    for (int i = 0; i < 4; ++i) Put16(wide.channels[k].data, values[k]);
  }
  BuiltDocument rgb16 = Document({wide}, 3, 16, 4);
  rgb16.resources = ProfileResource("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  const TColor32 widePixel = ReadOk(rgb16.Build()).layers[0].picture.Pixel(0, 1);
  EXPECT_LE(Distance(widePixel, 182, 34, 200), 1) << std::hex << widePixel;
  EXPECT_EQ(AlphaOf(widePixel), 255u);
}

TEST(PsdProfile, DocumentsWithoutAProfileSayNothingOfColours) {
  RecordingLogSink log;
  ReadOk(LoadFixture("cmyk.psd"), &log);
  EXPECT_TRUE(ConvertedLines(log).empty());
}

}  // namespace
}  // namespace quenvar::test
