// Loading .zyl archives written by other tools, whole or damaged.
#include <algorithm>

#include "formats/limits.h"
#include "largestallocation.h"
#include "project/zylarchive.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

class ZylLoadTest : public ProjectTest {
 protected:
  // The lines every load starts with, up to the failing or finished step 2.
  std::vector<std::string> Opening(const std::string& path) const {
    return {" ", "Loading project : " + path, "@UnZipToStream(stream,\"project.xml\")",
            "@TXMLDocument.Create;"};
  }
  std::string LastLine() const { return Lines().empty() ? "" : Lines().back(); }
};

TEST_F(ZylLoadTest, HandMadeArchiveLoadsWithItsLogLinesInOrder) {
  const std::string path = Fixture("handmade.zyl");
  TProject* project = OpenProjectFile(path);
  ASSERT_NE(project, nullptr);
  std::vector<std::string> expected = Opening(path);
  for (const char* line :
       {"@XML.getproject", "@XML.getproject ... DONE ",
        "$ PROJECT CREATED ON ZYL 0.7 alpha rel13 build 453", " ", "> Loading | a.png",
        "> Loaded, size : 8x6", "> Loading | b.jpg", "> Loaded, size : 8x6"})
    expected.push_back(line);
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hide rows", "show rows 2"}));

  EXPECT_EQ(project->fileName, path);
  EXPECT_EQ(project->name, "Hand Made");
  EXPECT_EQ(project->width, 320);
  EXPECT_EQ(project->height, 240);
  EXPECT_EQ(project->displayWidth, 320);
  EXPECT_EQ(project->displayHeight, 240);
  EXPECT_EQ(project->interlaced, 1);
  EXPECT_FALSE(project->modified);
  ASSERT_EQ(project->layers.size(), 2u);

  const TBlendLayer& sky = *project->layers[0];
  EXPECT_EQ(sky.name, "Sky");
  EXPECT_EQ(sky.number, 1);
  EXPECT_EQ(sky.Mode(), bmMultiply);
  EXPECT_EQ(sky.opacity, 200);
  EXPECT_EQ(sky.speed, 2);
  EXPECT_EQ(sky.posx, 1);
  EXPECT_EQ(sky.posy, -1);
  EXPECT_EQ(sky.mx, 1);
  EXPECT_EQ(sky.x, 10);
  EXPECT_EQ(sky.y, 20);
  EXPECT_EQ(sky.x2, 0);
  EXPECT_EQ(sky.px, 1);  // missing: both stay 1
  EXPECT_EQ(sky.py, 1);
  EXPECT_EQ(sky.jpegImage, nullptr);

  const TBlendLayer& photo = *project->layers[1];
  EXPECT_EQ(photo.Mode(), bmScreen);
  EXPECT_EQ(photo.opacity, 255);
  EXPECT_EQ(photo.x, 0);
  EXPECT_EQ(photo.x2, 300);
  EXPECT_EQ(photo.y2, 200);
  EXPECT_EQ(photo.px, 0);
  EXPECT_EQ(photo.py, 1);
  EXPECT_EQ(photo.interlaced, 3);
  ASSERT_NE(photo.jpegImage, nullptr);
  EXPECT_EQ(*photo.jpegImage, ReadBytes(Fixture("b.jpg")));
}

TEST_F(ZylLoadTest, FilesThatAreNotArchivesCreateNoProject) {
  for (const char* name : {"not_zip.zyl", "truncated.zyl", "no_such_file.zyl"}) {
    log.lines.clear();
    const std::string path = Fixture(name);
    EXPECT_EQ(OpenProjectFile(path), nullptr) << name;
    EXPECT_EQ(Lines(), std::vector<std::string>{"Error : Unable to read :" + path}) << name;
    EXPECT_EQ(CurrentProject(), nullptr);
  }
}

TEST_F(ZylLoadTest, DamagedDescriptionsEndTheLoadWithTheirLine) {
  struct Case {
    const char* fixture;
    int extraLines;  // lines after the opening four, before the error
    const char* errorStart;
  };
  const Case cases[] = {
      {"missing_xml.zyl", 0, "### Error : project.xml is missing or empty"},
      {"bad_xml.zyl", 0, "### Error : project.xml is not a valid XML document"},
      {"wrong_root.zyl", 1, "### Error : project.xml has the document element \"document\""},
      {"canvas_nan.zyl", 4,
       "### Error : \"wide\" is not a valid integer value for attribute "
       "\"width\""},
      {"oversized_xml.zyl", -1, "### Error : Entry \"project.xml\" is too large"},
  };
  for (const Case& c : cases) {
    CloseProject();
    log.lines.clear();
    const std::string path = Fixture(c.fixture);
    TProject* project = OpenProjectFile(path);
    ASSERT_NE(project, nullptr) << c.fixture;
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), std::size_t(4 + c.extraLines + 1)) << c.fixture;
    EXPECT_EQ(lines.back().rfind(c.errorStart, 0), 0u) << lines.back();
    EXPECT_TRUE(project->layers.empty());
    EXPECT_EQ(project->name, "New Project");
    // The path is taken once project.xml could be extracted.
    EXPECT_EQ(project->fileName, c.extraLines < 0 ? "untitled.zyl" : path) << c.fixture;
  }
}

TEST_F(ZylLoadTest, ABadLayerAttributeKeepsTheLayersReadSoFar) {
  TProject* project = OpenProjectFile(Fixture("bad_layer.zyl"));
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), 2u);
  EXPECT_EQ(project->layers[0]->bmp.Width(), 8);
  EXPECT_EQ(project->layers[1]->bmp.Width(), 5);  // its picture was read first
  EXPECT_EQ(LastLine(),
            "### Error : Layer 2 (\"Two\"): \"fast\" is not a valid integer value "
            "for attribute \"speed\" of element \"layer\"");
  EXPECT_EQ(host.calls.back(), "show rows 2");
}

TEST_F(ZylLoadTest, OversizedOrDamagedPicturesAreRefusedAndTheLoadGoesOn) {
  PictureLimits saved = CurrentPictureLimits();
  CurrentPictureLimits().maxPixels = 1000;
  TProject* project = OpenProjectFile(Fixture("oversized_picture.zyl"));
  CurrentPictureLimits() = saved;
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), 1u);
  EXPECT_TRUE(project->layers[0]->bmp.Empty());
  EXPECT_EQ(LastLine().rfind("## ERROR LOADING IMAGE Entry \"big.png\" is too large", 0), 0u)
      << LastLine();

  CloseProject();
  log.lines.clear();
  project = OpenProjectFile(Fixture("lying_size.zyl"));
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), 1u);
  EXPECT_TRUE(project->layers[0]->bmp.Empty());
  EXPECT_EQ(LastLine().rfind("## ERROR LOADING IMAGE Entry \"c.bmp\"", 0), 0u) << LastLine();
}

}  // namespace
}  // namespace quenvar::testing

namespace quenvar::testing {
namespace {

TEST_F(ZylLoadTest, MissingAndUndecodablePictureEntries) {
  auto* project = new TProject();
  auto* gone = new TBlendLayer();
  gone->filename = "gone.png";  // no bytes anywhere: no entry is written
  auto* far = new TBlendLayer();
  far->filename = "far.bmp";  // an empty picture: written as a 0 x 0 bitmap
  far->x = 2147483647;
  const std::string path = Scratch("holes.zyl");
  project->SaveAs(path);
  CloseProject();
  log.lines.clear();

  TProject* loaded = OpenProjectFile(path);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->layers.size(), 2u);
  const auto lines = Lines();
  const std::vector<std::string> tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"> Loading | gone.png", "> Loading | far.bmp",
                                            "## ERROR LOADING IMAGE "}));
  EXPECT_EQ(loaded->layers[1]->x, 2147483647);
  EXPECT_EQ(loaded->layers[1]->x2, 2147483647);
}

// Writes `size` as the recorded inflated size of the entry `name`, in its
// local header and in the central directory.
void RecordEntrySize(std::vector<std::uint8_t>& zip, const std::string& name, std::uint32_t size) {
  auto put = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + i] = std::uint8_t(size >> (8 * i));
  };
  auto named = [&](std::size_t at) {
    return at + name.size() <= zip.size() &&
           std::equal(name.begin(), name.end(), zip.begin() + std::ptrdiff_t(at));
  };
  for (std::size_t i = 0; i + 46 < zip.size(); ++i) {
    if (zip[i] != 'P' || zip[i + 1] != 'K') continue;
    if (zip[i + 2] == 3 && zip[i + 3] == 4 && named(i + 30)) put(i + 22);
    if (zip[i + 2] == 1 && zip[i + 3] == 2 && named(i + 46)) put(i + 24);
  }
}

TEST_F(ZylLoadTest, ArchivesInMemoryReadLikeTheirFiles) {
  const std::vector<std::uint8_t> bytes = ReadBytes(Fixture("handmade.zyl"));
  const TZylArchive file(Fixture("handmade.zyl"));
  const TZylArchive memory(bytes, "memory.zyl");
  EXPECT_EQ(memory.Path(), "memory.zyl");
  EXPECT_EQ(memory.EntryNames(), file.EntryNames());
  EXPECT_EQ(memory.Extract("a.png", 1 << 20), file.Extract("a.png", 1 << 20));
  EXPECT_THROW(memory.Extract("a.png", 10), Error);
  const std::vector<std::uint8_t> junk(100, 7);
  EXPECT_THROW(TZylArchive(junk, "junk.zyl"), Error);
}

// A recorded size is not trusted with memory: the entry's data must really
// inflate that far, so a small archive claiming 2 GB fails at once.
TEST_F(ZylLoadTest, RecordedEntrySizesAreNotTrustedWithMemory) {
  std::vector<std::uint8_t> zip = ReadBytes(Fixture("handmade.zyl"));
  RecordEntrySize(zip, "a.png", 0x7FFFFFF0u);
  const std::string path = Scratch("claims2gb.zyl");
  WriteBytes(path, zip);
  LargestAllocation largest;
  TProject* project = OpenProjectFile(path);
  EXPECT_LT(largest.Bytes(), std::size_t(16) << 20);
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->layers.size(), 2u);
  EXPECT_TRUE(project->layers[0]->bmp.Empty());
  EXPECT_EQ(project->layers[1]->bmp.Width(), 8);
  const auto lines = Lines();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) {
                           return l.rfind("## ERROR LOADING IMAGE Entry \"a.png\"", 0) == 0;
                         }),
            lines.end());
  CloseProject();

  // Found by fuzzing: a compressed size far beyond the archive made the
  // reader reserve gigabytes before inflating.
  EXPECT_NE(OpenProjectFile(Fixture("fuzz_lying_compressed_size.zyl")), nullptr);
}

}  // namespace
}  // namespace quenvar::testing

namespace quenvar::testing {
namespace {

// Damaged copies of a good archive: every load must end cleanly, with or
// without a project, never with a crash.
TEST_F(ZylLoadTest, RandomlyDamagedArchivesLoadOrFailCleanly) {
  const std::vector<std::uint8_t> good = ReadBytes(Fixture("handmade.zyl"));
  const std::string path = Scratch("damaged.zyl");
  std::uint32_t seed = 20261209;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bytes = good;
    const int flips = 1 + int(next() % 4);
    for (int f = 0; f < flips; ++f) bytes[next() % bytes.size()] = std::uint8_t(next());
    if (round % 5 == 0) bytes.resize(next() % bytes.size());
    WriteBytes(path, bytes);
    log.lines.clear();
    if (OpenProjectFile(path)) ++opened;
    CloseProject();
  }
  EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace quenvar::testing
