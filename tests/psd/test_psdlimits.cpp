// What a document may claim: masks far larger than their layers keep only
// the part over the layer, documents whose data describes large areas in
// few bytes open, and tiny files that claim huge pictures are refused
// before anything large is allocated.
#include <gtest/gtest.h>

#include <functional>

#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "largestallocation.h"
#include "psd/psdbudget.h"
#include "psd/psdreader.h"
#include "psdbuilder.h"
#include "psdfixture.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::Deflated;
using test::FixturePixel;
using test::MaskData;
using test::RawLayer;
using test::ReadError;
using test::ReadOk;

// ---- Cropped masks against a mask of the layer's own rectangle ----------

struct Rect {
  int left, top, width, height;
};

// Sample (x, y) of the test's mask plane, 8-bit: stripes of one value, so
// that PackBits has runs to make, between varying rows.
unsigned MaskSample(int x, int y) {
  return y % 3 == 0 ? 200u : unsigned(x * 7 + y * 13) & 255;
}

// A plane of `r` from `value`, 1 or 2 bytes a sample (16-bit samples are
// v * 257, which reduce to v).
Bytes Plane(const Rect& r, int bps, const std::function<unsigned(int, int)>& value) {
  Bytes b;
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      const unsigned v = value(x, y);
      if (bps == 2)
        test::Put16(b, v * 257);
      else
        b.push_back(std::uint8_t(v));
    }
  return b;
}

// PackBits over the whole plane as one run of data (runs cross rows), all
// of it counted by the first row.
Bytes PackedPlane(const Bytes& plane, int rows) {
  Bytes packed;
  for (std::size_t i = 0; i < plane.size();) {
    std::size_t run = 1;
    while (i + run < plane.size() && run < 128 && plane[i + run] == plane[i]) ++run;
    if (run >= 3) {
      packed.push_back(std::uint8_t(1 - int(run)));
      packed.push_back(plane[i]);
      i += run;
      continue;
    }
    const std::size_t n = std::min<std::size_t>(plane.size() - i, 2);
    packed.push_back(std::uint8_t(n - 1));
    packed.insert(packed.end(), plane.begin() + std::ptrdiff_t(i),
                  plane.begin() + std::ptrdiff_t(i + n));
    i += n;
  }
  Bytes b;
  test::Put16(b, unsigned(packed.size()));
  for (int y = 1; y < rows; ++y) test::Put16(b, 0);
  test::Append(b, packed);
  return b;
}

// Per-row differences, as ZIP-with-prediction channels store them.
Bytes Predicted(const Bytes& plane, int width, int bps) {
  Bytes out = plane;
  const std::size_t row = std::size_t(width * bps);
  for (std::size_t y = 0; y * row < plane.size(); ++y)
    for (std::size_t x = std::size_t(width) - 1; x > 0; --x) {
      const std::size_t i = y * row + x * std::size_t(bps), p = i - std::size_t(bps);
      if (bps == 1) {
        out[i] = std::uint8_t(plane[i] - plane[p]);
      } else {
        const unsigned d =
            ((plane[i] << 8 | plane[i + 1]) - (plane[p] << 8 | plane[p + 1])) & 0xFFFF;
        out[i] = std::uint8_t(d >> 8);
        out[i + 1] = std::uint8_t(d);
      }
    }
  return out;
}

Bytes Stored(const Bytes& plane, const Rect& r, int bps, unsigned compression) {
  switch (compression) {
    case 1:
      return PackedPlane(plane, r.height);
    case 2:
      return Deflated(plane);
    case 3:
      return Deflated(Predicted(plane, r.width, bps));
    default:
      return plane;
  }
}

constexpr Rect kLayer{10, 20, 5, 4};

// The 5 x 4 layer at (10, 20) with mask `mask` of default colour d.
const TPsdImage& ReadMasked(const Rect& mask, unsigned d, int bps, unsigned compression,
                            const std::function<unsigned(int, int)>& value) {
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {200, 10, 20, 30}, kLayer.width, kLayer.height,
                          kLayer.left, kLayer.top);
  if (bps == 2)
    for (auto& c : l.channels) c.data = Plane(kLayer, 2, [&](int, int) { return c.data[0]; });
  l.mask = MaskData(mask.top, mask.left, mask.top + mask.height, mask.left + mask.width,
                    std::uint8_t(d), 0);
  l.channels.push_back(
      {-2, compression, Stored(Plane(mask, bps, value), mask, bps, compression), 0});
  return ReadOk(test::Document({l}, 3, unsigned(8 * bps)).Build());
}

TEST(PsdLimits, CroppedMasksMatchTheMaskOverTheLayer) {
  const Rect masks[] = {
      {0, 0, 40, 50},   // beyond the layer on every side
      {12, 18, 30, 4},  // over its top right
      {5, 22, 7, 9},    // over its bottom left
      {11, 21, 2, 2},   // inside it
      {30, 20, 9, 9},   // beside it
  };
  for (int bps : {1, 2})
    for (unsigned compression : {0u, 1u, 2u, 3u})
      for (const Rect& m : masks)
        for (unsigned d : {0u, 255u}) {
          SCOPED_TRACE(::testing::Message() << bps << " bytes, code " << compression << ", mask at "
                                            << m.left << "," << m.top << " default " << d);
          // The plain reference: a mask of the layer's own rectangle holding
          // the mask's values over the layer and its default colour elsewhere.
          auto over = [&](int x, int y) {
            const int mx = kLayer.left + x - m.left, my = kLayer.top + y - m.top;
            return mx >= 0 && mx < m.width && my >= 0 && my < m.height ? MaskSample(mx, my) : d;
          };
          const TBitmap32 want = ReadMasked(kLayer, 0, bps, 0, over).layers[0].picture;
          const PsdLayer& got = ReadMasked(m, d, bps, compression, MaskSample).layers[0];
          ASSERT_EQ(got.picture.Width(), kLayer.width);
          for (int y = 0; y < kLayer.height; ++y)
            for (int x = 0; x < kLayer.width; ++x)
              ASSERT_EQ(got.picture.Pixel(x, y), want.Pixel(x, y)) << x << "," << y;
          // Only the part over the layer is kept.
          const int w = std::max(0, std::min(m.left + m.width, 15) - std::max(m.left, 10));
          const int h = std::max(0, std::min(m.top + m.height, 24) - std::max(m.top, 20));
          EXPECT_EQ(got.channels[4].data.size(), std::size_t(bps * w * h));
        }
}

// ---- Fixtures that the old pixel ratio refused ---------------------------

// The script's sparse mask: maskImage() values inside `near`, `empty`
// elsewhere; `Over` turns it into the mask value over layer pixel (x, y).
struct SparseMask {
  int seed;
  Rect rect;
  unsigned empty;
  Rect near;
  unsigned Over(int layerLeft, int layerTop, int x, int y) const {
    const int mx = layerLeft + x - rect.left, my = layerTop + y - rect.top;
    if (mx < 0 || mx >= rect.width || my < 0 || my >= rect.height) return empty;
    const bool in = mx >= near.left && mx < near.left + near.width && my >= near.top &&
                    my < near.top + near.height;
    return in ? unsigned(mx * 37 + my * 71 + seed) & 255 : empty;
  }
};

void ExpectMaskedLayer(const PsdLayer& l, int seed, const Rect& bounds, const SparseMask& m) {
  SCOPED_TRACE(l.name);
  ASSERT_EQ(l.left, bounds.left);
  ASSERT_EQ(l.top, bounds.top);
  ASSERT_EQ(l.picture.Width(), bounds.width);
  ASSERT_EQ(l.picture.Height(), bounds.height);
  for (int y = 0; y < bounds.height; ++y)
    for (int x = 0; x < bounds.width; ++x) {
      const TColor32 p = FixturePixel(seed, x, y, false);
      const unsigned a = (AlphaOf(p) * m.Over(bounds.left, bounds.top, x, y) + 127) / 255;
      ASSERT_EQ(l.picture.Pixel(x, y), (p & 0x00FFFFFFu) | TColor32(a) << 24) << x << "," << y;
    }
}

TEST(PsdLimits, MasksWiderThanThePictureLimitOpen) {
  const TPsdImage& img = ReadOk(test::LoadFixture("widemask.psd"));
  ASSERT_EQ(img.layerCount, 3);
  const Rect wide{10, 8, 8, 6}, beside{3, 2, 5, 3};
  ExpectMaskedLayer(img.layers[1], 71, wide, {1, {-17000, 3, 34315, 8}, 255, {17008, 4, 12, 5}});
  ExpectMaskedLayer(img.layers[2], 72, beside, {2, {-100, -10, 107, 40}, 0, {102, 11, 6, 6}});
  EXPECT_EQ(img.layers[1].mask.width, 34315);
  EXPECT_EQ(img.layers[1].channels[4].data.size(), 8u * 3);
  EXPECT_EQ(img.layers[2].channels[4].data.size(), 4u * 3);
}

TEST(PsdLimits, LargeEmptyAreasInFewBytesOpen) {
  const Bytes file = test::LoadFixture("sparse.psd");
  const TPsdImage& img = ReadOk(file);
  ASSERT_EQ(img.layerCount, 3);
  // Far more pixels than the file has bytes: ZIP describes empty areas.
  EXPECT_GT(img.layers[1].mask.width * std::int64_t(img.layers[1].mask.height),
            std::int64_t(500 * file.size()));
  const PsdLayer& corner = img.layers[0];
  ASSERT_EQ(corner.picture.Width(), 1200);
  ASSERT_EQ(corner.picture.Height(), 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 1200; ++x)
      ASSERT_EQ(corner.picture.Pixel(x, y), x < 6 && y < 4 ? FixturePixel(81, x, y, false) : 0u)
          << x << "," << y;
  ExpectMaskedLayer(img.layers[1], 82, {4, 3, 7, 5},
                    {3, {-3000, -1000, 6000, 2000}, 0, {3002, 1002, 6, 8}});
  ExpectMaskedLayer(img.layers[2], 83, {20, 10, 6, 6},
                    {4, {0, 0, 3000, 3000}, 255, {21, 11, 3, 3}});
}

// ---- Refusals -------------------------------------------------------------

// A 16000 x 16000 layer whose channels store `data` with `compression`.
BuiltDocument Claiming(unsigned compression, const Bytes& data) {
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 1, 1);
  l.right = l.bottom = 16000;
  for (auto& c : l.channels) c = {c.id, compression, data, 0};
  return test::Document({l});
}

void ExpectRefusedSmall(const Bytes& file, const std::string& part) {
  quenvar::testing::LargestAllocation largest;
  const std::string error = ReadError(file);
  EXPECT_NE(error.find(part), std::string::npos) << error;
  EXPECT_LT(largest.Bytes(), std::size_t(1) << 20) << error;
}

TEST(PsdLimits, TinyFilesClaimingHugePicturesAreRefusedBeforeAllocating) {
  // RLE: a row table and a few runs; ZIP: a little deflated data; raw.
  Bytes rle(32000, 0);
  rle.insert(rle.end(), {0x81, 0});
  ExpectRefusedSmall(Claiming(1, rle).Build(), "cannot fill a plane of 256000000 bytes");
  ExpectRefusedSmall(Claiming(2, Deflated(Bytes(100000, 0))).Build(), "cannot fill a plane");
  ExpectRefusedSmall(Claiming(0, Bytes(64, 0)).Build(), "64 bytes of data cannot fill");
  // A mask of 30000 x 30000 whose 2 packed bytes per row cannot fill it.
  BuiltLayer masked = RawLayer({-1, 0, 1, 2}, {200, 1, 2, 3}, 2, 2);
  masked.mask = MaskData(-15000, -15000, 15000, 15000, 0, 0);
  Bytes rows;
  for (int y = 0; y < 30000; ++y) test::Put16(rows, 2);
  for (int y = 0; y < 30000; ++y) test::Append(rows, {0x81, 0});
  masked.channels.push_back({-2, 1, rows, 0});
  ExpectRefusedSmall(test::Document({masked}).Build(), "cannot fill a plane of 900000000 bytes");
  // Layers that store nothing but claim vast bounds.
  BuiltDocument vast;
  for (int i = 0; i < 2; ++i) {
    BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 0, 0);
    l.right = l.bottom = 3000;
    vast.layers.push_back(l);
  }
  ExpectRefusedSmall(vast.Build(), "claim 18000000 pixels, more than the document's data");
  // Samples of fewer than 8 bits decode to no plane: they back no picture.
  BuiltDocument bits = test::Document({RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 1, 1)}, 3, 1);
  bits.layers[0].right = bits.layers[0].bottom = 8000;
  ExpectRefusedSmall(bits.Build(), "claim 64000000 pixels, more than the document's data");
}

TEST(PsdLimits, InflatedDataMustFillWhatItClaims) {
  // 1010 bytes may describe a plane of 1000 x 1000, but these inflate to
  // 10: refused before the 4 MB picture is made.
  Bytes data = Deflated(Bytes(10, 7));
  data.resize(1010, 0xAB);
  BuiltLayer l = RawLayer({0, 1, 2}, {0, 0, 0}, 1, 1);
  l.right = l.bottom = 1000;
  for (auto& c : l.channels) c = {c.id, 2, data, 0};
  quenvar::testing::LargestAllocation largest;
  EXPECT_NE(ReadError(test::Document({l}).Build())
                .find("10 bytes of inflated data do not fill a plane of 1000000 bytes"),
            std::string::npos);
  EXPECT_LT(largest.Bytes(), std::size_t(2) << 20);
  // Short by no more than the allowance: read, the rest left 0 (three
  // channels: alpha 0 in the record).
  l.right = l.bottom = 32;
  for (auto& c : l.channels) c.data = Deflated(Bytes(1000, 7));
  const PsdLayer& r = ReadOk(test::Document({l}).Build()).layers[0];
  EXPECT_EQ(r.picture.Pixel(7, 31), Color32(7, 7, 7, 0));  // sample 999
  EXPECT_EQ(r.picture.Pixel(8, 31), 0u);
}

TEST(PsdLimits, FillBoundsFollowEachCompression) {
  PsdLayer layer;
  TPsdChannel ch;
  ch.length = 1000;
  const TPsdPlaneShape shape{100, 100, 1, 2, std::nullopt};
  ch.compression = 0;
  EXPECT_EQ(PsdFillableBytes(ch, shape), 1000u);
  ch.compression = 1;  // 200 bytes of row table, 64 plane bytes per packed byte
  EXPECT_EQ(PsdFillableBytes(ch, shape), 800u * 64);
  ch.compression = 2;
  EXPECT_EQ(PsdFillableBytes(ch, shape), 1000u * 1032);
  // Beyond the bound and its allowance for short data: refused.
  ch.compression = 1;
  ch.length = 200 + 10000 / 64;
  EXPECT_NO_THROW(CheckPsdChannelFillable(layer, ch, shape));
  ch.length = 200 + (10000 - 1024 - 1) / 64;
  EXPECT_THROW(CheckPsdChannelFillable(layer, ch, shape), Error);
  // A row table longer than the data fills nothing.
  ch.length = 150;
  EXPECT_EQ(PsdFillableBytes(ch, shape), 0u);
}

TEST(PsdLimits, OneReadHasAMemoryBudget) {
  // 8 x 8 document picture (256 bytes), a 2 x 2 layer (16 bytes of picture,
  // 4 planes of 4), and a mask of 100 x 100 of which 2 x 2 is kept.
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {200, 1, 2, 3}, 2, 2);
  l.mask = MaskData(-50, -50, 50, 50, 0, 0);
  l.channels.push_back({-2, 0, Bytes(10000, 9), 0});
  const Bytes file = test::Document({l}).Build();
  PictureLimits& limits = CurrentPictureLimits();
  const PictureLimits saved = limits;
  limits.maxReadBytes = 256 + 16 + 16 + 4;
  EXPECT_EQ(ReadError(file), "");
  limits.maxReadBytes -= 1;
  EXPECT_NE(ReadError(file).find("more than the 1 MB one read may use"), std::string::npos);
  limits = saved;
}

}  // namespace
}  // namespace quenvar
