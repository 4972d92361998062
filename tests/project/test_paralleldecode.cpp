// Pictures decoded on worker threads while a project opens: the layers, their
// pictures, the log and the errors are as if each were decoded in its turn.
#include <fstream>

#include "formats/formatlist.h"
#include "project/oraread.h"
#include "project/orawrite.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

class ParallelDecodeTest : public ProjectTest {
 protected:
  // A layer whose picture comes from `path` when the project is saved.
  void LayerFrom(const std::string& path) {
    auto* layer = new TBlendLayer();
    layer->filename = path;
  }
  std::string CopyOf(const std::string& fixture, const std::string& name) {
    const std::string path = Scratch(name);
    std::filesystem::copy_file(Fixture(fixture), path);
    return path;
  }
  std::string Garbage(const std::string& name) {
    const std::string path = Scratch(name);
    std::ofstream(path, std::ios::binary) << "not a picture at all, only some text";
    return path;
  }
};

std::vector<TColor32> Decoded(const std::string& path) {
  TBitmap32 b;
  b.LoadPictureFile(path);
  const TColor32* p = std::as_const(b).Bits();
  return std::vector<TColor32>(p, p + std::size_t(b.Width()) * std::size_t(b.Height()));
}

std::vector<TColor32> PixelsOf(const TBitmap32& b) {
  const TColor32* p = b.Bits();
  return std::vector<TColor32>(p, p + std::size_t(b.Width()) * std::size_t(b.Height()));
}

TEST_F(ParallelDecodeTest, ManyLayersWithDamagedOnesLoadInOrder) {
  new TProject();
  const std::string badPng = Garbage("bad.png");
  const std::string badBmp = Garbage("broken.bmp");
  // Twelve layers: good pictures around a damaged PNG (swallowed), a damaged
  // bitmap (reported), a missing entry and a layer without a picture.
  const std::vector<std::string> sources = {Fixture("a.png"),
                                            Fixture("e.png"),
                                            badPng,
                                            Fixture("c.bmp"),
                                            Fixture("b.jpg"),
                                            badBmp,
                                            Scratch("gone.png"),
                                            "",
                                            CopyOf("a.png", "a2.png"),
                                            CopyOf("e.png", "e2.png"),
                                            CopyOf("c.bmp", "c2.bmp"),
                                            CopyOf("b.jpg", "b2.jpg")};
  for (const std::string& s : sources) LayerFrom(s);
  const std::string path = Scratch("many.zyl");
  CurrentProject()->SaveAs(path);
  CloseProject();
  log.lines.clear();

  TProject* project = OpenProjectFile(path);
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), sources.size());
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    SCOPED_TRACE(i);
    const TBlendLayer& layer = *project->layers[i];
    EXPECT_EQ(layer.number, int(i + 1));
    const std::string entry = FileNamePart(sources[i]);
    expected.push_back("> Loading | " + entry);
    if (sources[i] == badBmp) expected.push_back("## ERROR LOADING IMAGE ");
    const bool good =
        !entry.empty() && sources[i] != badPng && sources[i] != badBmp && entry != "gone.png";
    if (good) {
      EXPECT_EQ(PixelsOf(layer.bmp), Decoded(sources[i]));
      expected.push_back("> Loaded, size : " + std::to_string(layer.bmp.Width()) + "x" +
                         std::to_string(layer.bmp.Height()));
    } else {
      EXPECT_TRUE(layer.bmp.Empty());
    }
  }
  const auto lines = Lines();
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - std::ptrdiff_t(expected.size()), lines.end()),
            expected);
  // The damaged pictures' bytes are kept, so a save writes them back.
  EXPECT_NE(project->layers[2]->sourceBytes, nullptr);
  EXPECT_NE(project->layers[4]->jpegImage, nullptr);
}

TEST_F(ParallelDecodeTest, OpenRasterLayersKeepTheirOrderAndPictures) {
  auto* exported = new TProject();
  exported->width = 16;
  exported->height = 12;
  const std::vector<std::string> sources = {Fixture("a.png"), Fixture("e.png"), Fixture("c.bmp"),
                                            CopyOf("a.png", "a2.png")};
  for (const std::string& s : sources) (new TBlendLayer())->OpenPictureFile(s);
  const std::string path = Scratch("many.ora");
  ExportOpenRaster(*CurrentProject(), path);
  CloseProject();

  TProject* project = ImportOpenRaster(path);
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), sources.size());
  for (std::size_t i = 0; i < sources.size(); ++i)
    EXPECT_EQ(PixelsOf(project->layers[i]->bmp), Decoded(sources[i])) << i;
}

}  // namespace
}  // namespace quenvar::testing
