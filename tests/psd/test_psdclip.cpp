// Clipped layers: which layer each is clipped to, the alpha product, and the
// rows the import window takes from a document with clipped layers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "compose/surface.h"
#include "psd/psdclip.h"
#include "psd/psdimportmodel.h"
#include "psd/psdshown.h"
#include "psdfixture.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::FixturePixel;

// The plain product: a * b / 255 rounded to nearest (no ties can occur).
std::uint32_t Product(std::uint32_t a, std::uint32_t b) {
  return std::uint32_t(std::lround(double(a) * double(b) / 255.0));
}

TEST(PsdClip, AlphaProductIsRoundedToNearest) {
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t b = 0; b < 256; ++b) ASSERT_EQ(ClipAlpha(a, b), Product(a, b)) << a << b;
}

// A picture with distinct colours and alphas at (left, top), clipped to a
// base elsewhere: every pixel against the base's alpha at its document
// pixel, zero outside the base.
TEST(PsdClip, PictureTakesTheBaseAlphaAtEachDocumentPixel) {
  TBitmap32 base;
  base.Resize(5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) base.SetPixel(x, y, Color32(9, 9, 9, 40 + x * 50 + y * 3));
  const struct {
    std::int32_t left, top;
  } places[] = {
      {3, 2},                    // partly over the base
      {5, 3},                    // wholly inside
      {-10, 0},                  // wholly outside
      {2147483600, -2147483600}  // far away, without overflow
  };
  const std::int32_t baseLeft = 4, baseTop = 2;
  for (const auto& p : places) {
    SCOPED_TRACE(p.left);
    TBitmap32 picture;
    picture.Resize(4, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        picture.SetPixel(x, y, Color32(x * 60, y * 90, 7, 255 - x * 20 - y));
    TBitmap32 clipped;
    clipped.CopyFrom(picture);
    ClipToBase(clipped, p.left, p.top, base, baseLeft, baseTop);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        const std::int64_t bx = std::int64_t(p.left) + x - baseLeft;
        const std::int64_t by = std::int64_t(p.top) + y - baseTop;
        const bool inside = bx >= 0 && bx < 5 && by >= 0 && by < 4;
        const std::uint32_t b = inside ? base.Pixel(int(bx), int(by)) >> 24 : 0;
        const TColor32 own = picture.Pixel(x, y);
        EXPECT_EQ(clipped.Pixel(x, y), (own & 0xFFFFFFu) | Product(own >> 24, b) << 24) << x << y;
      }
  }
}

// The clipping byte counts when it is not zero, whatever its value; an
// opaque base (no transparency channel, alpha 0 in its record) clips by
// its shown alpha 255; a clipped layer at the bottom of the stack has no
// base and is the base of the clipped layer above it.
TEST(PsdClip, BasesOfBuiltDocuments) {
  using test::RawLayer;
  test::BuiltLayer bottom = RawLayer({-1, 0, 1, 2}, {200, 1, 2, 3}, 2, 2, 0, 0);
  bottom.clipping = 1;
  test::BuiltLayer onBottom = RawLayer({-1, 0, 1, 2}, {100, 4, 5, 6}, 2, 2, 1, 0);
  onBottom.clipping = 7;
  const test::BuiltLayer opaque = RawLayer({0, 1, 2}, {10, 20, 30}, 2, 2, 4, 4);
  test::BuiltLayer onOpaque = RawLayer({-1, 0, 1, 2}, {90, 7, 8, 9}, 2, 1, 5, 4);
  onOpaque.clipping = 2;
  const TPsdImage& img = test::ReadOk(test::Document({bottom, onBottom, opaque, onOpaque}).Build());

  EXPECT_EQ(PsdClipBase(img, 0), -1);
  EXPECT_EQ(PsdClipBase(img, 1), 0);
  EXPECT_EQ(PsdClipBase(img, 2), -1);
  EXPECT_EQ(PsdClipBase(img, 3), 2);
  EXPECT_EQ(PsdLayerAsShown(img, 0).Pixel(1, 1), Color32(1, 2, 3, 200));
  const TBitmap32 clipped = PsdLayerAsShown(img, 1);
  EXPECT_EQ(clipped.Pixel(0, 1), Color32(4, 5, 6, Product(100, 200)));
  EXPECT_EQ(clipped.Pixel(1, 1), Color32(4, 5, 6, 0));  // right of its base
  const TBitmap32 onShown = PsdLayerAsShown(img, 3);
  EXPECT_EQ(onShown.Pixel(0, 0), Color32(7, 8, 9, 90));
  EXPECT_EQ(onShown.Pixel(1, 0), Color32(7, 8, 9, 0));
}

// clip.psd, records from the bottom: Background, Base (half opacity, a mask),
// Clip A and Clip B on Base, Free, Outside on Free, Hidden base, On hidden,
// the closing marker of Set, First (clipped, nothing below it in the
// group), Above on First, Set, Over group (clipped right above the group).
class ClipDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = &test::ReadOk(test::LoadFixture("clip.psd"));
    model_ = PsdImportModelOf(*image_);
  }
  const TPsdImportRow& Row(const std::string& name) const {
    for (const TPsdImportRow& row : model_.rows)
      if (row.name == name) return row;
    ADD_FAILURE() << "no row " << name;
    return model_.rows.front();
  }
  const TPsdImage* image_ = nullptr;
  TPsdImportModel model_;
};

// The shown alpha of Base at a document pixel, from the fixture script:
// its own alpha times its mask (rectangle (3, 2) to (6, 5), 255 outside).
std::uint32_t BaseAlpha(int x, int y) {
  const int lx = x - 2, ly = y - 1;
  if (lx < 0 || lx >= 5 || ly < 0 || ly >= 4) return 0;
  const std::uint32_t a = FixturePixel(81, lx, ly, false) >> 24;
  const int mx = x - 3, my = y - 2;
  const bool inMask = mx >= 0 && mx < 3 && my >= 0 && my < 3;
  const std::uint32_t m = inMask ? std::uint32_t(mx * 37 + my * 71 + 10) & 255 : 255;
  return (a * m + 127) / 255;
}

TEST_F(ClipDocument, EachClippedLayerFindsItsBase) {
  const int want[] = {-1, -1, 1, 1, -1, 4, -1, 6, -1, -1, 9, -1, -1};
  ASSERT_EQ(image_->layerCount, 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(PsdClipBase(*image_, i), want[i]) << i;
  EXPECT_NE(image_->layers[2].clipping, 0);
  EXPECT_NE(image_->layers[12].clipping, 0);
}

TEST_F(ClipDocument, ChainOnAMaskedBaseShowsOnlyWhereTheBaseShows) {
  const struct {
    const char* name;
    int seed, left, top;
  } chain[] = {{"Clip A", 82, 0, 0}, {"Clip B", 83, 4, 3}};
  for (const auto& c : chain) {
    SCOPED_TRACE(c.name);
    const TPsdImportRow& row = Row(c.name);
    EXPECT_TRUE(row.ticked);
    int over = 0, off = 0;
    for (int y = 0; y < row.picture.Height(); ++y)
      for (int x = 0; x < row.picture.Width(); ++x) {
        const TColor32 own = FixturePixel(c.seed, x, y, false);
        const std::uint32_t b = BaseAlpha(c.left + x, c.top + y);
        (b ? over : off) += 1;
        // The base's opacity (128) does not enter.
        ASSERT_EQ(row.picture.Pixel(x, y), (own & 0xFFFFFFu) | Product(own >> 24, b) << 24)
            << x << "," << y;
      }
    EXPECT_GT(over, 0);
    EXPECT_GT(off, 0);
  }
}

TEST_F(ClipDocument, LayersOffTheirBaseOrWithoutOneAndHiddenBases) {
  // Wholly outside its base: nothing shows.
  const TPsdImportRow& outside = Row("Outside");
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(outside.picture.Pixel(x, y) >> 24, 0u);

  // No base in the group, or a group right below: shown unclipped.
  for (const auto& [name, seed] : {std::pair{"First", 88}, std::pair{"Over group", 90}}) {
    const TPsdImportRow& row = Row(name);
    EXPECT_EQ(row.picture.Pixel(2, 2), FixturePixel(seed, 2, 2, false)) << name;
  }
  // First is Above's base: Above at (2, 2) over First at (1, 1).
  const TPsdImportRow& above = Row("Above");
  const TColor32 own = FixturePixel(89, 0, 0, false);
  EXPECT_EQ(above.picture.Pixel(0, 0),
            (own & 0xFFFFFFu) | Product(own >> 24, FixturePixel(88, 1, 1, false) >> 24) << 24);
  EXPECT_EQ(above.picture.Pixel(2, 2) >> 24, 0u);  // (4, 4) is right of First

  // A hidden base hides its clipped layer; ticked again, it keeps its shape.
  EXPECT_FALSE(Row("Hidden base").ticked);
  EXPECT_FALSE(Row("On hidden").ticked);
  EXPECT_FALSE(IsPsdLayerShown(*image_, 7));
  EXPECT_TRUE(IsPsdLayerShown(image_->layers[7]));
  EXPECT_EQ(Row("On hidden").picture.Pixel(2, 2) >> 24, 0u);  // (3, 3) is right of its base
}

}  // namespace
}  // namespace quenvar
