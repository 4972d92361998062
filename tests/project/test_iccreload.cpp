// Layer pictures with an ICC profile: converted when opened, the file's
// bytes kept as they are, and converted again when the project is reopened.
#include <algorithm>

#include "formats/readers.h"
#include "project/zylarchive.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

std::string IccFixture(const std::string& name) {
  return std::string(QUENVAR_SOURCE_DIR) + "/tests/formats/fixtures/icc/" + name;
}

std::vector<TColor32> PixelsOf(const TBitmap32& bmp) {
  return {bmp.Bits(), bmp.Bits() + std::size_t(bmp.Width()) * std::size_t(bmp.Height())};
}

class IccReloadTest : public ProjectTest {
 protected:
  TBlendLayer* AddPictureLayer(const std::string& fixture) {
    std::filesystem::copy_file(IccFixture(fixture), dir / fixture);
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->OpenPictureFile(Scratch(fixture));
    return layer;
  }
  std::size_t Count(const std::string& line) const {
    const auto lines = Lines();
    return std::size_t(std::count(lines.begin(), lines.end(), line));
  }
};

const char kAdobeLine[] = "Converted from Compatible with Adobe RGB (1998) to sRGB";
const char kCmykLine[] = "Converted from Artifex PS CMYK Profile to sRGB";

TEST_F(IccReloadTest, OpenedPicturesAreConvertedAndSayFromWhat) {
  new TProject();
  TBlendLayer* jpeg = AddPictureLayer("jpg_adobergb.jpg");
  EXPECT_EQ(Count(kAdobeLine), 1u);
  TBlendLayer* tiff = AddPictureLayer("tif_cmyk_profile.tif");
  EXPECT_EQ(Count(kCmykLine), 1u);
  AddPictureLayer("png_srgb_chunk.png");
  EXPECT_EQ(Lines().size(), 2u);  // nothing for the picture without a profile

  const auto bytes = ReadBytes(IccFixture("jpg_adobergb.jpg"));
  EXPECT_EQ(PixelsOf(jpeg->bmp), JpegReader().Decode(bytes, "a.jpg").pixels);
  ASSERT_TRUE(jpeg->sourceBytes);
  EXPECT_EQ(*jpeg->sourceBytes, bytes);
  EXPECT_EQ(*tiff->sourceBytes, ReadBytes(IccFixture("tif_cmyk_profile.tif")));
}

TEST_F(IccReloadTest, SavedAndReopenedProjectConvertsAgainToTheSamePixels) {
  new TProject();
  const std::vector<std::string> files = {"jpg_adobergb.jpg", "tif_cmyk_profile.tif",
                                          "png_adobergb.png"};
  std::vector<std::vector<TColor32>> shown;
  for (const std::string& f : files) shown.push_back(PixelsOf(AddPictureLayer(f)->bmp));
  const std::string path = Scratch("icc.zyl");
  CurrentProject()->SaveAs(path);
  for (const std::string& f : files)
    EXPECT_EQ(TZylArchive(path).Extract(f, std::size_t(1) << 30), ReadBytes(IccFixture(f))) << f;

  CloseProject();
  log.lines.clear();
  TProject* project = OpenProjectFile(path);
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(PixelsOf(project->layers[i]->bmp), shown[i]) << files[i];
  EXPECT_EQ(Count(kAdobeLine), 2u);
  EXPECT_EQ(Count(kCmykLine), 1u);
}

}  // namespace
}  // namespace quenvar::testing
