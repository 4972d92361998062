// PackBits decoding, channel decoding (RLE, raw, ZIP) and picture assembly.
#include <gtest/gtest.h>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/packbits.h"
#include "psd/psdassemble.h"
#include "psd/psdchannel.h"
#include "psdbuilder.h"

namespace quenvar {
namespace {

using test::Bytes;
using test::Deflated;

Bytes Unpack(const Bytes& packed, std::size_t size, std::uint8_t fill = 0xEE) {
  Bytes plane(size, fill);
  TPackbitsRLEDecoder().Decode(packed.data(), plane.data(), packed.size(), size);
  return plane;
}

TEST(PackBits, ControlValues) {
  EXPECT_EQ(Unpack({0x80, 0x00, 0x41}, 1), Bytes({0x41}));
  EXPECT_EQ(Unpack({0xFE, 0x07}, 3), Bytes({7, 7, 7}));
  EXPECT_EQ(Unpack({0x02, 0x01, 0x02, 0x03}, 3), Bytes({1, 2, 3}));
  // A run may carry on into the next row: rows are one stream.
  EXPECT_EQ(Unpack({0xFD, 0x05, 0x00, 0x09}, 5), Bytes({5, 5, 5, 5, 9}));
}

TEST(PackBits, RunsAreCutAtTheEndOfThePlane) {
  EXPECT_EQ(Unpack({0x04, 1, 2, 3, 4, 5}, 3), Bytes({1, 2, 3}));
  EXPECT_EQ(Unpack({0x81, 0x09}, 4), Bytes({9, 9, 9, 9}));
  Bytes plane(8, 0);
  const Bytes packed = {0x81, 0x09, 0x81, 0x08};
  // The second run starts past the end: nothing is written beyond 3 bytes.
  EXPECT_EQ(TPackbitsRLEDecoder().Decode(packed.data(), plane.data(), packed.size(), 3), 3u);
  EXPECT_EQ(plane, Bytes({9, 9, 9, 0, 0, 0, 0, 0}));
}

TEST(PackBits, ShortDataLeavesTheRestUnwritten) {
  EXPECT_EQ(Unpack({0x05, 1, 2}, 6), Bytes({1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(Unpack({0x00, 7, 0xFE}, 4), Bytes({7, 0xEE, 0xEE, 0xEE}));  // repeat without value
  EXPECT_EQ(Unpack({}, 2), Bytes({0xEE, 0xEE}));
}

TEST(PsdSample, SixteenBitReduction) {
  EXPECT_EQ(ReducePsdSample16(0xFFFF), 255u);
  EXPECT_EQ(ReducePsdSample16(0x8000), 127u);
  EXPECT_EQ(ReducePsdSample16(0x0101), 1u);
  EXPECT_EQ(ReducePsdSample16(0x00FF), 0u);
}

// Decodes one channel stored at offset 0 of `file` (compression word ahead).
struct ChannelRun {
  PsdLayer layer;
  RecordingLogSink log;
  std::size_t endPosition = 0;

  ChannelRun(int w, int h) {
    layer.width = w;
    layer.height = h;
    layer.name = "T";
  }
  Bytes Decode(const Bytes& file, unsigned compression, int bps = 1) {
    ScopedLogSink scoped(&log);
    PsdStream s(file);
    TPsdChannel& ch = layer.channels[0];
    ch.compression = std::uint16_t(compression);
    ch.position = 2;
    ch.length = std::int32_t(file.size() - 2);
    DecodePsdChannel(s, layer, ch, {layer.width, layer.height, bps, 2, std::nullopt});
    endPosition = s.Position();
    return ch.data;
  }
};

Bytes RleChannel(const std::vector<unsigned>& rowCounts, const Bytes& packed) {
  Bytes b = {0, 1};
  for (unsigned c : rowCounts) test::Put16(b, c);
  b.insert(b.end(), packed.begin(), packed.end());
  return b;
}

TEST(PsdChannel, RleRowsAndAccountLines) {
  ChannelRun run(3, 2);
  const Bytes plane = run.Decode(RleChannel({2, 4}, {0xFE, 7, 0x02, 1, 2, 3}), 1);
  EXPECT_EQ(plane, Bytes({7, 7, 7, 1, 2, 3}));
  EXPECT_EQ(run.log.Texts(), std::vector<std::string>({"  rle map size :2", " w/h : 3x2"}));
  EXPECT_EQ(run.endPosition, 2u + 4 + 6);
}

TEST(PsdChannel, RowCount9999IsSummed) {
  ChannelRun run(1, 2);
  Bytes packed = {0x00, 5};
  packed.resize(9999 + 2, 0);
  EXPECT_NO_THROW(run.Decode(RleChannel({9999, 2}, packed), 1));
  EXPECT_EQ(run.log.Texts().size(), 2u);
  EXPECT_EQ(run.endPosition, 2u + 4 + 10001);
}

TEST(PsdChannel, RowCount10000ReSeeksAndDecodesTheRowsBefore) {
  // Row table at 2..7 (3 rows); row 1 is broken. The stream moves back by
  // height + 1 - y = 3 bytes from the table's end at 8, to 5, and reads the
  // 2 bytes that row 0 counts from there.
  ChannelRun run(2, 3);
  // The bytes read from 5 are the low byte of the broken count (0x10, a
  // literal run) and the high byte of row 2's count (0x05).
  const Bytes plane = run.Decode(RleChannel({2, 10000, 0x0502}, {0x01, 4, 4, 0x00}), 1);
  EXPECT_EQ(run.log.Texts(),
            std::vector<std::string>({"  rle map size :3", " w/h : 2x3",
                                      "### Layer data might be broken ..", "### re-seek : 5"}));
  EXPECT_EQ(plane, Bytes({0x05, 0, 0, 0, 0, 0}));
  EXPECT_EQ(run.endPosition, 7u);
}

TEST(PsdChannel, RawAndUnknownCodesAreCopied) {
  for (unsigned code : {0u, 7u}) {
    ChannelRun run(2, 2);
    EXPECT_EQ(run.Decode({0, 0, 1, 2, 3, 4}, code), Bytes({1, 2, 3, 4}));
    EXPECT_EQ(run.log.Texts().size(), 2u);
  }
}

// Deflated data behind the two bytes the decoder skips before it.
Bytes Deflate(const Bytes& data) {
  Bytes out = Deflated(data);
  out.insert(out.begin(), {0, 0});
  return out;
}

TEST(PsdChannel, ZipChannelsAreInflated) {
  ChannelRun run(3, 2);
  EXPECT_EQ(run.Decode(Deflate({1, 2, 3, 4, 5, 6}), 2), Bytes({1, 2, 3, 4, 5, 6}));
  // Prediction: each row holds differences from the sample to its left.
  ChannelRun predicted(3, 2);
  EXPECT_EQ(predicted.Decode(Deflate({10, 1, 255, 20, 2, 2}), 3), Bytes({10, 11, 10, 20, 22, 24}));
  ChannelRun deep(2, 1);
  EXPECT_EQ(deep.Decode(Deflate({0x12, 0x34, 0xFF, 0xFF}), 3, 2), Bytes({0x12, 0x34, 0x12, 0x33}));
}

TEST(PsdChannel, DamagedZipDataFails) {
  ChannelRun run(3, 2);
  Bytes bad = Deflate({1, 2, 3, 4, 5, 6});
  bad[4] ^= 0xFF;
  bad[5] ^= 0xFF;
  EXPECT_THROW(run.Decode(bad, 2), Error);
  // Data that ends early leaves zeros.
  ChannelRun shortRun(3, 2);
  EXPECT_EQ(shortRun.Decode(Deflate({1, 2}), 2), Bytes({1, 2, 0, 0, 0, 0}));
}

TEST(PsdChannel, TruncatedDataFailsWithStreamReadError) {
  ChannelRun raw(4, 4);
  try {
    raw.Decode({0, 0, 1, 2, 3}, 0);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  ChannelRun rle(2, 4);
  EXPECT_THROW(rle.Decode({0, 1, 0, 2}, 1), Error);  // row table cut short
  ChannelRun packed(2, 1);
  EXPECT_THROW(packed.Decode(RleChannel({40}, {0x01, 1, 1}), 1), Error);
}

TEST(PsdChannel, PlanesThatTheDataCannotFillAreRefusedBeforeAllocating) {
  ChannelRun run(100000, 1);
  EXPECT_THROW(run.Decode(RleChannel({2}, {0xFF, 0}), 1), Error);
  EXPECT_TRUE(run.layer.channels[0].data.empty());
  ChannelRun zip(100000, 1);
  EXPECT_THROW(zip.Decode(Deflate({1}), 2), Error);
}

// Assembly ---------------------------------------------------------------

PsdLayer LayerWith(std::vector<std::int16_t> ids, std::vector<Bytes> planes, int w, int h) {
  PsdLayer l;
  l.width = w;
  l.height = h;
  l.channelCount = std::uint32_t(ids.size());
  for (std::size_t k = 0; k < ids.size(); ++k) {
    l.channels[k].id = ids[k];
    l.channels[k].data = planes[k];
  }
  return l;
}

TColor32 AssembleOne(std::vector<std::int16_t> ids, std::vector<std::uint8_t> values,
                     unsigned mode = 3) {
  std::vector<Bytes> planes;
  for (auto v : values) planes.push_back(Bytes{v});
  PsdLayer l = LayerWith(ids, planes, 1, 1);
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  AssemblePsdLayer(l, 1, mode);
  return l.picture.Pixel(0, 0);
}

TEST(PsdAssemble, ChannelChoice) {
  // The usual order, and with a mask record that is not used.
  EXPECT_EQ(AssembleOne({-1, 0, 1, 2}, {9, 1, 2, 3}), 0x09010203u);
  EXPECT_EQ(AssembleOne({-1, 0, 1, 2, -2}, {9, 1, 2, 3, 77}), 0x09010203u);
  // Red, green and blue only: alpha stays 0.
  EXPECT_EQ(AssembleOne({0, 1, 2}, {1, 2, 3}), 0x00010203u);
  // Transparency stored last is still taken as alpha.
  EXPECT_EQ(AssembleOne({0, 1, 2, -1}, {1, 2, 3, 9}), 0x09010203u);
  EXPECT_EQ(AssembleOne({2, -1, 1, 0}, {3, 9, 2, 1}), 0x09010203u);
  // Other ids: by position.
  EXPECT_EQ(AssembleOne({5, 6, 7}, {1, 2, 3}), 0x00010203u);
  EXPECT_EQ(AssembleOne({-1, 5, 6, 7}, {9, 1, 2, 3}), 0x09010203u);
  // Colour planes without transparency next to a mask: opaque.
  EXPECT_EQ(AssembleOne({0, 1, 2, -2}, {1, 2, 3, 4}), 0xFF010203u);
}

TEST(PsdAssemble, CmykInksBecomeRgb) {
  // Stored inverted: 255 is no ink. Cyan ink 100% (0), no black (255).
  EXPECT_EQ(AssembleOne({-1, 0, 1, 2, 3}, {200, 0, 255, 255, 255}, 4), 0xC800FFFFu);
  EXPECT_EQ(AssembleOne({0, 1, 2, 3, -1}, {255, 255, 255, 0, 128}, 4), 0x80000000u);
  EXPECT_EQ(AssembleOne({0, 1, 2, 3}, {255, 128, 255, 128}, 4), 0xFF804080u);
  // Outside CMYK documents a fourth colour id is not ink.
  EXPECT_EQ(AssembleOne({-1, 0, 1, 2, 3}, {200, 0, 255, 255, 0}, 3), 0xC800FFFFu);
}

TEST(PsdAssemble, SixteenBitPlanes) {
  PsdLayer l =
      LayerWith({-1, 0, 1, 2}, {{0xFF, 0xFF}, {0x80, 0x00}, {0x01, 0x01}, {0x00, 0xFF}}, 1, 1);
  AssemblePsdLayer(l, 2);
  EXPECT_EQ(l.picture.Pixel(0, 0), 0xFF7F0100u);
}

TEST(PsdAssemble, AccountLinesAndEmptyLayers) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  PsdLayer three = LayerWith({0, 1, 2}, {{1}, {2}, {3}}, 1, 1);
  AssemblePsdLayer(three, 1);
  PsdLayer four = LayerWith({-1, 0, 1, 2}, {{1}, {2}, {3}, {4}}, 1, 1);
  AssemblePsdLayer(four, 1);
  EXPECT_EQ(log.Texts(), std::vector<std::string>({"rgb mix", "rgba mix"}));

  PsdLayer empty = LayerWith({-1, 0, 1, 2}, {{}, {}, {}, {}}, 5, 4);
  empty.empty = true;
  AssemblePsdLayer(empty, 1);
  ASSERT_EQ(empty.picture.Width(), 5);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(empty.picture.Pixel(x, y), 0u);

  PsdLayer two = LayerWith({-1, 0}, {{1}, {2}}, 1, 1);
  EXPECT_THROW(AssemblePsdLayer(two, 1), Error);
  PsdLayer undecoded = LayerWith({-1, 0, 1, 2}, {{}, {}, {}, {}}, 2, 2);
  EXPECT_THROW(AssemblePsdLayer(undecoded, 1), Error);
}

}  // namespace
}  // namespace quenvar
