// Documents written by third-party tools: records field by field and every
// decoded pixel against what the fixture script put in.
#include <gtest/gtest.h>

#include <cmath>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdgraphic.h"
#include "psdfixture.h"

namespace quenvar {
namespace {

using test::FixturePixel;
using test::LoadFixture;

const TPsdImage& Read(const std::string& name, RecordingLogSink* log = nullptr) {
  RecordingLogSink own;
  ScopedLogSink scoped(log ? log : &own);
  const auto bytes = LoadFixture(name);
  EXPECT_FALSE(bytes.empty()) << name;
  ReadPsd(bytes);
  return tPsdImage();
}

struct Expected {
  std::string name;
  int left, top, width, height;
  std::vector<int> ids;
  std::string key;
  int opacity;
  bool visible;
};

void ExpectRecord(const PsdLayer& l, const Expected& e) {
  SCOPED_TRACE(e.name);
  EXPECT_EQ(l.name, e.name);
  EXPECT_EQ(l.left, e.left);
  EXPECT_EQ(l.top, e.top);
  EXPECT_EQ(l.width, e.width);
  EXPECT_EQ(l.height, e.height);
  ASSERT_EQ(l.channelCount, e.ids.size());
  for (std::size_t k = 0; k < e.ids.size(); ++k) EXPECT_EQ(l.channels[k].id, e.ids[k]);
  EXPECT_EQ(l.blendKey, e.key);
  EXPECT_EQ(l.opacity, e.opacity);
  EXPECT_EQ(l.visible, e.visible);
  EXPECT_EQ(l.clipping, 0);
  EXPECT_EQ(l.picture.Width(), e.width);
  EXPECT_EQ(l.picture.Height(), e.height);
}

// Every pixel of the layer's picture against the script's formula.
void ExpectFormula(const PsdLayer& l, int seed, bool opaque, bool alphaZero = false) {
  SCOPED_TRACE(l.name);
  int wrong = 0;
  for (int y = 0; y < l.picture.Height(); ++y)
    for (int x = 0; x < l.picture.Width(); ++x) {
      TColor32 want = FixturePixel(seed, x, y, opaque);
      if (alphaZero) want &= 0x00FFFFFFu;
      if (l.picture.Pixel(x, y) != want && wrong++ < 3)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << l.picture.Pixel(x, y)
                      << " want " << want;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(PsdFixtures, LayersOfAnRleDocument) {
  const TPsdImage& img = Read("layers.psd");
  EXPECT_EQ(img.colorMode, 3);
  ASSERT_EQ(img.layerCount, 9);
  const std::vector<int> argb = {-1, 0, 1, 2};
  const std::string longName(255, 'N');
  const std::vector<Expected> want = {
      {"Background", 0, 0, 40, 30, {0, 1, 2}, "norm", 255, true},
      {"Offset", -5, -4, 16, 12, argb, "mul ", 128, true},
      {"Hidden", 30, 20, 20, 15, argb, "scrn", 255, false},
      {"Empty", 3, 4, 0, 0, argb, "norm", 255, true},
      {"</Layer group>", 0, 0, 0, 0, argb, "norm", 255, true},
      {"Inside", 10, 10, 6, 5, argb, "over", 255, true},
      {"Group", 0, 0, 0, 0, argb, "norm", 255, true},
      {"Masked", 2, 2, 8, 8, {-1, 0, 1, 2, -2}, "norm", 255, true},
      {longName, 36, 26, 4, 4, argb, "norm", 255, true},
  };
  for (std::size_t i = 0; i < want.size(); ++i) ExpectRecord(img.layers[i], want[i]);
  for (int i : {3, 4, 6}) EXPECT_TRUE(img.layers[std::size_t(i)].empty) << i;
  for (int i : {0, 1, 2, 5, 7, 8}) {
    EXPECT_FALSE(img.layers[std::size_t(i)].empty) << i;
    EXPECT_EQ(img.layers[std::size_t(i)].channels[1].compression, 1) << i;
  }
  ExpectFormula(img.layers[0], 1, true, true);  // three channels: alpha 0
  ExpectFormula(img.layers[1], 2, false);
  ExpectFormula(img.layers[2], 3, false);
  ExpectFormula(img.layers[5], 4, false);
  ExpectFormula(img.layers[8], 6, false);
  // The mask (value 4 i at pixel i) scales the transparency.
  const TPsdChannel& mask = img.layers[7].channels[4];
  ASSERT_EQ(mask.data.size(), 64u);
  EXPECT_EQ(mask.data[10], 40);
  for (int i = 0; i < 64; ++i) {
    const TColor32 p = FixturePixel(5, i % 8, i / 8, false);
    const unsigned a = unsigned(std::lround(AlphaOf(p) * (4.0 * i) / 255));
    ASSERT_EQ(img.layers[7].picture.Pixel(i % 8, i / 8), (p & 0x00FFFFFFu) | a << 24) << i;
  }
  // The group's record carries more than its name; the next record was
  // found all the same.
  EXPECT_GT(img.layers[6].extraLength, 16u);
  EXPECT_EQ(img.layerInfoValue % 2, 0);
  EXPECT_GT(img.layerMaskValue, img.layerInfoValue);
  EXPECT_EQ(std::uint32_t(img.layerMaskValue), img.layerMaskLength);
  EXPECT_GT(img.resourceLength, 0u);
}

TEST(PsdFixtures, EveryBlendKeyOfTheImportTable) {
  const TPsdImage& img = Read("blendkeys.psd");
  const char* keys[] = {"norm", "scrn", "diss", "lite", "dark", "mul ", "idiv",
                        "lddg", "over", "sLit", "hLit", "vLit", "lLit", "pLit",
                        "hMix", "diff", "smud", "hue ", "sat ", "colr", "lum "};
  ASSERT_EQ(img.layerCount, 21);
  for (int i = 0; i < 21; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    ExpectRecord(
        l, {"Key " + std::to_string(i), i % 5, i % 3, 3, 2, {-1, 0, 1, 2}, keys[i], i * 12, true});
    ExpectFormula(l, 10 + i, false);
  }
}

TEST(PsdFixtures, ZipRawAndPredictedChannels) {
  const TPsdImage& zip = Read("zip.psd");
  ASSERT_EQ(zip.layerCount, 2);
  ExpectRecord(zip.layers[0], {"Zip A", 0, 0, 16, 16, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectRecord(zip.layers[1], {"Zip B", 4, 5, 9, 7, {-1, 0, 1, 2}, "norm", 64, true});
  EXPECT_EQ(zip.layers[0].channels[0].compression, 2);
  ExpectFormula(zip.layers[0], 11, false);
  ExpectFormula(zip.layers[1], 12, false);

  const TPsdImage& raw = Read("rawzip8.psd");
  ASSERT_EQ(raw.layerCount, 3);
  const int codes[] = {0, 3, 2};
  const int seeds[] = {7, 8, 9};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(raw.layers[std::size_t(i)].channels[std::size_t(k)].compression, codes[i]);
    ExpectFormula(raw.layers[std::size_t(i)], seeds[i], false);
  }
  ExpectRecord(raw.layers[0], {"Raw", 1, 2, 7, 5, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectRecord(raw.layers[1], {"Predicted", 0, 0, 9, 6, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectRecord(raw.layers[2], {"Zipped", 3, 3, 5, 4, {-1, 0, 1, 2}, "norm", 255, true});
}

TEST(PsdFixtures, SixteenBitSamplesAreReduced) {
  const TPsdImage& img = Read("deep16.psd");
  EXPECT_EQ(LastPsdDocument().bitsPerSample, 16);
  ASSERT_EQ(img.layerCount, 3);
  const int seeds[] = {7, 8, 9};
  for (int i = 0; i < 3; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    EXPECT_EQ(l.channels[0].data.size(), std::size_t(2 * l.width * l.height));
    for (int y = 0; y < l.height; ++y)
      for (int x = 0; x < l.width; ++x) {
        // The script stores v in the high byte and (v * 7 + x) & 255 in the low one.
        const TColor32 p8 = FixturePixel(seeds[i], x, y, false);
        auto reduce = [&](unsigned v) {
          return (v * 256 + ((v * 7 + unsigned(x)) & 255)) * 255 / 65535;
        };
        const TColor32 want = Color32(reduce(RedOf(p8)), reduce(GreenOf(p8)), reduce(BlueOf(p8)),
                                      reduce(AlphaOf(p8)));
        ASSERT_EQ(l.picture.Pixel(x, y), want) << l.name << " " << x << "," << y;
      }
  }
}

TEST(PsdFixtures, NegativeLayerCount) {
  const TPsdImage& img = Read("negcount.psd");
  ASSERT_EQ(img.layerCount, 3);
  ExpectRecord(img.layers[0], {"A", 0, 0, 5, 5, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectRecord(img.layers[1], {"B", 1, 1, 2, 3, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectRecord(img.layers[2], {"C", 2, 0, 3, 1, {-1, 0, 1, 2}, "norm", 255, true});
  ExpectFormula(img.layers[0], 31, false);
  ExpectFormula(img.layers[1], 32, false);
  ExpectFormula(img.layers[2], 33, false);
}

TEST(PsdFixtures, TransparencyStoredLast) {
  const TPsdImage& img = Read("alphalast.psd");
  ASSERT_EQ(img.layerCount, 2);
  ExpectRecord(img.layers[0], {"L1", 0, 0, 3, 2, {0, 1, 2, -1}, "mron", 255, true});
  ExpectRecord(img.layers[1], {"L2", 0, 0, 2, 2, {0, 1, 2, -1}, "mron", 255, true});
  EXPECT_EQ(img.layers[0].picture.Pixel(2, 1), Color32(255, 0x88, 0, 255));
  EXPECT_EQ(img.layers[1].picture.Pixel(1, 1), Color32(0, 255, 0, 128));
}

TEST(PsdFixtures, CmykLayers) {
  const TPsdImage& img = Read("cmyk.psd");
  EXPECT_EQ(img.colorMode, 4);
  ASSERT_EQ(img.layerCount, 1);
  const PsdLayer& l = img.layers[0];
  ExpectRecord(l, {"Inks", 1, 1, 4, 3, {-1, 0, 1, 2, 3}, "norm", 255, true});
  auto ink = [](int k, int i) { return unsigned(k * 60 + i * 19) & 255; };
  for (int i = 0; i < 12; ++i) {
    const unsigned black = ink(4, i);
    auto light = [&](unsigned v) { return (v * black + 127) / 255; };
    EXPECT_EQ(l.picture.Pixel(i % 4, i / 4),
              Color32(light(ink(1, i)), light(ink(2, i)), light(ink(3, i)), ink(0, i)))
        << i;
  }
  const TPsdImage& im = Read("cmyk-im.psd");
  ASSERT_EQ(im.layerCount, 1);
  ExpectRecord(im.layers[0], {"L1", 0, 0, 3, 2, {0, 1, 2, 3, -1}, "mron", 255, true});
  const TColor32 p = im.layers[0].picture.Pixel(1, 1);
  EXPECT_NEAR(RedOf(p), 255, 1);
  EXPECT_NEAR(GreenOf(p), 0x88, 1);
  EXPECT_NEAR(BlueOf(p), 0, 1);
  EXPECT_EQ(AlphaOf(p), 255u);
}

TEST(PsdFixtures, FlatSixteenBitDocument) {
  const TPsdImage& img = Read("flat.psd");
  EXPECT_EQ(LastPsdDocument().bitsPerSample, 16);
  ASSERT_EQ(img.layerCount, 1);
  const PsdLayer& l = img.layers[0];
  ExpectRecord(l, {"L1", 0, 0, 6, 4, {0, 1, 2}, "norm", 255, true});
  // A red-to-blue gradient from top to bottom, alpha untouched (three channels).
  EXPECT_EQ(l.picture.Pixel(0, 0), Color32(255, 0, 0, 0));
  EXPECT_EQ(l.picture.Pixel(5, 3), Color32(0, 0, 255, 0));
  EXPECT_GT(RedOf(l.picture.Pixel(2, 1)), RedOf(l.picture.Pixel(2, 2)));
}

TEST(PsdFixtures, IndexedDocumentWithoutLayers) {
  RecordingLogSink log;
  const TPsdImage& img = Read("indexed.psd", &log);
  EXPECT_EQ(img.colorMode, 2);
  EXPECT_EQ(img.layerCount, 0);
  const TPsdDocument& doc = LastPsdDocument();
  ASSERT_EQ(doc.palette.size(), 256u);
  EXPECT_EQ(doc.palette[10], Color32(10, 245, 30));
  EXPECT_EQ(doc.pixelBits, 8);
  EXPECT_EQ(log.Texts().front(), ">> Reading Layers ( layercount : 0 )");
}

TEST(PsdFixtures, AccountLinesOfATwoLayerDocument) {
  RecordingLogSink log;
  Read("twolayers.psd", &log);
  for (const auto& line : log.lines) EXPECT_TRUE(line.psd);
  std::vector<std::string> want = {">> Reading Layers ( layercount : 2 )",
                                   " ",
                                   "Layer 0 \"Bottom",
                                   "  pos x:0,y:0 / Size: 4x3",
                                   "  4ch blend:norm opacity:255 vis :1",
                                   "Layer 1 \"Top",
                                   "  pos x:1,y:1 / Size: 2x2",
                                   "  4ch blend:scrn opacity:255 vis :1",
                                   " ",
                                   ">> Reading Channels ",
                                   " ",
                                   "> Layer 0 size 21 ch 1 pos 272 < RLE",
                                   "> Layer 0 size 21 ch 2 pos 295 < RLE",
                                   "> Layer 0 size 12 ch 3 pos 318 < RLE",
                                   "> Layer 0 size 21 ch 4 pos 332 < RLE",
                                   "> Layer 1 size 10 ch 1 pos 355 < RLE",
                                   "> Layer 1 size 10 ch 2 pos 367 < RLE",
                                   "> Layer 1 size 10 ch 3 pos 379 < RLE",
                                   "> Layer 1 size 10 ch 4 pos 391 < RLE",
                                   " ",
                                   ">> Mixing channels ",
                                   " ",
                                   " ",
                                   "Decoding Layer \"Bottom\""};
  const int bottomPos[] = {272, 295, 318, 332};
  const int ids[] = {-1, 0, 1, 2};
  for (int k = 0; k < 4; ++k) {
    want.push_back("  channel type RLE id " + std::to_string(ids[k]) + " BPS : 1 size 12");
    want.push_back("  pos :" + std::to_string(bottomPos[k]));
    want.push_back("  rle map size :3");
    want.push_back(" w/h : 4x3");
  }
  want.push_back("  Mixing colors // ");
  want.push_back("rgba mix");
  want.push_back(" ");
  want.push_back("Decoding Layer \"Top\"");
  const int topPos[] = {355, 367, 379, 391};
  for (int k = 0; k < 4; ++k) {
    want.push_back("  channel type RLE id " + std::to_string(ids[k]) + " BPS : 1 size 4");
    want.push_back("  pos :" + std::to_string(topPos[k]));
    want.push_back("  rle map size :2");
    want.push_back(" w/h : 2x2");
  }
  want.push_back("  Mixing colors // ");
  want.push_back("rgba mix");
  want.push_back("fpos : 401");
  EXPECT_EQ(log.Texts(), want);
  ExpectFormula(tPsdImage().layers[0], 21, false);
  ExpectFormula(tPsdImage().layers[1], 22, false);
}

TEST(PsdFixtures, EveryReadRewritesTheOneRecord) {
  Read("layers.psd");
  Read("twolayers.psd");
  const TPsdImage& img = tPsdImage();
  EXPECT_EQ(img.layerCount, 2);
  EXPECT_EQ(img.layers[0].name, "Bottom");
  // Records past the count keep what the earlier read left.
  EXPECT_EQ(img.layers[5].name, "Inside");
}

TEST(PsdGraphic, RegistryReader) {
  const TPictureReader& r = PsdReader();
  EXPECT_EQ(r.name, "PSD");
  const auto bytes = LoadFixture("layers.psd");
  ASSERT_TRUE(r.IsFormat);
  EXPECT_TRUE(r.IsFormat(std::span(bytes).first(64)));
  EXPECT_FALSE(r.IsFormat(std::span(bytes).first(26)));
  Read("twolayers.psd");
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  const TPicture pic = r.Decode(bytes, "layers.psd");
  EXPECT_EQ(pic.width, 40);
  EXPECT_EQ(pic.height, 30);
  ASSERT_EQ(pic.pixels.size(), 1200u);
  for (TColor32 p : pic.pixels) ASSERT_EQ(p, kPsdDocumentColor);
  // Decoding through the registry entry rewrites the record as well.
  EXPECT_EQ(tPsdImage().layerCount, 9);
  EXPECT_FALSE(log.lines.empty());
}

TEST(PsdGraphic, ContentCheck) {
  auto bytes = LoadFixture("twolayers.psd");
  EXPECT_TRUE(IsPsdStream(bytes));
  bytes[1] = 'b';
  bytes[2] = 'p';
  bytes[3] = 's';
  EXPECT_TRUE(IsPsdStream(bytes));  // "8bps" passes the check ...
  try {
    ReadPsd(bytes);  // ... but not the read
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected PSD or PDD image format.");
  }
  bytes[5] = 2;  // a large document
  EXPECT_TRUE(IsPsdStream(bytes));
  bytes[5] = 3;
  EXPECT_FALSE(IsPsdStream(bytes));
  std::vector<std::uint8_t> shifted(3, 0);
  auto good = LoadFixture("twolayers.psd");
  shifted.insert(shifted.end(), good.begin(), good.end());
  EXPECT_FALSE(IsPsdStream(shifted));
  EXPECT_TRUE(IsPsdStream(shifted, 3));
  EXPECT_FALSE(IsPsdStream(std::vector<std::uint8_t>(good.begin(), good.begin() + 27), 1));
}

}  // namespace
}  // namespace quenvar
