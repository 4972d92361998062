// Layer masks on crafted documents: each mask at its own rectangle, default
// colours, flags and densities, empty masks, and damaged mask data.
#include <gtest/gtest.h>

#include <cmath>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"
#include "psd/psdshown.h"
#include "psdbuilder.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::BuiltChannel;
using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::MaskData;
using test::RawLayer;
using test::ReadError;

const PsdLayer& ReadOne(const BuiltLayer& layer, RecordingLogSink* log = nullptr) {
  BuiltDocument d;
  d.layers = {layer};
  RecordingLogSink own;
  ScopedLogSink scoped(log ? log : &own);
  ReadPsd(d.Build());
  return tPsdImage().layers[0];
}

// A 4 x 3 layer at (2, 1): alpha 200, colour (10, 20, 30), with a raw mask
// channel `id` holding `plane` and the mask data given.
BuiltLayer Masked(const Bytes& mask, const Bytes& plane, std::int16_t id = -2) {
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {200, 10, 20, 30}, 4, 3, 2, 1);
  l.channels.push_back({id, 0, plane, 0});
  l.mask = mask;
  return l;
}

std::vector<unsigned> Alphas(const PsdLayer& l) {
  std::vector<unsigned> out;
  for (int y = 0; y < l.picture.Height(); ++y)
    for (int x = 0; x < l.picture.Width(); ++x) out.push_back(AlphaOf(l.picture.Pixel(x, y)));
  return out;
}

TEST(PsdMask, SmallerMaskOutsideIsTheDefaultColour) {
  // 2 x 2 at document (3, 2): layer pixels (1..2, 1..2).
  const PsdLayer& l = ReadOne(Masked(MaskData(2, 3, 4, 5, 0, 0), {100, 150, 200, 250}));
  EXPECT_EQ(Alphas(l), std::vector<unsigned>({0, 0, 0, 0,  //
                                              0, 78, 118, 0, 0, 157, 196, 0}));
  EXPECT_EQ(l.picture.Pixel(1, 1) & 0xFFFFFF, 0x0A141Eu);  // colour untouched
  EXPECT_FALSE(l.opaque);

  const PsdLayer& white = ReadOne(Masked(MaskData(2, 3, 4, 5, 255, 0), {0, 0, 0, 0}));
  EXPECT_EQ(Alphas(white), std::vector<unsigned>({200, 200, 200, 200,  //
                                                  200, 0, 0, 200, 200, 0, 0, 200}));
}

TEST(PsdMask, LargerAndShiftedMasks) {
  // 8 x 6 from (0, 0), value 10 x + y at mask pixel (x, y).
  Bytes plane;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) plane.push_back(std::uint8_t(10 * x + y));
  const PsdLayer& l = ReadOne(Masked(MaskData(0, 0, 6, 8, 0, 0), plane));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const unsigned m = unsigned(10 * (2 + x) + 1 + y);
      EXPECT_EQ(AlphaOf(l.picture.Pixel(x, y)), unsigned(std::lround(200.0 * m / 255)))
          << x << "," << y;
    }
  // Reaching past the layer's bottom right: only (2..3, 2) is covered.
  const PsdLayer& shifted = ReadOne(Masked(MaskData(3, 4, 6, 9, 255, 0), Bytes(15, 0)));
  EXPECT_EQ(Alphas(shifted), std::vector<unsigned>({200, 200, 200, 200,  //
                                                    200, 200, 200, 200, 200, 200, 0, 0}));
}

TEST(PsdMask, FlagsAndDensity) {
  // Disabled: decoded, not applied.
  const PsdLayer& off = ReadOne(Masked(MaskData(1, 2, 4, 6, 0, 2), Bytes(12, 0)));
  EXPECT_EQ(Alphas(off), std::vector<unsigned>(12, 200));
  EXPECT_EQ(off.channels[4].data.size(), 12u);

  // The rectangle is in document pixels: (1..2, 1) covers layer (0, 0),
  // with or without the "relative to layer" flag.
  for (std::uint8_t flags : {0, 1}) {
    const PsdLayer& m = ReadOne(Masked(MaskData(1, 1, 2, 3, 0, flags), {0, 51}));
    EXPECT_EQ(Alphas(m), std::vector<unsigned>({40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  }

  // User density 128 keeps half the mask's effect: 0 becomes 127.
  const PsdLayer& dense = ReadOne(Masked(MaskData(1, 2, 4, 6, 0, 0x10, {0x01, 128}), Bytes(12, 0)));
  EXPECT_EQ(Alphas(dense), std::vector<unsigned>(12, 100));
  EXPECT_EQ(dense.mask.density, 128);
  // A rendered vector mask takes the vector density; feathers are skipped.
  Bytes params = {0x0F, 128, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 0};
  const PsdLayer& vec = ReadOne(Masked(MaskData(1, 2, 4, 6, 0, 0x18, params), Bytes(12, 0)));
  EXPECT_EQ(Alphas(vec), std::vector<unsigned>(12, 150));
}

TEST(PsdMask, VectorAndUserMaskBothApply) {
  // The first rectangle belongs to -2, the real one (after real flags and
  // colour) to -3: here all of the layer at 128, and its left half at 0.
  Bytes more = {0, 255};
  for (std::int32_t v : {1, 2, 4, 4}) test::Put32(more, std::uint32_t(v));
  BuiltLayer l = Masked(MaskData(1, 2, 4, 6, 0, 0, more), Bytes(12, 128));
  l.channels.push_back({-3, 0, Bytes(6, 0), 0});
  const PsdLayer& r = ReadOne(l);
  EXPECT_TRUE(r.realMask.present);
  EXPECT_EQ(r.realMask.width, 2);
  EXPECT_EQ(r.realMask.defaultColor, 255);
  EXPECT_EQ(Alphas(r), std::vector<unsigned>({0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100}));
}

TEST(PsdMask, MaskChannelsDecodeAtTheirOwnSize) {
  // A 5 x 1 RLE mask over a 4 x 3 layer: one row count, not three; the 3
  // samples over the layer are kept.
  BuiltLayer l = Masked(MaskData(1, 0, 2, 5, 255, 0), {});
  l.channels[4] = {-2, 1, {0x00, 0x02, 0xFC, 0x00}, 0};
  RecordingLogSink log;
  const PsdLayer& r = ReadOne(l, &log);
  EXPECT_EQ(r.channels[4].data, Bytes(3, 0));
  EXPECT_EQ(Alphas(r),
            std::vector<unsigned>({0, 0, 0, 200, 200, 200, 200, 200, 200, 200, 200, 200}));
  const auto lines = log.Texts();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  channel type RLE id -2 BPS : 1 size 5"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), " w/h : 5x1"), lines.end());
}

TEST(PsdMask, EmptyMasksAreNoMasks) {
  // An empty rectangle with a channel of nothing but its compression code.
  BuiltLayer empty = Masked(MaskData(0, 0, 0, 0, 0, 0), {});
  empty.channels[4].compression = 1;
  const PsdLayer& r = ReadOne(empty);
  EXPECT_FALSE(r.empty);
  EXPECT_EQ(r.picture.Pixel(3, 2), Color32(10, 20, 30, 200));
  // A rectangle whose channel stores nothing, and a mask channel without
  // mask data, are no masks either.
  EXPECT_EQ(Alphas(ReadOne(Masked(MaskData(1, 2, 4, 6, 0, 0), {}))),
            std::vector<unsigned>(12, 200));
  EXPECT_EQ(Alphas(ReadOne(Masked({}, Bytes(12, 0)))), std::vector<unsigned>(12, 200));
  // Without a transparency channel the layer stays opaque.
  BuiltLayer opaque = RawLayer({0, 1, 2, -2}, {1, 2, 3, 0}, 2, 2);
  opaque.channels[3].data.clear();
  opaque.mask = MaskData(0, 0, 0, 0, 0, 0);
  const PsdLayer& o = ReadOne(opaque);
  EXPECT_TRUE(o.opaque);
  EXPECT_EQ(o.picture.Pixel(1, 1), Color32(1, 2, 3, 255));
}

TEST(PsdMask, LayersWithoutTransparency) {
  // Colour and a mask: the mask is the alpha.
  BuiltLayer masked = RawLayer({0, 1, 2, -2}, {1, 2, 3, 90}, 2, 2);
  masked.mask = MaskData(0, 0, 2, 2, 0, 0);
  const PsdLayer& m = ReadOne(masked);
  EXPECT_FALSE(m.opaque);
  EXPECT_EQ(PsdLayerAsShown(m).Pixel(1, 0), Color32(1, 2, 3, 90));
  // Three colour channels: alpha 0 in the record, opaque as shown.
  const PsdLayer& plain = ReadOne(RawLayer({0, 1, 2}, {1, 2, 3}, 2, 2));
  EXPECT_TRUE(plain.opaque);
  EXPECT_EQ(plain.picture.Pixel(1, 1), Color32(1, 2, 3, 0));
  const TBitmap32 shown = PsdLayerAsShown(plain);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(shown.Bits()[i], Color32(1, 2, 3, 255));
}

TEST(PsdMask, DamagedMaskDataFailsWithAMessage) {
  const Bytes plane(12, 0);
  auto error = [&](const Bytes& mask) {
    return ReadError(test::Document({Masked(mask, plane)}).Build());
  };
  auto says = [&](const Bytes& mask, const std::string& part) {
    const std::string e = error(mask);
    return e.find(part) != std::string::npos ? testing::AssertionSuccess()
                                             : testing::AssertionFailure() << e;
  };
  EXPECT_TRUE(says(Bytes(10, 0), "too short for a mask"));
  // Parameters announced but missing.
  EXPECT_TRUE(says(MaskData(1, 2, 4, 6, 0, 0x10, {}), "shorter than the fields"));
  EXPECT_TRUE(says(MaskData(1, 2, 4, 6, 0, 0x10, {0x02, 0}), "shorter than the fields"));
  // Inverted and absurd rectangles.
  EXPECT_TRUE(says(MaskData(4, 2, 1, 6, 0, 0), "invalid mask rectangle"));
  EXPECT_TRUE(says(MaskData(INT32_MIN, 0, INT32_MAX, 1, 0, 0), "invalid mask rectangle"));
  // Rectangles the 12 stored bytes cannot fill, beyond the picture limits
  // or within them.
  EXPECT_TRUE(says(MaskData(0, 0, 1, 100000, 0, 0), "cannot fill a plane of 100000 bytes"));
  EXPECT_TRUE(says(MaskData(0, 0, 16000, 16000, 0, 0), "cannot fill a plane of 256000000"));
  // A mask length beyond the layer's extra data.
  BuiltDocument lying = test::Document({Masked(MaskData(1, 2, 4, 6, 0, 0), plane)});
  Bytes file = lying.Build();
  const std::size_t at = 44 + 18 + 5 * 6 + 16;  // first record's mask data length
  ASSERT_EQ(file[at + 3], 20);
  file[at + 2] = 1;
  EXPECT_NE(ReadError(file).find("mask data length points past"), std::string::npos);
  // Cut anywhere before the channel data ends.
  const Bytes good = lying.Build();
  for (std::size_t cut = 26; cut < good.size() - 2; ++cut)
    ASSERT_NE(ReadError(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut))), "") << cut;
}

}  // namespace
}  // namespace quenvar
