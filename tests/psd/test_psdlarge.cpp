// Large documents (version 2) and layers kept in the Lr16 and Lr32 blocks
// of the global layer information, on crafted documents, whole and damaged.
#include <gtest/gtest.h>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"
#include "psdbuilder.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::Block;
using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::Floats;
using test::RawLayer;
using test::ReadError;
using test::ReadOk;

// Two layers; the second's red channel is RLE with row counts of
// `countBytes` bytes, the first has a mask and a Unicode name.
BuiltDocument TwoLayers(int countBytes) {
  BuiltDocument d;
  BuiltLayer a = RawLayer({-1, 0, 1, 2, -2}, {200, 1, 2, 3, 0}, 2, 2, 1, 1);
  a.channels[4].data = {0, 255};
  a.mask = test::MaskData(1, 1, 2, 3, 255, 0);
  a.extraTail = Block("luni", test::UnicodeName(u"Groß"));
  BuiltLayer b = RawLayer({-1, 0, 1, 2}, {255, 0, 7, 8}, 3, 2);
  Bytes rle;
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < countBytes; ++i) rle.push_back(i == countBytes - 1 ? 2 : 0);
  rle.insert(rle.end(), {0xFE, 0x21, 0xFE, 0x42});
  b.channels[1] = {0, 1, rle, 0};
  d.layers = {a, b};
  return d;
}

void ExpectTwoLayers(const TPsdImage& img) {
  ASSERT_EQ(img.layerCount, 2);
  const PsdLayer& a = img.layers[0];
  EXPECT_EQ(a.name, "Groß");
  EXPECT_EQ(a.picture.Pixel(0, 0), Color32(1, 2, 3, 0));
  EXPECT_EQ(a.picture.Pixel(1, 0), Color32(1, 2, 3, 200));
  EXPECT_EQ(a.picture.Pixel(0, 1), Color32(1, 2, 3, 200));
  const PsdLayer& b = img.layers[1];
  EXPECT_EQ(b.picture.Pixel(2, 0), Color32(0x21, 7, 8, 255));
  EXPECT_EQ(b.picture.Pixel(0, 1), Color32(0x42, 7, 8, 255));
}

TEST(PsdLarge, LargeDocumentsWidenTheirLengths) {
  BuiltDocument d = TwoLayers(4);
  d.version = 2;
  const Bytes file = d.Build();
  EXPECT_TRUE(IsPsdStream(file));
  RecordingLogSink log;
  const TPsdImage& img = ReadOk(file, &log);
  EXPECT_TRUE(img.large);
  EXPECT_TRUE(LastPsdDocument().large);
  ExpectTwoLayers(img);
  EXPECT_EQ(std::size_t(img.layerMaskLength), file.size() - 26 - 4 - 4 - 8 - 2);
  EXPECT_EQ(log.Texts().back(), "fpos : " + std::to_string(file.size() - 2));
  // The same document as version 1.
  ExpectTwoLayers(ReadOk(TwoLayers(2).Build()));
  EXPECT_FALSE(tPsdImage().large);
}

TEST(PsdLarge, LargeDocumentLengthsBeyondTheFileFail) {
  BuiltDocument d = TwoLayers(4);
  d.version = 2;
  const Bytes good = d.Build();
  auto with64 = [&](std::size_t at, std::uint64_t v) {
    Bytes b = good;
    for (int i = 0; i < 8; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (56 - 8 * i));
    return ReadError(b);
  };
  EXPECT_NE(with64(34, 1ull << 40).find("past the end"), std::string::npos);  // section
  EXPECT_NE(with64(42, 1ull << 40).find("past the end"), std::string::npos);  // layer info
  const std::size_t channel1 = 52 + 18 + 2;  // first record's first data length
  EXPECT_NE(with64(channel1, 1ull << 40).find("past the end"), std::string::npos);
  EXPECT_NE(with64(channel1, 0x10000).find("past the end"), std::string::npos);
  EXPECT_NE(with64(channel1, 1).find("below the 2 bytes"), std::string::npos);
  for (std::size_t cut = 26; cut < good.size() - 2; ++cut)
    ASSERT_NE(ReadError(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut))), "") << cut;
}

TEST(PsdLarge, SixteenBitLayersInTheirBlock) {
  BuiltDocument d = test::BlockDocument("Lr16", 16);
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 1, 1, 3, 2);
  l.channels[0].data = {0xFF, 0xFF};
  l.channels[1].data = {0x80, 0x00};
  l.channels[2].data = {0x01, 0x01};
  l.channels[3].data = {0x00, 0xFF};
  l.name = "Deep";
  d.layers = {l};
  d.blocksBefore = Block("Patt", Bytes(8, 0xAA));  // another block comes first
  RecordingLogSink log;
  const TPsdImage& img = ReadOk(d.Build(), &log);
  ASSERT_EQ(img.layerCount, 1);
  EXPECT_EQ(img.layers[0].name, "Deep");
  EXPECT_EQ(img.layers[0].left, 3);
  EXPECT_EQ(img.layers[0].picture.Pixel(0, 0), Color32(127, 1, 0, 255));
  EXPECT_EQ(log.Texts().front(), ">> Reading Layers ( layercount : 1 )");
  EXPECT_EQ(img.layerInfoValue, std::int32_t(d.LayerInfo().size()));
  // In a large document the block's length is 8 bytes wide.
  d.version = 2;
  EXPECT_EQ(ReadOk(d.Build()).layers[0].picture.Pixel(0, 0), Color32(127, 1, 0, 255));
}

TEST(PsdLarge, ThirtyTwoBitLayersInTheirBlock) {
  BuiltDocument d = test::BlockDocument("Lr32", 32);
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 2, 1);
  l.channels[0].data = Floats({1.0f, 0.5f});
  l.channels[1].data = Floats({1.0f, 0.0f});
  l.channels[2].data = Floats({0.5f, 0.0f});
  l.channels[3].data = Floats({0.0f, 1.0f});
  d.layers = {l};
  const TPsdImage& img = ReadOk(d.Build());
  ASSERT_EQ(img.layerCount, 1);
  EXPECT_EQ(img.layers[0].picture.Pixel(0, 0), Color32(255, 188, 0, 255));
  EXPECT_EQ(img.layers[0].picture.Pixel(1, 0), Color32(0, 0, 255, 128));
}

TEST(PsdLarge, LayerBlocksWhoseLengthsLie) {
  BuiltDocument d = test::BlockDocument("Lr16", 16);
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 1, 1);
  for (auto& c : l.channels) c.data = {0x12, 0x34};
  d.layers = {l, l};
  ASSERT_EQ(ReadError(d.Build()), "");
  // Longer than the section.
  d.layerBlockDelta = 1;
  EXPECT_NE(ReadError(d.Build()).find("'Lr16' block length points past"), std::string::npos);
  // Shorter than what it holds: the reads stop at the block's end.
  for (std::int64_t delta : {-1, -8, -30, -40, -1000}) {
    d.layerBlockDelta = delta;
    EXPECT_NE(ReadError(d.Build()), "") << delta;
  }
  // A block ahead of it that does not fit ends the search: no layers.
  d.layerBlockDelta = 0;
  d.blocksBefore = Block("Patt", Bytes(8, 0), false, 5000);
  EXPECT_EQ(ReadError(d.Build()), "");
  EXPECT_EQ(tPsdImage().layerCount, 0);
  // Truncated anywhere.
  d.blocksBefore.clear();
  const Bytes good = d.Build();
  for (std::size_t cut = 26; cut < good.size() - 2; ++cut)
    ASSERT_NE(ReadError(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut))), "") << cut;
}

TEST(PsdLarge, LayersOfTheirOwnComeFirst) {
  // Layers in the layer info part: a (broken) layer block behind it is not
  // read.
  BuiltDocument d = TwoLayers(2);
  d.globalInfo = {0, 0, 0, 0};
  test::Append(d.globalInfo, Block("Lr16", Bytes(6, 0xFF)));
  ExpectTwoLayers(ReadOk(d.Build()));
  // An empty layer info part, a global mask info, and no block: no layers.
  BuiltDocument none;
  none.countField = 0;
  none.globalInfo = {0, 0, 0, 2, 0xAB, 0xCD};
  test::Append(none.globalInfo, Block("Patt", Bytes(4, 0)));
  EXPECT_EQ(ReadOk(none.Build()).layerCount, 0);
}

}  // namespace
}  // namespace quenvar
