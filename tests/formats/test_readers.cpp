// Every fixture, loaded through the general load by extension, against the
// reference decoding ImageMagick wrote beside it; then damaged copies of the
// same files, which must fail with an error and never crash.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

#include "fixturesupport.h"
#include "formats/formatlist.h"
#include "formats/limits.h"
#include "formats/readers.h"
#include "host/error.h"
#include "largestallocation.h"

namespace quenvar {
namespace {

using testing::FixturePath;
using testing::SamePixels;

struct Fixture {
  const char* file;
  int tolerance;  // per channel; non-zero only where decoders may round differently
  bool alpha;     // the picture carries alpha (TPictureKind::Bitmap32)
};

// Exact, except where two correct decoders round differently, by at most one
// step: 5- and 6-bit samples (we round, the reference replicates bits),
// 4-bit samples (the reference shifts: up to one 4-bit step), premultiplied
// alpha taken back to straight colour, 16-bit palette entries and CMYK.
const Fixture kFixtures[] = {
    {"png_rgb8.png", 0, false},       {"png_rgba8.png", 0, true},
    {"png_rgb16.png", 0, false},      {"png_rgba16.png", 0, true},
    {"png_gray1.png", 0, false},      {"png_gray2.png", 0, false},
    {"png_gray4.png", 0, false},      {"png_gray8.png", 0, false},
    {"png_gray16.png", 0, false},     {"png_graya8.png", 0, true},
    {"png_pal4.png", 0, false},       {"png_pal_trns.png", 0, true},
    {"png_adam7.png", 0, true},       {"jpg_baseline.jpg", 0, false},
    {"jpg_420.jpeg", 0, false},       {"jpg_progressive.jpg", 3, false},
    {"jpg_gray.jpg", 0, false},       {"jpg_cmyk.jpg", 3, false},
    {"bmp_pal1.bmp", 0, false},       {"bmp_pal4.bmp", 0, false},
    {"bmp_pal8.bmp", 0, false},       {"bmp_rle8.rle", 0, false},
    {"bmp_rle4.bmp", 0, false},       {"bmp_24.bmp", 0, false},
    {"bmp_os2.bmp", 0, false},        {"bmp_555.bmp", 1, false},
    {"bmp_565.bmp", 1, false},        {"bmp_4444.bmp", 17, true},
    {"bmp_argb.bmp", 0, true},        {"bmp_topdown.bmp", 0, false},
    {"bmp_packed.dib", 0, false},     {"bmp_rgba32.bmp", 0, true},
    {"bmp_rgba32_core.bmp", 0, true}, {"bmp_rgba32_v4.bmp", 0, true},
    {"bmp_rgba32_v5.bmp", 0, true},   {"bmp_rgb32_unused.bmp", 0, false},
    {"ico_rgba32.ico", 0, true},      {"ico_pal8.ico", 0, true},
    {"ico_png.ico", 0, true},         {"tga_rgb.tga", 0, false},
    {"tga_rgb_rle.tga", 0, false},    {"tga_rgba.tga", 0, true},
    {"tga_rgba_rle.vst", 0, true},    {"tga_gray.tga", 0, false},
    {"tga_gray_rle.tga", 0, false},   {"tga_pal.tga", 0, false},
    {"tga_pal_rle.tga", 0, false},    {"tga_topleft.tga", 0, false},
    {"tga_16.icb", 1, false},         {"tif_none.tif", 0, false},
    {"tif_lzw.tif", 0, false},        {"tif_zip.tiff", 0, false},
    {"tif_packbits.tif", 0, false},   {"tif_jpeg.tif", 0, false},
    {"tif_rgba.tif", 0, true},        {"tif_rgba_assoc.tif", 1, true},
    {"tif_rgb16.tif", 0, false},      {"tif_gray8.tif", 0, false},
    {"tif_gray16.tif", 0, false},     {"tif_pal.tif", 1, false},
    {"tif_cmyk.tif", 1, false},       {"tif_g3.fax", 0, false},
    {"tif_g4.tif", 0, false},         {"tif_tiled.tif", 0, false},
    {"tif_planar.tif", 0, false},     {"tif_multi.tif", 0, false},
    {"tif_bilevel.tif", 0, false},    {"eps_preview.eps", 0, false},
};

TPicture Reference(const std::string& file) {
  const std::string path = FixturePath(file + ".ref.png");
  auto bytes = ReadWholeFile(path);
  return PngReader().Decode(bytes, path);
}

std::vector<std::uint8_t> FixtureBytes(const std::string& file) {
  return ReadWholeFile(FixturePath(file));
}

class FixtureTest : public ::testing::TestWithParam<Fixture> {};

TEST_P(FixtureTest, GeneralLoadGivesReferencePixels) {
  const Fixture& f = GetParam();
  TPicture picture = LoadPictureByExtension(FixturePath(f.file));
  EXPECT_EQ(picture.kind == TPictureKind::Bitmap32, f.alpha);
  EXPECT_EQ(picture.pixels.size(), std::size_t(picture.width) * std::size_t(picture.height));
  EXPECT_TRUE(SamePixels(picture, Reference(f.file), f.tolerance));
}

// A cut copy must fail with an error naming the file, unless the cut left
// everything the picture needs (the later pages of a TIFF file, say): then it
// must give the reference picture.
TEST_P(FixtureTest, TruncatedCopiesFailCleanly) {
  const Fixture& f = GetParam();
  const auto bytes = FixtureBytes(f.file);
  const TPicture reference = Reference(f.file);
  const TPictureReader* reader = PictureFormats().LoadReaderFor(
      std::string(f.file).substr(std::string(f.file).rfind('.') + 1));
  ASSERT_NE(reader, nullptr);
  for (std::size_t size :
       {std::size_t(0), std::size_t(5), std::size_t(20), bytes.size() / 2, bytes.size() * 3 / 4}) {
    std::span<const std::uint8_t> cut(bytes.data(), size);
    try {
      TPicture picture = reader->Decode(cut, f.file);
      EXPECT_TRUE(SamePixels(picture, reference, f.tolerance))
          << f.file << " cut to " << size << " bytes decoded to a different picture";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(f.file), std::string::npos) << e.what();
    }
  }
}

// Random damage anywhere in the file: the reader may decode something or
// fail with an error, but it must not crash, hang or raise anything else.
TEST_P(FixtureTest, RandomDamageNeverCrashes) {
  const Fixture& f = GetParam();
  const auto original = FixtureBytes(f.file);
  const TPictureReader* reader = PictureFormats().FindReaderByExtension(f.file);
  ASSERT_NE(reader, nullptr);
  std::mt19937 random(12345);
  // QUENVAR_FUZZ_ROUNDS raises the count for a longer run under the sanitizers.
  const char* env = std::getenv("QUENVAR_FUZZ_ROUNDS");
  const int rounds = env ? std::max(1, std::atoi(env)) : 40;
  for (int round = 0; round < rounds; ++round) {
    auto bytes = original;
    const int flips = 1 + int(random() % 6);
    for (int i = 0; i < flips; ++i) {
      // Damage the first 100 bytes more often: that is where headers live.
      const std::size_t span =
          (random() % 2) ? std::min<std::size_t>(100, bytes.size()) : bytes.size();
      bytes[random() % span] = std::uint8_t(random());
    }
    try {
      TPicture p = reader->Decode(bytes, f.file);
      EXPECT_EQ(p.pixels.size(), std::size_t(p.width) * std::size_t(p.height));
    } catch (const Error&) {
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTest, ::testing::ValuesIn(kFixtures),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// The references are PNG files read by our own PNG reader; check one against
// raw RGBA bytes ImageMagick wrote from it, so the comparison does not rest on
// the reader under test alone.
TEST(Readers, ReferencePngMatchesRawBytes) {
  TPicture ref = Reference("png_rgba8.png");
  const auto raw = FixtureBytes("reference_check.rgba");
  ASSERT_EQ(raw.size(), ref.pixels.size() * 4);
  for (std::size_t i = 0; i < ref.pixels.size(); ++i)
    ASSERT_EQ(ref.pixels[i], Color32(raw[4 * i], raw[4 * i + 1], raw[4 * i + 2], raw[4 * i + 3]))
        << "pixel " << i;
}

// Every reader that can carry alpha has a fixture whose alpha varies, and its
// decoding matches the reference's alpha byte for byte.
TEST(Readers, AlphaSurvivesInEveryReaderThatCarriesIt) {
  const std::string fixtures2 = std::string(QUENVAR_TEST_DIR) + "/fixtures2/";
  const std::pair<std::string, std::string> cases[] = {
      {FixturePath("bmp_rgba32.bmp"), FixturePath("bmp_rgba32.bmp.ref.png")},
      {FixturePath("bmp_rgba32_core.bmp"), FixturePath("bmp_rgba32_core.bmp.ref.png")},
      {FixturePath("bmp_rgba32_v5.bmp"), FixturePath("bmp_rgba32_v5.bmp.ref.png")},
      {FixturePath("bmp_argb.bmp"), FixturePath("bmp_argb.bmp.ref.png")},
      {FixturePath("ico_rgba32.ico"), FixturePath("ico_rgba32.ico.ref.png")},
      {FixturePath("tga_rgba_rle.vst"), FixturePath("tga_rgba_rle.vst.ref.png")},
      {FixturePath("png_rgba8.png"), FixturePath("png_rgba8.png.ref.png")},
      {FixturePath("tif_rgba.tif"), FixturePath("tif_rgba.tif.ref.png")},
      {fixtures2 + "sgi_rgba.rgba", fixtures2 + "sgi_rgba.png"},
      {fixtures2 + "rla_matte.rpf", fixtures2 + "rla_matte.png"},
      {fixtures2 + "psp_composite.psp", fixtures2 + "psp_composite.png"},
  };
  for (const auto& [file, refFile] : cases) {
    SCOPED_TRACE(file);
    const TPicture picture = LoadPictureByExtension(file);
    const auto refBytes = ReadWholeFile(refFile);
    const TPicture reference = PngReader().Decode(refBytes, refFile);
    ASSERT_EQ(picture.kind, TPictureKind::Bitmap32);
    ASSERT_EQ(picture.pixels.size(), reference.pixels.size());
    std::set<unsigned> alphas;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
      ASSERT_EQ(AlphaOf(picture.pixels[i]), AlphaOf(reference.pixels[i])) << "pixel " << i;
      alphas.insert(AlphaOf(picture.pixels[i]));
    }
    EXPECT_GE(alphas.size(), 3u) << "the fixture's alpha should vary";
  }
}

// Patches bytes of a fixture and expects the decode to fail with a message
// that contains `expected`.
void ExpectDamagedFails(const std::string& file, std::size_t offset,
                        std::vector<std::uint8_t> patch, const std::string& expected) {
  auto bytes = FixtureBytes(file);
  ASSERT_LE(offset + patch.size(), bytes.size());
  std::copy(patch.begin(), patch.end(), bytes.begin() + std::ptrdiff_t(offset));
  const TPictureReader* reader = PictureFormats().FindReaderByExtension(file);
  try {
    reader->Decode(bytes, file);
    ADD_FAILURE() << file << " with damaged header decoded";
  } catch (const Error& e) {
    const std::string msg = e.what();
    EXPECT_NE(msg.find(file), std::string::npos) << msg;
    EXPECT_NE(msg.find(expected), std::string::npos) << msg;
  }
}

TEST(Readers, DamagedHeadersFailWithClearMessages) {
  ExpectDamagedFails("bmp_24.bmp", 18, {0xFF, 0xFF, 0xFF, 0x7F}, "larger than the limit");
  ExpectDamagedFails("bmp_24.bmp", 28, {7, 0}, "unsupported bit depth 7");
  ExpectDamagedFails("bmp_pal8.bmp", 46, {0xA0, 0x86, 0x01, 0}, "colour table");
  ExpectDamagedFails("bmp_24.bmp", 10, {0xFF, 0xFF, 0, 0}, "outside the file");
  ExpectDamagedFails("bmp_rle4.bmp", 30, {9, 0, 0, 0}, "unsupported compression");
  ExpectDamagedFails("tga_rgb.tga", 12, {0xFF, 0xFF, 0xFF, 0xFF}, "larger than the limit");
  ExpectDamagedFails("tga_rgb.tga", 2, {5}, "not a Truevision");
  ExpectDamagedFails("png_rgb8.png", 0, {0x89, 'X'}, "not a PNG");
  ExpectDamagedFails("png_rgb8.png", 16, {0x7F}, "CRC");
  ExpectDamagedFails("jpg_baseline.jpg", 0, {0, 0}, "not a JPEG");
  ExpectDamagedFails("tif_none.tif", 4, {0xF0, 0xFF, 0xFF, 0xFF}, "");
  ExpectDamagedFails("tif_none.tif", 0, {'X'}, "not a TIFF");
  ExpectDamagedFails("ico_pal8.ico", 2, {3}, "not a Windows icon");
  ExpectDamagedFails("ico_pal8.ico", 18, {0xF0, 0xFF, 0, 0}, "lies outside the file");
  ExpectDamagedFails("eps_preview.eps", 20, {0xFF, 0xFF, 0, 0}, "outside the file");
}

std::size_t FindBytes(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t> needle) {
  auto it = std::search(data.begin(), data.end(), needle.begin(), needle.end());
  return it == data.end() ? std::string::npos : std::size_t(it - data.begin());
}

void ExpectTooSmall(const std::string& file, const std::vector<std::uint8_t>& bytes) {
  try {
    PictureFormats().FindReaderByExtension(file)->Decode(bytes, file);
    ADD_FAILURE() << file << " decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("too small to hold a picture of"), std::string::npos)
        << e.what();
  }
}

// A small file whose header claims a picture within the limits but far
// beyond what its data can hold fails before the picture's memory is taken.
TEST(Readers, SmallFilesCannotClaimHugePictures) {
  auto jpeg = FixtureBytes("jpg_baseline.jpg");
  std::size_t sof = FindBytes(jpeg, {0xFF, 0xC0});
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = 0x3E, jpeg[sof + 6] = 0x80, jpeg[sof + 7] = 0x3E, jpeg[sof + 8] = 0x80;
  ExpectTooSmall("huge.jpg", jpeg);

  auto png = FixtureBytes("png_rgb8.png");
  const std::uint8_t size[8] = {0, 0, 0x3E, 0x80, 0, 0, 0x3E, 0x80};  // 16000 x 16000
  std::copy(size, size + 8, png.begin() + 16);
  const std::uint32_t crc = std::uint32_t(crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
  ExpectTooSmall("huge.png", png);

  auto tiff = FixtureBytes("tif_lzw.tif");
  std::size_t entry = FindBytes(tiff, {0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00});
  ASSERT_NE(entry, std::string::npos);
  tiff[entry + 8] = 0x80, tiff[entry + 9] = 0x3E;  // width 16000
  std::size_t length = FindBytes(tiff, {0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00});
  ASSERT_NE(length, std::string::npos);
  tiff[length + 8] = 0x80, tiff[length + 9] = 0x3E;  // height 16000
  ExpectTooSmall("huge.tif", tiff);
}

// Sets a SHORT entry of the first directory (tag, type 3, count 1).
void SetTiffShort(std::vector<std::uint8_t>& tiff, std::uint16_t tag, std::uint16_t value) {
  const std::size_t entry = FindBytes(
      tiff, {std::uint8_t(tag), std::uint8_t(tag >> 8), 0x03, 0x00, 0x01, 0x00, 0x00, 0x00});
  ASSERT_NE(entry, std::string::npos) << tag;
  tiff[entry + 8] = std::uint8_t(value), tiff[entry + 9] = std::uint8_t(value >> 8);
}

// JPEG strips hold at most 512 pixels per byte like JPEG files; fax pages
// have no such bound (a blank row is one bit) and grow row by row instead,
// so a small page claiming 20000 x 8000 pixels fails on the rows it lacks.
TEST(Readers, TiffPicturesTakeMemoryOnlyForWhatTheirDataHolds) {
  auto jpeg = FixtureBytes("tif_jpeg.tif");
  SetTiffShort(jpeg, 256, 16000);
  SetTiffShort(jpeg, 257, 16000);
  SetTiffShort(jpeg, 278, 16000);
  ExpectTooSmall("huge.tif", jpeg);

  auto fax = FixtureBytes("tif_g4.tif");
  SetTiffShort(fax, 256, 20000);
  SetTiffShort(fax, 257, 8000);
  SetTiffShort(fax, 278, 8000);
  testing::LargestAllocation largest;
  EXPECT_THROW(TiffReader().Decode(fax, "huge.tif"), Error);
  EXPECT_LT(largest.Bytes(), std::size_t(64) << 20);
}

// Arithmetic coding can spend far less than a bit on a block, so no size
// bound holds: such a file claiming 16000 x 16000 pixels grows its picture
// only by the rows its data really decodes.
TEST(Readers, ArithmeticJpegPicturesGrowAsTheirRowsDecode) {
  auto jpeg = FixtureBytes("jpg_baseline.jpg");
  std::size_t sof = FindBytes(jpeg, {0xFF, 0xC0});
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 1] = 0xC9;  // sequential, arithmetic coding
  jpeg[sof + 5] = 0x3E, jpeg[sof + 6] = 0x80, jpeg[sof + 7] = 0x3E, jpeg[sof + 8] = 0x80;
  testing::LargestAllocation largest;
  EXPECT_THROW(JpegReader().Decode(jpeg, "arith.jpg"), Error);
  EXPECT_LT(largest.Bytes(), std::size_t(64) << 20);
}

// A picture compressed by libjpeg, with Huffman or arithmetic coding.
std::vector<std::uint8_t> CompressJpeg(bool arithmetic, int width, int height) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(width), cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3, cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.arith_code = arithmetic;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(std::size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      row[3 * x] = std::uint8_t(x * 4), row[3 * x + 1] = std::uint8_t(y * 5),
              row[3 * x + 2] = std::uint8_t((x ^ y) * 8);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

// Arithmetic and Huffman coding carry the same coefficients: the whole file
// decodes to the same pixels, and the early-end check spares its last rows.
TEST(Readers, ArithmeticJpegDecodesLikeHuffman) {
  for (auto [w, h] : {std::pair{61, 45}, std::pair{8, 200}, std::pair{300, 17}}) {
    const TPicture huffman = JpegReader().Decode(CompressJpeg(false, w, h), "h.jpg");
    const TPicture arithmetic = JpegReader().Decode(CompressJpeg(true, w, h), "a.jpg");
    EXPECT_EQ(arithmetic.pixels, huffman.pixels) << w << " x " << h;
  }
}

void AppendPngChunk(std::vector<std::uint8_t>& png, const char* type,
                    const std::vector<std::uint8_t>& body) {
  for (int i = 3; i >= 0; --i) png.push_back(std::uint8_t(body.size() >> (8 * i)));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  const std::uint32_t crc = std::uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
  for (int i = 3; i >= 0; --i) png.push_back(std::uint8_t(crc >> (8 * i)));
}

// Deflate lets 20 KB stand for 20 MB of 1-bit rows, so the size bound lets
// this header through; the rows that are not there must not be allocated.
TEST(Readers, PngPicturesGrowAsTheirRowsDecode) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // 20000 x 8000 grey, one bit a pixel, not interlaced.
  AppendPngChunk(png, "IHDR", {0, 0, 0x4E, 0x20, 0, 0, 0x1F, 0x40, 1, 0, 0, 0, 0});
  AppendPngChunk(png, "prVt", std::vector<std::uint8_t>(20000, 0));
  std::vector<std::uint8_t> row(2501, 0);  // one row: filter byte and 20000 bits
  uLongf packedSize = compressBound(uLong(row.size()));
  std::vector<std::uint8_t> packed(packedSize);
  ASSERT_EQ(compress(packed.data(), &packedSize, row.data(), uLong(row.size())), Z_OK);
  packed.resize(packedSize);
  AppendPngChunk(png, "IDAT", packed);
  AppendPngChunk(png, "IEND", {});
  testing::LargestAllocation largest;
  EXPECT_THROW(PngReader().Decode(png, "rows.png"), Error);
  EXPECT_LT(largest.Bytes(), std::size_t(16) << 20);
}

// Run-length bitmaps may skip and end early, but not stand for a thousand
// pixels per byte; the icon reader shares the bitmap reader's rule.
TEST(Readers, RunLengthBitmapsCannotClaimHugePictures) {
  auto rle = FixtureBytes("bmp_rle8.rle");
  const std::uint8_t size[8] = {0x30, 0x75, 0, 0, 0x40, 0x1F, 0, 0};  // 30000 x 8000
  std::copy(size, size + 8, rle.begin() + 18);
  testing::LargestAllocation largest;
  try {
    PictureFormats().FindReaderByExtension("rle")->Decode(rle, "huge.rle");
    ADD_FAILURE() << "decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("larger than its data can describe"), std::string::npos)
        << e.what();
  }
  EXPECT_LT(largest.Bytes(), std::size_t(1) << 20);
}

// Layouts no tool here writes, built from the TGA header description: a
// 16-bit picture announcing one alpha bit, stored right to left from the top.
TEST(Readers, TgaAlphaBitAndRightToLeftOrder) {
  std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 16, 0x31};
  // File order: first the right pixel (opaque pure red), then the left one
  // (transparent pure blue).
  for (std::uint16_t v : {std::uint16_t(0x8000 | (31 << 10)), std::uint16_t(31)}) {
    tga.push_back(std::uint8_t(v & 255));
    tga.push_back(std::uint8_t(v >> 8));
  }
  TPicture p = TgaReader().Decode(tga, "two.tga");
  ASSERT_EQ(p.width, 2);
  EXPECT_EQ(p.kind, TPictureKind::Bitmap32);
  EXPECT_EQ(p.pixels[0], Color32(0, 0, 255, 0));
  EXPECT_EQ(p.pixels[1], Color32(255, 0, 0, 255));
  // A run may cross a row end: 2 x 2 grey, one run of three, one raw pixel.
  std::vector<std::uint8_t> rle = {0, 0, 11, 0, 0, 0, 0,    0,    0,  0,    0,
                                   0, 2, 0,  2, 0, 8, 0x20, 0x82, 50, 0x00, 200};
  p = TgaReader().Decode(rle, "run.tga");
  ASSERT_EQ(p.pixels.size(), 4u);
  EXPECT_EQ(p.pixels[2], Color32(50, 50, 50));
  EXPECT_EQ(p.pixels[3], Color32(200, 200, 200));
  // A run longer than the picture is cut at its end.
  rle = {0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0xFF, 7};
  EXPECT_EQ(TgaReader().Decode(rle, "long.tga").pixels[0], Color32(7, 7, 7));
}

TEST(Readers, EpsWithoutPreviewFails) {
  try {
    LoadPictureByExtension(FixturePath("eps_nopreview.eps"));
    ADD_FAILURE() << "decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("no TIFF preview"), std::string::npos) << e.what();
  }
}

// A picture larger than the limits fails before anything is allocated.
TEST(Readers, LimitsApplyToEveryReader) {
  PictureLimits saved = CurrentPictureLimits();
  CurrentPictureLimits().maxPixels = 100;
  for (const char* file : {"png_rgb8.png", "jpg_baseline.jpg", "bmp_24.bmp", "ico_pal8.ico",
                           "tga_rgb.tga", "tif_lzw.tif", "eps_preview.eps"}) {
    try {
      LoadPictureByExtension(FixturePath(file));
      ADD_FAILURE() << file << " decoded beyond the limit";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << e.what();
    }
  }
  CurrentPictureLimits() = saved;
}

TEST(Readers, ContentChecksRecogniseTheirFormats) {
  const auto& list = PictureFormats();
  EXPECT_EQ(list.FindReaderByContent(FixturePath("png_rgb8.png")), &PngReader());
  EXPECT_EQ(list.FindReaderByContent(FixturePath("tif_lzw.tif")), &TiffReader());
  EXPECT_EQ(list.FindReaderByContent(FixturePath("tif_g3.fax")), &TiffReader());
  EXPECT_EQ(list.FindReaderByContent(FixturePath("eps_preview.eps")), &EpsReader());
  for (const char* tga :
       {"tga_rgb.tga", "tga_rgba_rle.vst", "tga_pal.tga", "tga_gray_rle.tga", "tga_16.icb"})
    EXPECT_EQ(list.FindReaderByContent(FixturePath(tga)), &TgaReader()) << tga;
  // Bitmaps, icons and JPEG files are left to the load by extension.
  for (const char* other :
       {"bmp_24.bmp", "bmp_rle8.rle", "ico_pal8.ico", "jpg_baseline.jpg", "jpg_progressive.jpg"})
    EXPECT_EQ(list.FindReaderByContent(FixturePath(other)), nullptr) << other;
}

}  // namespace
}  // namespace quenvar
