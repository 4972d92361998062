// The registry: lookups by extension and by content, the replace rule, the
// open-dialog filter text and the general load by extension.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "formats/formatlist.h"
#include "formats/psdplaceholder.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

namespace fs = std::filesystem;

std::string WriteTemp(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::path dir = fs::temp_directory_path() / "quenvar_formatlist_test";
  fs::create_directories(dir);
  fs::path p = dir / name;
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return p.string();
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(FormatList, RegistersAllExtensionsInOrder) {
  const auto& exts = PictureFormats().ExtensionEntries();
  const char* expected[] = {"bmp", "ico", "wmf", "emf", "jfif", "jpg",  "jpe", "jpeg", "rle", "dib",
                            "win", "vst", "vda", "tga", "icb",  "tiff", "tif", "fax",  "eps", "pcx",
                            "pcc", "scr", "rpf", "rla", "sgi",  "rgba", "rgb", "bw",   "psd", "pdd",
                            "ppm", "pgm", "pbm", "cel", "pic",  "pcd",  "cut", "psp",  "png"};
  ASSERT_EQ(exts.size(), std::size(expected));
  for (std::size_t i = 0; i < exts.size(); ++i) EXPECT_EQ(exts[i].extension, expected[i]);
  EXPECT_EQ(PictureFormats().ClassEntries().size(), 17u);
  EXPECT_EQ(exts[15].kinds, unsigned(fkMultiImage | fkRaster));
  EXPECT_EQ(exts[2].kinds, unsigned(fkVector));
  EXPECT_EQ(exts[28].kinds, unsigned(fkLayered | fkRaster));
}

TEST(FormatList, ClassEntriesCountExtensionsAndKeepLastCommonDescription) {
  const auto& classes = PictureFormats().ClassEntries();
  const TClassEntry* bmp = classes[0].get();
  EXPECT_EQ(bmp->reader, &BmpReader());
  EXPECT_EQ(bmp->count, 3);
  EXPECT_EQ(bmp->description, "Windows bitmaps");
  const TClassEntry* jpeg = classes[3].get();
  EXPECT_EQ(jpeg->reader, &JpegReader());
  EXPECT_EQ(jpeg->count, 4);
  EXPECT_EQ(jpeg->description, "JPG images");
}

TEST(FormatList, FindReaderByExtensionDropsUpToFirstDotAndIgnoresCase) {
  const auto& list = PictureFormats();
  EXPECT_EQ(list.FindReaderByExtension("png"), &PngReader());
  EXPECT_EQ(list.FindReaderByExtension("PNG"), &PngReader());
  EXPECT_EQ(list.FindReaderByExtension(".png"), &PngReader());
  EXPECT_EQ(list.FindReaderByExtension("a.png"), &PngReader());
  EXPECT_EQ(list.FindReaderByExtension("a.b.png"), nullptr);
  EXPECT_EQ(list.FindReaderByExtension("xyz"), nullptr);
  EXPECT_EQ(list.FindReaderByExtension(""), nullptr);
  EXPECT_EQ(list.FindReaderByExtension("Jpeg"), &JpegReader());
  EXPECT_EQ(list.FindReaderByExtension("psd"), list.FindReaderByExtension("PDD"));
  EXPECT_EQ(list.FindReaderByExtension("rle"), &BmpReader());
  EXPECT_EQ(list.FindReaderByExtension("eps"), &EpsReader());
}

TEST(FormatList, FilterTextIsExact) {
  const std::string expected =
      "All images|*.bmp; *.bw; *.cel; *.cut; *.dib; *.emf; *.eps; *.fax; *.icb; *.ico; "
      "*.jfif; *.jpe; *.jpeg; *.jpg; *.pbm; *.pcc; *.pcd; *.pcx; *.pdd; *.pgm; *.pic; "
      "*.png; *.ppm; *.psd; *.psp; *.rgb; *.rgba; *.rla; *.rle; *.rpf; *.scr; *.sgi; "
      "*.tga; *.tif; *.tiff; *.vda; *.vst; *.win; *.wmf|"
      "Alias/Wavefront images (*.rla; *.rpf)|*.rla; *.rpf|"
      "Autodesk images (*.cel; *.pic)|*.cel; *.pic|"
      "Dr. Halo images (*.cut)|*.cut|"
      "Encapsulated Postscript images (*.eps)|*.eps|"
      "JPG images (*.jfif; *.jpe; *.jpeg; *.jpg)|*.jfif; *.jpe; *.jpeg; *.jpg|"
      "Kodak Photo-CD images (*.pcd)|*.pcd|"
      "Paintshop Pro images (*.psp)|*.psp|"
      "Photoshop images (*.pdd; *.psd)|*.pdd; *.psd|"
      "Portable map images (*.pbm; *.pgm; *.ppm)|*.pbm; *.pgm; *.ppm|"
      "Portable network graphic images (*.png)|*.png|"
      "SGI images (*.bw; *.rgb; *.rgba; *.sgi)|*.bw; *.rgb; *.rgba; *.sgi|"
      "Tagged image file format images (*.fax; *.tif; *.tiff)|*.fax; *.tif; *.tiff|"
      "Truevision images (*.icb; *.tga; *.vda; *.vst; *.win)|*.icb; *.tga; *.vda; *.vst; "
      "*.win|"
      "Windows bitmaps (*.bmp; *.dib; *.rle)|*.bmp; *.dib; *.rle|"
      "Windows icons (*.ico)|*.ico|"
      "Windows metafiles (*.emf; *.wmf)|*.emf; *.wmf|"
      "ZSoft Paintbrush images (*.pcc; *.pcx; *.scr)|*.pcc; *.pcx; *.scr";
  EXPECT_EQ(PictureFormats().BuildPictureFilter(), expected);
}

// Readers for the small registry tests below.
bool StartsWithA(std::span<const std::uint8_t> h) {
  return !h.empty() && h[0] == 'A';
}
bool StartsWithAB(std::span<const std::uint8_t> h) {
  return h.size() >= 2 && h[0] == 'A' && h[1] == 'B';
}
TPicture DecodeOne(std::span<const std::uint8_t> data, const std::string&) {
  TPicture p;
  p.width = 1;
  p.height = 1;
  p.pixels = {Color32(data.empty() ? 0 : data[0], 0, 0)};
  return p;
}
TPicture DecodeTwo(std::span<const std::uint8_t>, const std::string&) {
  TPicture p;
  p.width = 2;
  p.height = 1;
  p.pixels = {0, 0};
  return p;
}
const TPictureReader kReaderA{"A", StartsWithA, DecodeOne};
const TPictureReader kReaderAB{"AB", StartsWithAB, DecodeTwo};
const TPictureReader kBlind{"blind", nullptr, DecodeTwo};

TEST(FormatList, RegisteringTwiceFailsUnlessReplacing) {
  TFileFormatList list;
  list.RegisterPictureFormat("aaa", "A files", "", fkRaster, false, kReaderA);
  list.RegisterPictureFormat("", "ignored", "", fkRaster, false, kReaderA);
  EXPECT_EQ(list.ExtensionEntries().size(), 1u);
  EXPECT_EQ(
      MessageOf([&] { list.RegisterPictureFormat("AAA", "", "", fkRaster, false, kReaderAB); }),
      "Attempt to register AAA twice.");
  EXPECT_EQ(list.FindReaderByExtension("aaa"), &kReaderA);
}

TEST(FormatList, ReplacingMovesExtensionAndDropsEmptiedReader) {
  TFileFormatList list;
  list.RegisterPictureFormat("one", "Blind files", "", fkRaster, false, kBlind);
  list.RegisterPictureFormat("two", "", "", fkRaster, false, kBlind);
  list.RegisterPictureFormat("aaa", "A files", "", fkRaster, false, kReaderA);
  list.RegisterPictureFormat("one", "AB files", "", fkRaster, true, kReaderAB);
  ASSERT_EQ(list.ClassEntries().size(), 3u);
  EXPECT_EQ(list.ClassEntries()[0]->count, 1);
  EXPECT_EQ(list.FindReaderByExtension("one"), &kReaderAB);
  list.RegisterPictureFormat("two", "", "", fkRaster, true, kReaderAB);
  // AB took the blind reader's place in the list.
  ASSERT_EQ(list.ClassEntries().size(), 2u);
  EXPECT_EQ(list.ClassEntries()[0]->reader, &kReaderAB);
  EXPECT_EQ(list.ClassEntries()[1]->reader, &kReaderA);
  EXPECT_EQ(list.ClassEntries()[0]->count, 2);
  EXPECT_EQ(list.BuildPictureFilter(),
            "All images|*.aaa; *.one; *.two|A files (*.aaa)|*.aaa|AB files (*.one; *.two)|*.one; "
            "*.two");
  // The general load follows the latest registration.
  EXPECT_EQ(list.LoadReaderFor("ONE"), &kReaderAB);
  EXPECT_EQ(list.LoadDescriptionFor("two"), "AB files");
}

TEST(FormatList, ContentLookupAsksReadersInListOrder) {
  TFileFormatList list;
  list.RegisterPictureFormat("x", "Blind", "", fkRaster, false, kBlind);
  list.RegisterPictureFormat("a", "A", "", fkRaster, false, kReaderA);
  list.RegisterPictureFormat("ab", "AB", "", fkRaster, false, kReaderAB);
  // Both A and AB claim "AB..."; A was registered first.
  const std::string f1 = WriteTemp("content.ab", {'A', 'B', 'C'});
  EXPECT_EQ(list.FindReaderByContent(f1), &kReaderA);
  const std::string f2 = WriteTemp("content.a", {'Z'});
  EXPECT_EQ(list.FindReaderByContent(f2), nullptr);
  const std::string f3 = WriteTemp("empty.a", {});
  EXPECT_EQ(list.FindReaderByContent(f3), nullptr);
  EXPECT_THROW(list.FindReaderByContent("/nonexistent/dir/file.a"), Error);
}

TEST(FormatList, GeneralLoadUsesExtensionAndReportsUnknownOnes) {
  TFileFormatList list;
  list.RegisterPictureFormat("aa", "A", "", fkRaster, false, kReaderA);
  const std::string f = WriteTemp("pic.AA", {'Q'});
  TPicture p = list.LoadPicture(f);
  ASSERT_EQ(p.width, 1);
  EXPECT_EQ(p.pixels[0], Color32('Q', 0, 0));
  const std::string g = WriteTemp("pic.zz", {'Q'});
  EXPECT_EQ(MessageOf([&] { list.LoadPicture(g); }), "Unknown picture file extension (.zz)");
  const std::string h = WriteTemp("noext", {'Q'});
  EXPECT_EQ(MessageOf([&] { list.LoadPicture(h); }), "Unknown picture file extension (.)");
  EXPECT_THROW(list.LoadPicture("/nonexistent/dir/file.aa"), Error);
}

TEST(FormatList, PsdExtensionsHeldByPlaceholderUntilReplaced) {
  TFileFormatList list;
  RegisterStandardFormats(list);
  EXPECT_EQ(list.FindReaderByExtension("psd"), &PsdPlaceholderReader());
  std::vector<std::uint8_t> psd(40, 0);
  psd[0] = '8', psd[1] = 'b', psd[2] = 'p', psd[3] = 's', psd[5] = 1;
  EXPECT_TRUE(LooksLikePsd(psd));
  psd[5] = 2;
  EXPECT_FALSE(LooksLikePsd(psd));
  psd[5] = 1;
  EXPECT_FALSE(LooksLikePsd(std::span<const std::uint8_t>(psd).first(26)));
  const std::string f = WriteTemp("doc.psd", psd);
  EXPECT_EQ(list.FindReaderByContent(f), &PsdPlaceholderReader());
  const std::string msg = MessageOf([&] { list.LoadPicture(f); });
  EXPECT_NE(msg.find("doc.psd"), std::string::npos);
  EXPECT_NE(msg.find("cannot be read"), std::string::npos);

  // The PSD reader takes both extensions over at start-up.
  const TPictureReader psdReader{"PSD", LooksLikePsd, DecodeTwo};
  list.RegisterPictureFormat("psd", "Photoshop images", "", fkLayered | fkRaster, true, psdReader);
  list.RegisterPictureFormat("pdd", "", "", fkLayered | fkRaster, true, psdReader);
  ASSERT_EQ(list.ClassEntries().size(), 17u);
  // Still asked about content seventh among the content-aware readers,
  // after SGI and before the portable maps.
  EXPECT_EQ(list.ClassEntries()[9]->reader, &SgiReader());
  EXPECT_EQ(list.ClassEntries()[10]->reader, &psdReader);
  EXPECT_EQ(list.ClassEntries()[11]->reader, &PnmReader());
  EXPECT_EQ(list.FindReaderByExtension("pdd"), &psdReader);
  EXPECT_EQ(list.FindReaderByContent(f), &psdReader);
  EXPECT_EQ(list.LoadPicture(f).width, 2);
  EXPECT_NE(list.BuildPictureFilter().find("|Photoshop images (*.pdd; *.psd)|*.pdd; *.psd|"),
            std::string::npos);
}

}  // namespace
}  // namespace quenvar
