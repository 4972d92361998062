// Cases the tool-made fixtures do not reach: layouts written by hand byte by
// byte, hostile values, and the rules each reader applies on its own.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "fixtures2_util.h"
#include "formats/readers.h"
#include "host/error.h"
#include "largestallocation.h"

namespace quenvar {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

void Put16LE(Bytes& b, std::size_t at, unsigned v) {
  b.at(at) = v & 255;
  b.at(at + 1) = (v >> 8) & 255;
}
void Put16BE(Bytes& b, std::size_t at, unsigned v) {
  b.at(at) = (v >> 8) & 255;
  b.at(at + 1) = v & 255;
}
void Append16LE(Bytes& b, unsigned v) {
  b.push_back(v & 255);
  b.push_back((v >> 8) & 255);
}

TPicture Decode(const TPictureReader& r, const Bytes& b, const std::string& name = "x") {
  return r.Decode(b, name);
}

// --- Portable maps -----------------------------------------------------------

TEST(PnmReader, PlainBitmapDigitsNeedNoSeparators) {
  const TPicture p = Decode(PnmReader(), Text("P1\n3 2\n010\n1 0 1\n"));
  ASSERT_EQ(p.pixels.size(), 6u);
  EXPECT_EQ(p.pixels[0], Color32(255, 255, 255));
  EXPECT_EQ(p.pixels[1], Color32(0, 0, 0));
  EXPECT_EQ(p.pixels[3], Color32(0, 0, 0));
}

TEST(PnmReader, SixteenBitSamplesAreBigEndianAndRounded) {
  Bytes b = Text("P5 2 1 65535\n");
  for (unsigned v : {0x8080u, 0x0080u}) {  // 32896 -> 128, 128 -> 0.498 -> 0
    b.push_back(v >> 8);
    b.push_back(v & 255);
  }
  const TPicture p = Decode(PnmReader(), b);
  EXPECT_EQ(p.pixels[0], Color32(128, 128, 128));
  EXPECT_EQ(p.pixels[1], Color32(0, 0, 0));
}

TEST(PnmReader, RefusesBadMaxvalAndShortData) {
  EXPECT_THROW(Decode(PnmReader(), Text("P2 1 1 0\n0\n")), Error);
  EXPECT_THROW(Decode(PnmReader(), Text("P2 1 1 65536\n0\n")), Error);
  EXPECT_THROW(Decode(PnmReader(), Text("P6 2 2 255\nabc")), Error);
  EXPECT_THROW(Decode(PnmReader(), Text("P3 1 1 255\n1 2")), Error);
  EXPECT_THROW(Decode(PnmReader(), Text("P3 1 1 255\n1 2 x")), Error);
  EXPECT_THROW(Decode(PnmReader(), Text("P2 99999999999 1 255\n")), Error);
}

TEST(PnmReader, SamplesAboveMaxvalAreClampedToWhite) {
  const TPicture p = Decode(PnmReader(), Text("P2 2 1 7\n7 200\n"));
  EXPECT_EQ(p.pixels[0], Color32(255, 255, 255));
  EXPECT_EQ(p.pixels[1], Color32(255, 255, 255));
}

TEST(PnmReader, ContentCheckNeedsSignatureAndNumber) {
  EXPECT_TRUE(PnmReader().IsFormat(Text("P6\n# c\n1 1 255\n")));
  EXPECT_FALSE(PnmReader().IsFormat(Text("P7\nWIDTH 1\n")));
  EXPECT_FALSE(PnmReader().IsFormat(Text("P6 x")));
  EXPECT_FALSE(PnmReader().IsFormat(Text("PNG\r\n")));
}

// --- PCX -----------------------------------------------------------------------

Bytes PcxHeader(unsigned version, unsigned bpp, unsigned planes, unsigned w, unsigned h,
                unsigned bytesPerLine) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = version;
  b[2] = 1;
  b[3] = bpp;
  Put16LE(b, 8, w - 1);
  Put16LE(b, 10, h - 1);
  b[65] = planes;
  Put16LE(b, 66, bytesPerLine);
  return b;
}

TEST(PcxReader, MonochromeWithoutColoursIsBlackAndWhite) {
  Bytes b = PcxHeader(5, 1, 1, 8, 1, 2);
  b.insert(b.end(), {0xA5, 0x00});
  const TPicture p = Decode(PcxReader(), b);
  EXPECT_EQ(p.pixels[0], Color32(255, 255, 255));
  EXPECT_EQ(p.pixels[1], Color32(0, 0, 0));
  EXPECT_EQ(p.pixels[2], Color32(255, 255, 255));
}

TEST(PcxReader, EightBitWithoutPaletteIsGreyAndRunsMayCrossLines) {
  // Two rows of 2 pixels (bytes per line 2): one run of 4 covers both.
  Bytes b = PcxHeader(5, 8, 1, 2, 2, 2);
  b.insert(b.end(), {0xC4, 0x40});
  const TPicture p = Decode(PcxReader(), b);
  for (TColor32 px : p.pixels) EXPECT_EQ(px, Color32(0x40, 0x40, 0x40));
}

TEST(PcxReader, FourPlanesOfEightBitsKeepAlpha) {
  Bytes b = PcxHeader(5, 8, 4, 1, 1, 2);
  b.insert(b.end(), {10, 0, 20, 0, 30, 0, 40, 0});
  const TPicture p = Decode(PcxReader(), b);
  EXPECT_EQ(p.kind, TPictureKind::Bitmap32);
  EXPECT_EQ(p.pixels[0], Color32(10, 20, 30, 40));
}

TEST(PcxReader, RefusesLinesTooShortForTheWidth) {
  Bytes b = PcxHeader(5, 8, 1, 40, 1, 2);
  b.insert(b.end(), 80, 1);
  EXPECT_THROW(Decode(PcxReader(), b), Error);
}

// --- SGI ---------------------------------------------------------------------

Bytes SgiHeader(unsigned storage, unsigned bpc, unsigned dim, unsigned x, unsigned y, unsigned z) {
  Bytes b(512, 0);
  Put16BE(b, 0, 474);
  b[2] = storage;
  b[3] = bpc;
  Put16BE(b, 4, dim);
  Put16BE(b, 6, x);
  Put16BE(b, 8, y);
  Put16BE(b, 10, z);
  return b;
}

TEST(SgiReader, GreyWithAlphaAndBottomRowFirst) {
  Bytes b = SgiHeader(0, 1, 3, 1, 2, 2);
  b.insert(b.end(), {10, 20, /* alpha */ 100, 200});
  const TPicture p = Decode(SgiReader(), b);
  EXPECT_EQ(p.kind, TPictureKind::Bitmap32);
  EXPECT_EQ(p.pixels[0], Color32(20, 20, 20, 200));  // top row is the last stored
  EXPECT_EQ(p.pixels[1], Color32(10, 10, 10, 100));
}

TEST(SgiReader, TwoDimensionalImagesHaveOneChannel) {
  Bytes b = SgiHeader(0, 1, 2, 2, 1, 3);
  b.insert(b.end(), {7, 9});
  const TPicture p = Decode(SgiReader(), b);
  EXPECT_EQ(p.kind, TPictureKind::Bitmap);
  EXPECT_EQ(p.pixels[1], Color32(9, 9, 9));
}

TEST(SgiReader, RefusesColourMapsAndBadRuns) {
  Bytes mapped = SgiHeader(0, 1, 2, 1, 1, 1);
  mapped[107] = 3;
  mapped.push_back(0);
  EXPECT_THROW(Decode(SgiReader(), mapped), Error);

  // One row, one channel: a run of 5 into a row of 2 pixels.
  Bytes rle = SgiHeader(1, 1, 2, 2, 1, 1);
  const std::uint8_t table[] = {0, 0, 2, 8, 0, 0, 0, 3};
  rle.insert(rle.end(), table, table + 8);
  rle.insert(rle.end(), {5, 1, 0});
  EXPECT_THROW(Decode(SgiReader(), rle), Error);
  // The same row pointing past the end of the file.
  rle[512 + 2] = 0x7F;
  EXPECT_THROW(Decode(SgiReader(), rle), Error);
}

// --- RLA -----------------------------------------------------------------------

TEST(RlaReader, SixteenBitChannelsAreRescaled) {
  Bytes b = testing2::ReadBytes(testing2::Fixture("rla_rgb.rla"));
  b.resize(740);
  Put16BE(b, 2, 0);  // window 1 x 1
  Put16BE(b, 6, 0);
  Put16BE(b, 10, 0);
  Put16BE(b, 14, 0);
  Put16BE(b, 20, 1);  // one grey channel
  Put16BE(b, 658, 16);
  b.insert(b.end(), {0, 0, 0x02, 0xE8});        // the one line starts at 744
  b.insert(b.end(), {0, 3, 0xFE, 0x80, 0x80});  // two literal bytes: 8080h
  const TPicture p = Decode(RlaReader(), b);
  EXPECT_EQ(p.pixels[0], Color32(128, 128, 128));
}

TEST(RlaReader, RefusesScanLinesPastTheEnd) {
  Bytes b = testing2::ReadBytes(testing2::Fixture("rla_rgb.rla"));
  b[740] = 0x7F;  // the bottom line's offset
  EXPECT_THROW(Decode(RlaReader(), b), Error);
}

// --- Autodesk ------------------------------------------------------------------

TEST(AutodeskReader, SixBitPaletteScalesToFullRange) {
  Bytes b(32, 0);
  Put16LE(b, 0, 0x9119);
  Put16LE(b, 2, 3);
  Put16LE(b, 4, 1);
  b[10] = 8;
  Bytes pal(768, 0);
  pal[3] = 63;
  pal[4] = 32;
  pal[5] = 1;
  pal[6] = 200;  // out of range: treated as 63
  b.insert(b.end(), pal.begin(), pal.end());
  b.insert(b.end(), {0, 1, 2});
  const TPicture p = Decode(AutodeskReader(), b);
  EXPECT_EQ(p.pixels[0], Color32(0, 0, 0));
  EXPECT_EQ(p.pixels[1], Color32(255, 130, 4));
  EXPECT_EQ(p.pixels[2], Color32(255, 0, 0));
}

// --- Photo-CD ----------------------------------------------------------------

TEST(PcdReader, ConvertsYccWithSharedChromaPerTwoByTwo) {
  Bytes b(0x30000 + 256 * 2304, 0);
  const char sig[] = "PCD_IPI";
  std::copy(sig, sig + 7, b.begin() + 0x800);
  std::uint8_t* pair = b.data() + 0x30000;
  pair[0] = 100;     // Y of (0, 0)
  pair[1] = 188;     // Y of (1, 0): 255.4 clips to 255
  pair[768] = 50;    // Y of (0, 1)
  pair[1536] = 156;  // C1 of the first 2 x 2 block: neutral
  pair[1536 + 384] = 137;
  pair[1536 + 1] = 200;  // C1 of the next block: blue
  pair[1536 + 385] = 137;
  pair[2] = 100;
  const TPicture p = Decode(PcdReader(), b);
  ASSERT_EQ(p.width, 768);
  ASSERT_EQ(p.height, 512);
  EXPECT_EQ(p.pixels[0], Color32(136, 136, 136));  // 135.84
  EXPECT_EQ(p.pixels[1], Color32(255, 255, 255));
  EXPECT_EQ(p.pixels[768], Color32(68, 68, 68));  // 67.92
  // 1.3584 * 100 = 135.84; C1 = 2.2179 * 44 = 97.59: B = 233.4, G = 135.84 - 18.93
  EXPECT_EQ(p.pixels[2], Color32(136, 117, 233));
}

// --- Dr. Halo ------------------------------------------------------------------

class CutPalette : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quenvar_cut_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

Bytes TwoPixelCut() {
  Bytes b;
  Append16LE(b, 2);
  Append16LE(b, 1);
  Append16LE(b, 0);
  Append16LE(b, 4);
  b.insert(b.end(), {2, 0, 1, 0});
  return b;
}

TEST_F(CutPalette, UpperCasePaletteFileIsFound) {
  const Bytes cut = TwoPixelCut();
  testing2::WriteBytes(Path("p.cut"), cut);
  Bytes pal(40, 0);
  pal[0] = 'A';
  pal[1] = 'H';
  Put16LE(pal, 12, 1);   // largest index
  Put16LE(pal, 14, 63);  // largest red, green, blue
  Put16LE(pal, 16, 63);
  Put16LE(pal, 18, 63);
  for (unsigned v : {63u, 0u, 0u, 0u, 63u, 21u}) Append16LE(pal, v);
  testing2::WriteBytes(Path("p.PAL"), pal);
  const TPicture p = Decode(CutReader(), cut, Path("p.cut"));
  EXPECT_EQ(p.pixels[0], Color32(255, 0, 0));
  EXPECT_EQ(p.pixels[1], Color32(0, 255, 85));
}

TEST_F(CutPalette, PaletteOfAnotherKindIsIgnored) {
  const Bytes cut = TwoPixelCut();
  testing2::WriteBytes(Path("q.cut"), cut);
  testing2::WriteBytes(Path("q.pal"), Text("RIFF\x10\0\0\0PAL data"));
  const TPicture p = Decode(CutReader(), cut, Path("q.cut"));
  EXPECT_EQ(p.pixels[0], Color32(0, 0, 0));
  EXPECT_EQ(p.pixels[1], Color32(1, 1, 1));
}

TEST(CutReader, RunsPastTheWidthAreDroppedAndShortLinesFail) {
  Bytes b;
  Append16LE(b, 2);
  Append16LE(b, 1);
  Append16LE(b, 0);
  Append16LE(b, 3);
  b.insert(b.end(), {0x85, 9, 0});
  const TPicture p = Decode(CutReader(), b, "/nonexistent/x.cut");
  EXPECT_EQ(p.pixels[1], Color32(9, 9, 9));
  b[6] = 40;  // line length past the end
  EXPECT_THROW(Decode(CutReader(), b), Error);
}

// --- Paintshop Pro -------------------------------------------------------------

TEST(PspReader, RefusesJpegAndDamagedZlibChannels) {
  Bytes jpeg = testing2::ReadBytes(testing2::Fixture("psp_layers_zlib.psp"));
  // Compression sits after the chunk size, width, height, resolution and unit.
  const std::size_t compressionAt = 32 + 4 + 10 + 4 + 4 + 4 + 8 + 1;
  ASSERT_EQ(jpeg.at(compressionAt), 2);
  jpeg[compressionAt] = 3;
  EXPECT_THROW(Decode(PspReader(), jpeg), Error);

  Bytes zlib = testing2::ReadBytes(testing2::Fixture("psp_layers_zlib.psp"));
  // Spoil the first zlib stream's header (78 DA).
  for (std::size_t i = 0; i + 1 < zlib.size(); ++i) {
    if (zlib[i] == 0x78 && zlib[i + 1] == 0xDA) {
      zlib[i + 1] = 0x00;
      break;
    }
  }
  EXPECT_THROW(Decode(PspReader(), zlib), Error);
}

TEST(PspReader, ContentCheckIsTheSignature) {
  Bytes b = Text("Paint Shop Pro Image File\n\x1a");
  b.resize(40, 0);
  EXPECT_TRUE(PspReader().IsFormat(b));
  b[0] = 'p';
  EXPECT_FALSE(PspReader().IsFormat(b));
}

// --- Small files claiming huge pictures -----------------------------------

TEST(SmallHostileFiles, CutAndRlaRefuseSizesTheirDataCannotFill) {
  // 30000 x 8000 pixels (within the limits), every line empty.
  Bytes cut;
  Append16LE(cut, 30000);
  Append16LE(cut, 8000);
  Append16LE(cut, 0);
  for (int y = 0; y < 8000; ++y) cut.insert(cut.end(), {1, 0, 0});
  try {
    Decode(CutReader(), cut, "huge.cut");
    FAIL() << "decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("larger than its data"), std::string::npos) << e.what();
  }

  Bytes rla = testing2::ReadBytes(testing2::Fixture("rla_rgb.rla"));
  Put16BE(rla, 10, 19999);  // active window right
  Put16BE(rla, 14, 9999);   // active window top
  try {
    Decode(RlaReader(), rla, "huge.rla");
    FAIL() << "decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("larger than its data"), std::string::npos) << e.what();
  }
}

// The error of a decode that must fail; a huge picture's memory is never
// taken when the check comes first, so a failing decode also returns at once.
std::string FailureOf(const TPictureReader& r, const Bytes& b, const std::string& name) {
  try {
    Decode(r, b, name);
  } catch (const Error& e) {
    return e.what();
  }
  return "decoded";
}

// Refused with the message, and before any allocation near the claimed size.
void ExpectRefused(const TPictureReader& r, const Bytes& b, const std::string& name,
                   const std::string& message) {
  testing::LargestAllocation largest;
  const std::string failure = FailureOf(r, b, name);
  EXPECT_NE(failure.find(message), std::string::npos) << name << ": " << failure;
  EXPECT_LT(largest.Bytes(), std::size_t(1) << 20) << name;
}

TEST(SmallHostileFiles, PortableMapsNeedTheirSamplesBeforeThePicture) {
  // 16 bytes claiming 16000 x 16000 grey samples.
  ExpectRefused(PnmReader(), Text("P5 16000 16000 1"), "raw.pgm", "end of data in the samples");
  ExpectRefused(PnmReader(), Text("P4 16000 16000\n\xff"), "raw.pbm", "end of data in the bitmap");
  ExpectRefused(PnmReader(), Text("P2 16000 16000 255\n0 0 0"), "plain.pgm",
                "larger than its data");
  // Exactly enough data still decodes.
  EXPECT_EQ(Decode(PnmReader(), Text("P5 2 1 255\nab")).pixels.size(), 2u);
  EXPECT_EQ(Decode(PnmReader(), Text("P1 2 1 0 1")).pixels.size(), 2u);
}

TEST(SmallHostileFiles, AutodeskPixelsMustBeThere) {
  // The 32-byte header alone claiming 30000 x 8000 pixels.
  Bytes b(32, 0);
  Put16LE(b, 0, 0x9119);
  Put16LE(b, 2, 30000);
  Put16LE(b, 4, 8000);
  b[10] = 8;
  ExpectRefused(AutodeskReader(), b, "huge.cel", "unexpected end of data");
  // The Animator Pro header with one tiny block.
  Bytes pro(64, 0);
  Put16LE(pro, 4, 0x9500);
  Put16LE(pro, 6, 30000);
  Put16LE(pro, 8, 8000);
  pro[18] = 8;
  pro.insert(pro.end(), {6, 0, 0, 0, 1, 0});
  ExpectRefused(AutodeskReader(), pro, "huge.pic", "larger than its data");
}

TEST(SmallHostileFiles, SgiRowsMustBeAbleToFillThePicture) {
  // Verbatim: the header alone claiming 10000 x 10000 x 3.
  ExpectRefused(SgiReader(), SgiHeader(0, 1, 3, 10000, 10000, 3), "huge.rgb",
                "unexpected end of pixel data");
  // Run-length: one shared 3-byte row cannot fill rows 2000 pixels wide.
  Bytes rle = SgiHeader(1, 1, 2, 2000, 1, 1);
  const std::uint8_t table[] = {0, 0, 2, 8, 0, 0, 0, 3};
  rle.insert(rle.end(), table, table + 8);
  rle.insert(rle.end(), {0x7F, 1, 0});
  ExpectRefused(SgiReader(), rle, "wide.sgi", "cannot fill a row of 2000 pixels");
  // The same row 127 pixels wide is what that run holds.
  Put16BE(rle, 6, 127);
  EXPECT_EQ(Decode(SgiReader(), rle).pixels.size(), 127u);
}

TEST(SmallHostileFiles, PlainPcxNeedsEveryLineByte) {
  // Uncoded data holds one byte per byte: 2000 lines of 2000 bytes are not there.
  Bytes b = PcxHeader(5, 8, 1, 2000, 2000, 2000);
  b[2] = 0;
  b.insert(b.end(), 70000, 1);
  ExpectRefused(PcxReader(), b, "plain.pcx", "unexpected end of pixel data");
}

TEST(SmallHostileFiles, PaintshopCanvasMustBeFillable) {
  // Found by fuzzing: 140 bytes claiming a canvas of 93 million pixels.
  const Bytes found = testing2::ReadBytes(testing2::Fixture("fuzz_psp_huge_canvas.psp"));
  ExpectRefused(PspReader(), found, "found.psp", "larger than its data can describe");
  // The good files still fit their canvases.
  for (const char* name : {"psp_composite.psp", "psp_layers_rle.psp", "psp_palette4.psp"})
    EXPECT_NO_THROW(Decode(PspReader(), testing2::ReadBytes(testing2::Fixture(name)))) << name;
}

TEST(SmallHostileFiles, RepeatedTiffStripsCannotFillAPicture) {
  // Found by fuzzing: an EPS preview whose uncoded one-bit strips all start at
  // the file's first byte, claiming 10240 x 25345 pixels from 1350 bytes.
  const Bytes found = testing2::ReadBytes(testing2::Fixture("fuzz_eps_repeated_strips.eps"));
  ExpectRefused(EpsReader(), found, "found.eps", "too small to hold a picture of 10240 x 25345");
}

}  // namespace
}  // namespace quenvar
