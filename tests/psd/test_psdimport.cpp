// What the import window takes from a read: the rows and their nesting,
// what the preview and the thumbnails draw, and the account of a read.
#include <gtest/gtest.h>

#include "compose/surface.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimportmodel.h"
#include "psd/psdimportread.h"
#include "psd/psdreader.h"
#include "psdfixture.h"

namespace quenvar {
namespace {

using test::FixturePixel;

TPsdImportModel ModelOf(const std::string& name) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  ReadPsd(test::LoadFixture(name));
  return PsdImportModelOf(tPsdImage());
}

// Records from the bottom: Grund, Über, two closing markers, Tief, the hidden
// group Versteckt, Kind 日本 and the group Äußere around both.
TEST(PsdImportModel, GroupsGetRowsTheirMarkersNone) {
  const TPsdImportModel model = ModelOf("groups.psd");
  EXPECT_EQ(model.layerCount, 8);
  ASSERT_EQ(model.rows.size(), 6u);
  const struct {
    const char* name;
    int index;
    bool group;
    int parent;
    bool ticked;
  } want[] = {
      {"Grund", 0, false, -1, true},    {"Über 🎨", 1, false, -1, true},
      {"Tief", 4, false, 3, true},      {"Versteckt", 5, true, 5, false},
      {"Kind 日本", 6, false, 5, true}, {"Äußere", 7, true, -1, true},
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const TPsdImportRow& row = model.rows[std::size_t(i)];
    EXPECT_EQ(row.name, want[i].name);
    EXPECT_EQ(row.index, want[i].index);
    EXPECT_EQ(row.group, want[i].group);
    EXPECT_EQ(row.parent, want[i].parent);
    EXPECT_EQ(row.ticked, want[i].ticked);
    EXPECT_EQ(row.picture.Empty(), want[i].group);
  }
  EXPECT_EQ(model.PictureLayerCount(), 4);
}

TEST(PsdImportModel, AGroupShowsWhatItHoldsOnlyWhileTicked) {
  TPsdImportModel model = ModelOf("groups.psd");
  auto shown = [&] {
    std::string s;
    for (int i = 0; i < int(model.rows.size()); ++i) s += PsdRowShown(model, i) ? '1' : '0';
    return s;
  };
  EXPECT_EQ(shown(), "110011") << "Tief lies in the hidden group";
  model.rows[3].ticked = true;  // Versteckt
  EXPECT_EQ(shown(), "111111");
  model.rows[5].ticked = false;  // Äußere hides both groups' layers
  EXPECT_EQ(shown(), "110000");
  model.rows[5].ticked = true;
  model.rows[2].ticked = false;  // Tief alone
  EXPECT_EQ(shown(), "110111");
}

TEST(PsdImportModel, RowsStartAsTheDocumentSaysAndLookAsItShows) {
  const TPsdImportModel model = ModelOf("layers.psd");
  const TPsdImportRow& offset = model.rows[1];
  EXPECT_EQ(offset.name, "Offset");
  EXPECT_EQ(offset.opacity, 128);
  EXPECT_EQ(offset.mode, bmMultiply);
  EXPECT_EQ(offset.place, (TFloatRect{-5, -4, 11, 8}));
  const TPsdImportRow& hidden = model.rows[2];
  EXPECT_FALSE(hidden.ticked);
  EXPECT_EQ(hidden.mode, bmScreen);
  const TPsdImportRow& empty = model.rows[3];
  EXPECT_TRUE(empty.empty);
  EXPECT_EQ(empty.width, 0);

  // The background has no transparency channel: opaque as shown, though the
  // record keeps alpha 0.
  const TPsdImportModel masks = ModelOf("masks.psd");
  const TPsdImportRow& background = masks.rows[0];
  ASSERT_EQ(background.name, "Background");
  EXPECT_EQ(background.picture.Pixel(3, 2), FixturePixel(40, 3, 2, true));
  EXPECT_EQ(tPsdImage().layers[0].picture.Pixel(3, 2) >> 24, 0u);
}

TEST(PsdImportModel, PreviewSurfaceDrawsWithOpacityAndKey) {
  TPsdImportModel model = ModelOf("twolayers.psd");
  TPsdImportRow& top = model.rows[1];
  top.opacity = 77;  // the preview starts from the row, whatever the record says
  TBitmap32 surface;
  PreparePsdPreviewSurface(surface, top);
  EXPECT_EQ(surface.MasterAlpha(), 77u);
  EXPECT_EQ(surface.DrawMode(), dmCustom);
  EXPECT_EQ(surface.CombineMode(), cmBlend);
  EXPECT_EQ(surface.Width(), 2);
  EXPECT_EQ(surface.Pixel(1, 1), top.picture.Pixel(1, 1));
  TBitmap32 normal;
  PreparePsdPreviewSurface(normal, model.rows[0]);
  EXPECT_EQ(normal.DrawMode(), dmBlend);
}

TEST(PsdImportModel, ThumbnailLeavesTheTopRowAndLeftColumnClear) {
  TBitmap32 picture;
  picture.Resize(62, 31);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 62; ++x) picture.SetPixel(x, y, Color32(x * 4, y * 8, 90, 100));
  TBitmap32 thumb;
  DrawPsdThumbnail(picture, thumb);
  ASSERT_EQ(thumb.Width(), 32);
  ASSERT_EQ(thumb.Height(), 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(thumb.Pixel(i, 0), 0u);
    EXPECT_EQ(thumb.Pixel(0, i), 0u);
  }
  // 31 x 31 pixels from 62 x 31 by nearest neighbour (pixel centres): every
  // other column, copied with its alpha rather than blended.
  EXPECT_EQ(thumb.Pixel(1, 1), picture.Pixel(1, 0));
  EXPECT_EQ(thumb.Pixel(31, 31), picture.Pixel(61, 30));
  EXPECT_EQ(thumb.Pixel(5, 9), picture.Pixel(9, 8));

  TBitmap32 none;
  DrawPsdThumbnail(TBitmap32(), none);
  EXPECT_EQ(none.Width(), 32);
  EXPECT_EQ(none.Pixel(16, 16), 0u);
}

TEST(PsdImportRead, AccountOfARead) {
  const TPsdImportModel model = ModelOf("layers.psd");
  const std::vector<std::string> lines = PsdReadAccount("/x/layers.psd", model, 12);
  const TPsdImage& img = tPsdImage();
  const std::vector<std::string> want = {
      "file : /x/layers.psd",
      "image format : RGB Color",
      "load time: 12ms",
      "resource section : " + std::to_string(img.resourceLength),
      "layers : 9",
      "layers section : " + std::to_string(img.layerMaskLength),
      "layers + mask : " + std::to_string(img.layerMaskValue),
      "layer infosec : " + std::to_string(img.layerInfoValue),
  };
  EXPECT_EQ(lines, want);
  EXPECT_EQ(PsdInsertLine(bmScreen, "scrn"), "Inserting layer .. (Screen scrn)");
  EXPECT_EQ(PsdInsertLine(bmNone, "pass"), "Inserting layer .. (None pass)");
}

TEST(PsdImportRead, PicturesThatAreNoPsdAndFilesThatAreNone) {
  const std::string dir = QUENVAR_SOURCE_DIR "/tests/project/fixtures/";
  const TPicture png = LoadImportPicture(dir + "a.png");
  EXPECT_GT(png.width, 0);
  EXPECT_THROW(LoadImportPicture(""), Error);
  EXPECT_THROW(LoadImportPicture(dir + "no such file.psd"), Error);
}

}  // namespace
}  // namespace quenvar
