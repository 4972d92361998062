// Loading pictures into blend layers and building their view layers.
#include "formats/formatlist.h"
#include "host/error.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

class BlendLayerTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    new TProject();
    layer = new TBlendLayer();
  }
  std::string CopyFixture(const std::string& fixture, const std::string& as) {
    std::filesystem::create_directories((dir / as).parent_path());
    std::filesystem::copy_file(Fixture(fixture), dir / as);
    return Scratch(as);
  }
  TBlendLayer* layer = nullptr;
};

TEST_F(BlendLayerTest, OpenPictureFileNamesTheLayerInLowerCase) {
  const std::string path = CopyFixture("b.jpg", "Pics/Sunset.JPG");
  layer->OpenPictureFile(path);
  EXPECT_EQ(layer->name, "sunset.jpg");
  EXPECT_EQ(layer->filename, path);
  EXPECT_EQ(layer->bmp.Width(), 8);
  EXPECT_EQ(layer->picHeight, 6);
  EXPECT_EQ(layer->jpegImage, nullptr);
  ASSERT_NE(layer->sourceBytes, nullptr);
  EXPECT_EQ(*layer->sourceBytes, ReadBytes(path));
  EXPECT_TRUE(Lines().empty());
}

TEST_F(BlendLayerTest, AnyJpegSubstringMeansJpeg) {
  const std::string path = CopyFixture("a.png", "photo.jpg.png");
  const std::string name = layer->name;
  EXPECT_THROW(layer->OpenPictureFile(path), std::exception);
  EXPECT_EQ(Lines(),
            std::vector<std::string>{"# Error : Unable to load jpeg :" + LowerAscii(path)});
  EXPECT_TRUE(layer->bmp.Empty());
  EXPECT_EQ(layer->picWidth, 0);
  EXPECT_EQ(layer->name, name) << "a failed open renames nothing";
}

TEST_F(BlendLayerTest, OtherPictureFailuresReachTheCaller) {
  const std::string good = CopyFixture("a.png", "good.png");
  layer->OpenPictureFile(good);
  const std::string bad = Scratch("bad.png");
  WriteBytes(bad, {'n', 'o', 't', ' ', 'p', 'n', 'g'});
  const TPictureBytes kept = layer->sourceBytes;
  EXPECT_THROW(layer->OpenPictureFile(bad), Error);
  // The layer is as it was, so a save still writes the good picture.
  EXPECT_EQ(layer->name, "good.png");
  EXPECT_EQ(layer->filename, good);
  EXPECT_EQ(layer->bmp.Width(), 8);
  EXPECT_EQ(layer->sourceBytes, kept);
}

TEST_F(BlendLayerTest, EmptyEntryNameLeavesTheLayerAlone) {
  layer->picWidth = 7;
  layer->LoadPictureStream(ReadBytes(Fixture("a.png")), "");
  EXPECT_EQ(layer->picWidth, 7);
  EXPECT_TRUE(layer->bmp.Empty());
  EXPECT_EQ(layer->sourceBytes, nullptr);
}

TEST_F(BlendLayerTest, JpegEntriesKeepTheirBytes) {
  layer->filename = "b.jpg";
  const auto bytes = ReadBytes(Fixture("b.jpg"));
  layer->LoadPictureStream(bytes, "b.jpg");
  ASSERT_NE(layer->jpegImage, nullptr);
  EXPECT_EQ(*layer->jpegImage, bytes);
  EXPECT_EQ(layer->compressionRatio, 90);
  EXPECT_EQ(layer->picWidth, 8);
  EXPECT_EQ(layer->picHeight, 6);
}

TEST_F(BlendLayerTest, JpegTestIsCaseSensitive) {
  layer->filename = "PHOTO.JPG";
  layer->LoadPictureStream(ReadBytes(Fixture("b.jpg")), "PHOTO.JPG");
  EXPECT_EQ(layer->jpegImage, nullptr);
  EXPECT_EQ(layer->bmp.Width(), 8);  // decoded through the registry
  EXPECT_TRUE(Lines().empty());
}

TEST_F(BlendLayerTest, DamagedEntriesFollowTheirRules) {
  const std::vector<std::uint8_t> junk = {1, 2, 3, 4, 5};
  layer->filename = "x.jpg";
  layer->LoadPictureStream(junk, "x.jpg");
  EXPECT_EQ(layer->jpegImage, nullptr);
  EXPECT_TRUE(layer->bmp.Empty());

  layer->filename = "y.bmp";
  EXPECT_THROW(layer->LoadPictureStream(junk, "y.bmp"), Error);

  layer->filename = "z.qqq";
  layer->LoadPictureStream(ReadBytes(Fixture("a.png")), "z.qqq");
  layer->filename = "w.png";
  layer->LoadPictureStream(junk, "w.png");  // reader fails: swallowed
  EXPECT_TRUE(layer->bmp.Empty());
  // The undecodable bytes stay with the layer so a save does not drop them.
  ASSERT_NE(layer->sourceBytes, nullptr);
  EXPECT_EQ(*layer->sourceBytes, junk);

  const std::vector<std::string> expected = {
      "# Error : Unable to load jpeg image x.jpg from stream.", "Unable to load file : z.qqq"};
  EXPECT_EQ(Lines(), expected);
}

TEST_F(BlendLayerTest, ViewLayerPlacementUsesX2WhenSet) {
  host.hasView = true;
  layer->filename = "a.png";
  layer->LoadPictureStream(ReadBytes(Fixture("a.png")), "a.png");
  layer->x2 = 300;
  layer->y2 = 200;
  layer->SetMode(bmMultiply);
  layer->CreateViewLayer(true);
  ASSERT_NE(layer->ALayer, nullptr);
  const TFloatRect& r = layer->ALayer->Location();
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Right, 300);
  EXPECT_EQ(r.Bottom, 200);
  EXPECT_EQ(layer->ALayer->Bitmap().Width(), 8);
  EXPECT_EQ(layer->ALayer->Bitmap().DrawMode(), dmCustom);
  EXPECT_FALSE(layer->ALayer->Cropped());

  layer->SetMode(bmNone);
  EXPECT_EQ(layer->ALayer->Bitmap().DrawMode(), dmBlend);
}

TEST_F(BlendLayerTest, RefreshPlacesAtPictureSizeIgnoringX2) {
  host.hasView = true;
  layer->x = 5;
  layer->y = 7;
  layer->x2 = 300;
  layer->y2 = 200;
  layer->OpenPictureFile(CopyFixture("a.png", "a.png"));
  ASSERT_NE(layer->ALayer, nullptr);
  const TFloatRect& r = layer->ALayer->Location();
  EXPECT_EQ(r.Left, 5);
  EXPECT_EQ(r.Top, 7);
  EXPECT_EQ(r.Right, 13);
  EXPECT_EQ(r.Bottom, 13);
  EXPECT_EQ(host.view.Layers().Count(), 1);
}

TEST_F(BlendLayerTest, WithoutAViewNothingIsCreated) {
  layer->OpenPictureFile(CopyFixture("a.png", "a.png"));
  EXPECT_EQ(layer->ALayer, nullptr);
  EXPECT_EQ(layer->bmp.Height(), 6);
}

}  // namespace
}  // namespace quenvar::testing
