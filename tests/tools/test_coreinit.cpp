// After start-up the registry hands PSD documents to the PSD reader, in the
// place the placeholder held, so content lookups keep their order.
#include <gtest/gtest.h>

#include "compose/surface.h"
#include "core/coreinit.h"
#include "formats/formatlist.h"
#include "psd/psdgraphic.h"

namespace quenvar {

TEST(CoreInit, PsdExtensionsReachThePsdReader) {
  InitCore();
  InitCore();  // a second start-up call changes nothing
  TFileFormatList& formats = PictureFormats();
  EXPECT_EQ(formats.FindReaderByExtension("psd"), &PsdReader());
  EXPECT_EQ(formats.FindReaderByExtension("PDD"), &PsdReader());
  EXPECT_EQ(formats.LoadReaderFor("pdd"), &PsdReader());

  const std::string fixture = std::string(QUENVAR_SOURCE_DIR) + "/tests/psd/fixtures/twolayers.psd";
  EXPECT_EQ(formats.FindReaderByContent(fixture), &PsdReader());
  TBitmap32 picture;
  picture.LoadPictureFile(fixture);
  EXPECT_GT(picture.Width(), 0);
  EXPECT_GT(picture.Height(), 0);

  // The filter text is unchanged by the takeover.
  const std::string filter = formats.BuildPictureFilter();
  EXPECT_NE(filter.find("Photoshop images (*.pdd; *.psd)|*.pdd; *.psd"), std::string::npos);
}

}  // namespace quenvar
