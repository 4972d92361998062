// The reader's rules on crafted documents: counts, bounds, empty layers,
// refusals, the 10000 rule through a whole read, and the read guard.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"
#include "psdbuilder.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::RawLayer;
using test::ReadError;
using test::ReadOk;

BuiltDocument ThreeLayers() {
  BuiltDocument d;
  d.layers = {RawLayer({-1, 0, 1, 2}, {200, 10, 20, 30}, 2, 2, 1, 1),
              RawLayer({0, 1, 2}, {1, 2, 3}, 3, 1),
              RawLayer({-1, 0, 1, 2}, {9, 8, 7, 6}, 1, 3, -2, 5)};
  return d;
}

TEST(PsdReader, CraftedDocumentRecordsAndPixels) {
  BuiltDocument d = ThreeLayers();
  d.layers[1].key = "lum ";
  d.layers[1].opacity = 17;
  d.layers[1].flags = 2 | 8;
  d.layers[1].extraTail = Bytes(40, 0xAB);  // additional information after the name
  const TPsdImage& img = ReadOk(d.Build());
  ASSERT_EQ(img.layerCount, 3);
  EXPECT_EQ(img.layers[0].picture.Pixel(1, 1), Color32(10, 20, 30, 200));
  EXPECT_EQ(img.layers[1].picture.Pixel(2, 0), Color32(1, 2, 3, 0));
  EXPECT_EQ(img.layers[1].blendKey, "lum ");
  EXPECT_EQ(img.layers[1].opacity, 17);
  EXPECT_FALSE(img.layers[1].visible);
  EXPECT_EQ(img.layers[1].extraLength, 12u + 40u);
  EXPECT_EQ(img.layers[2].left, -2);
  EXPECT_EQ(img.layers[2].top, 5);
  EXPECT_EQ(img.layers[2].picture.Pixel(0, 2), Color32(8, 7, 6, 9));
}

TEST(PsdReader, LayerCounts) {
  BuiltDocument d = ThreeLayers();
  d.countField = 0xFFFD;  // -3
  EXPECT_EQ(ReadOk(d.Build()).layerCount, 3);

  BuiltDocument none;
  none.countField = 0;
  RecordingLogSink log;
  EXPECT_EQ(ReadOk(none.Build(), &log).layerCount, 0);
  EXPECT_EQ(log.Texts(),
            std::vector<std::string>({">> Reading Layers ( layercount : 0 )", " ", " ",
                                      ">> Reading Channels ", " ", " ", ">> Mixing channels ", " ",
                                      "fpos : " + std::to_string(none.Build().size() - 2)}));
  // No layer section at all: no layers, and the composite is not taken for records.
  BuiltDocument flat;
  flat.noLayerSection = true;
  flat.composite = {0, 1, 0, 2, 0xFF, 0xFF};
  const TPsdImage& img = ReadOk(flat.Build());
  EXPECT_EQ(img.layerCount, 0);
  EXPECT_EQ(img.layerMaskLength, 0u);

  BuiltDocument many;
  many.countField = 513;
  EXPECT_EQ(ReadError(many.Build()), "The document has 513 layers; at most 512 are read");
}

TEST(PsdReader, SectionCountersAndLengths) {
  BuiltDocument d = ThreeLayers();
  d.resources = Bytes(10, 1);
  const Bytes file = d.Build();
  const TPsdImage& img = ReadOk(file);
  EXPECT_EQ(img.resourceLength, 10u);
  EXPECT_EQ(std::size_t(img.layerMaskLength), file.size() - 26 - 4 - 4 - 10 - 4 - 2);
  EXPECT_EQ(img.layerMaskValue, std::int32_t(img.layerMaskLength));
  EXPECT_EQ(img.layerInfoValue, std::int32_t(img.layerMaskLength) - 4);
}

TEST(PsdReader, EmptyLayers) {
  BuiltDocument d;
  BuiltLayer marker = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 0, 0);
  BuiltLayer bounded = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 3, 2, 4, 4);
  for (auto& c : bounded.channels) c.data.clear();  // data length 2: nothing stored
  d.layers = {marker, bounded};
  RecordingLogSink log;
  const TPsdImage& img = ReadOk(d.Build(), &log);
  EXPECT_TRUE(img.layers[0].empty);
  EXPECT_TRUE(img.layers[0].picture.Empty());
  ASSERT_TRUE(img.layers[1].empty);
  ASSERT_EQ(img.layers[1].picture.Width(), 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(img.layers[1].picture.Pixel(x, y), 0u);
  for (const auto& line : log.Texts()) EXPECT_EQ(line.find("channel type"), std::string::npos);
}

TEST(PsdReader, NamesAreClearedAndColourModesAccepted) {
  BuiltDocument named = ThreeLayers();
  ReadOk(named.Build());
  BuiltDocument unnamed = ThreeLayers();
  unnamed.mode = 12;
  unnamed.layers[0].name.clear();
  const TPsdImage& img = ReadOk(unnamed.Build());
  EXPECT_EQ(img.layers[0].name, "");
  EXPECT_EQ(img.colorMode, 12);
  EXPECT_EQ(PsdColorModeName(img.colorMode), "<invalid>");
  EXPECT_EQ(PsdColorModeName(4), "CMYK Color");
  EXPECT_EQ(PsdCompressionName(3), "ZIP+p");
  EXPECT_EQ(PsdCompressionName(9), "<invalid>");
}

TEST(PsdReader, HeaderRefusals) {
  BuiltDocument v3 = ThreeLayers();
  v3.version = 3;
  EXPECT_EQ(ReadError(v3.Build()),
            "Cannot load image. Invalid or unexpected PSD or PDD image format.");
  for (unsigned depth : {0u, 3u, 24u, 64u}) {
    BuiltDocument deep = ThreeLayers();
    deep.depth = depth;
    EXPECT_EQ(ReadError(deep.Build()),
              "Color depth is invalid. Bits per sample must be 1, 2, 4, 8, 16 or 32.");
  }
  BuiltDocument noChannels = ThreeLayers();
  noChannels.channels = 0;
  EXPECT_EQ(ReadError(noChannels.Build()),
            "Sample count per pixel does not correspond to the given color scheme.");
  BuiltDocument bigPalette;
  bigPalette.mode = 2;
  bigPalette.colorData = Bytes(771, 0);
  EXPECT_EQ(ReadError(bigPalette.Build()),
            "Indexed colour data of 771 bytes is longer than 768 bytes");
  BuiltDocument huge;
  huge.rows = huge.columns = 20000;
  EXPECT_NE(ReadError(huge.Build()), "");
}

TEST(PsdReader, LayerRefusals) {
  BuiltDocument channels = ThreeLayers();
  channels.layers[1] = RawLayer(std::vector<std::int16_t>(31, 0), Bytes(31, 1), 1, 1);
  EXPECT_EQ(ReadError(channels.Build()), "Layer 1 has 31 channels; at most 30 are read");

  BuiltDocument shortLength = ThreeLayers();
  shortLength.layers[2].channels[0].lengthDelta = -4;  // data length 1
  EXPECT_NE(ReadError(shortLength.Build()).find("below the 2 bytes"), std::string::npos);

  BuiltDocument negative = ThreeLayers();
  negative.layers[0].bottom = negative.layers[0].top - 1;
  EXPECT_EQ(ReadError(negative.Build()), "Layer 0 has invalid bounds (size -1)");

  BuiltDocument wide = ThreeLayers();
  wide.layers[0].right = 40000;
  EXPECT_NE(ReadError(wide.Build()).find("limit"), std::string::npos);

  BuiltDocument rgb = ThreeLayers();
  rgb.layers[1] = RawLayer({-1, 0}, {255, 3}, 2, 2);
  EXPECT_NE(ReadError(rgb.Build()).find("at least three"), std::string::npos);
  BuiltDocument grey = ThreeLayers();
  grey.mode = 1;
  grey.layers[1] = RawLayer({-1}, {255}, 2, 2);
  EXPECT_NE(ReadError(grey.Build()).find("no grey channel"), std::string::npos);

  BuiltDocument bitmap = ThreeLayers();
  bitmap.depth = 1;
  EXPECT_NE(ReadError(bitmap.Build()), "");

  // Empty layers claiming vast bounds are refused before pictures are made.
  BuiltDocument vast;
  for (int i = 0; i < 4; ++i) {
    BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 0, 0);  // data length 2 each
    l.right = l.bottom = 4096;
    vast.layers.push_back(l);
  }
  EXPECT_NE(ReadError(vast.Build()).find("more than the document's data"), std::string::npos);
}

TEST(PsdReader, LyingLengths) {
  const Bytes good = ThreeLayers().Build();
  auto withLength = [&](std::size_t at, std::uint32_t v) {
    Bytes b = good;
    b[at] = std::uint8_t(v >> 24);
    b[at + 1] = std::uint8_t(v >> 16);
    b[at + 2] = std::uint8_t(v >> 8);
    b[at + 3] = std::uint8_t(v);
    return ReadError(b);
  };
  EXPECT_NE(withLength(26, 0x7FFFFFF0), "");  // colour mode data
  EXPECT_NE(withLength(30, 0xFFFFFFF0), "");  // image resources
  EXPECT_NE(withLength(34, 0x00FFFFFF), "");  // layer and mask section
  EXPECT_NE(withLength(38, 0x00FFFFFF), "");  // layer info
  // First record: channel 1's data length and the extra data length.
  EXPECT_NE(withLength(44 + 18 + 2, 0x7FFFFFFF).find("past the end"), std::string::npos);
  EXPECT_NE(withLength(44 + 18 + 24 + 12, 0xFFFFFF00).find("past the end"), std::string::npos);
}

TEST(PsdReader, BrokenRowCountsThroughAWholeRead) {
  BuiltDocument d;
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {255, 1, 2, 3}, 2, 2);
  // Channel 2 (red): row 0 packed as a repeat run, row 1's count broken.
  l.channels[1].compression = 1;
  l.channels[1].data = {0x00, 0x02, 0x27, 0x10, 0xFF, 0x42, 0xFF, 0x42};
  d.layers = {l};
  RecordingLogSink log;
  const TPsdImage& img = ReadOk(d.Build(), &log);
  const auto lines = log.Texts();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "### Layer data might be broken .."),
            lines.end());
  // Row 0 is decoded from the re-seek position, row 1 stays zero.
  EXPECT_EQ(RedOf(img.layers[0].picture.Pixel(0, 1)), 0u);
  EXPECT_EQ(img.layers[0].picture.Pixel(0, 0) >> 24, 255u);
}

TEST(PsdReader, TruncatedAnywhereFailsCleanly) {
  BuiltDocument d = ThreeLayers();
  d.layers[0].channels[2].compression = 1;
  d.layers[0].channels[2].data = {0x00, 0x02, 0x00, 0x02, 0xFF, 0x05, 0xFF, 0x06};
  const Bytes file = d.Build();
  const std::size_t end = file.size() - 2;  // the composite is not needed
  for (std::size_t cut = 0; cut < end; ++cut) {
    const std::string e = ReadError(Bytes(file.begin(), file.begin() + std::ptrdiff_t(cut)));
    EXPECT_NE(e, "") << cut;
  }
  EXPECT_EQ(ReadError(file), "");
}

// A log sink that tries to start a second read in the middle of one, as a
// window event handled while the log lets events run would.
class ReentrantSink : public LogSink {
 public:
  explicit ReentrantSink(Bytes file) : file_(std::move(file)) {}
  void StatusLog(std::string_view) override {}
  void PsdLog(std::string_view) override {
    if (tried_) return;
    tried_ = true;
    try {
      ReadPsd(file_);
    } catch (const Error& e) {
      message = e.what();
    }
  }
  std::string message;

 private:
  Bytes file_;
  bool tried_ = false;
};

TEST(PsdReader, SecondReadWhileOneRunsFails) {
  const Bytes file = ThreeLayers().Build();
  ReentrantSink sink(file);
  ScopedLogSink scoped(&sink);
  EXPECT_NO_THROW(ReadPsd(file));
  EXPECT_EQ(sink.message, "A PSD document is already being read; try again when it is done.");
  EXPECT_EQ(tPsdImage().layerCount, 3);
  // The guard is released after a failed read as well.
  Bytes bad = file;
  bad[0] = 'X';
  EXPECT_THROW(ReadPsd(bad), Error);
  EXPECT_NO_THROW(ReadPsd(file));
}

}  // namespace
}  // namespace quenvar
