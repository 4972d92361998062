// Every fixture of the PCX, RLA, SGI, portable map, Autodesk, Photo-CD,
// Dr. Halo and Paintshop Pro readers against its reference decoding, and the
// same files cut short or with a damaged header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fixtures2_util.h"
#include "formats/limits.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

using testing2::Difference;
using testing2::Fixture;
using testing2::ReadBytes;
using testing2::ReadPng;

// A header change that must make the decoder refuse the file.
struct Patch {
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
};

struct Case {
  const char* file;
  const char* reference;
  const TPictureReader& (*reader)();
  TPictureKind kind;
  std::size_t truncateAt;  // 0: half the file
  std::vector<Patch> damage;
  std::vector<Patch> huge;  // a size beyond the picture limits
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
  return os << c.file;
}

const Patch kPnmBadSignature{1, {'9'}};
const Patch kPcxBadLayout{3, {3}};
const Patch kPcxHuge{8, {0xFF, 0xFF, 0xFF, 0xFF}};
const Patch kSgiBadSampleSize{3, {3}};
const Patch kSgiHuge{6, {0xFF, 0xFF, 0xFF, 0xFF}};
const Patch kRlaBadChannels{20, {0, 7}};
const Patch kRlaHuge{10, {0x7F, 0xFF, 0x80, 0x00, 0x7F, 0xFF}};
const Patch kCelBadDepth{10, {4}};
const Patch kCelHuge{2, {0xFF, 0xFF, 0xFF, 0xFF}};
const Patch kProBadDepth{18, {4}};
const Patch kProHuge{6, {0xFF, 0xFF, 0xFF, 0xFF}};
const Patch kPcdBadSignature{0x800, {'X'}};
const Patch kCutZeroWidth{0, {0, 0}};
const Patch kCutHuge{0, {0xFF, 0xFF, 0xFF, 0xFF}};
const Patch kPspOldVersion{32, {1, 0}};
const Patch kPspHuge{50, {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F}};

const TPictureKind kOpaque = TPictureKind::Bitmap;
const TPictureKind kAlpha = TPictureKind::Bitmap32;

std::vector<Case> Cases() {
  // "P6\n16 12\n255\n" becomes "P6\n99999 1 1\n...".
  const std::vector<Patch> pnmHuge{{3, {'9', '9', '9', '9', '9', ' ', '1', ' ', '1', '\n'}}};
  return {
      {"pnm_raw.ppm", "pnm_rgb.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_plain.ppm", "pnm_rgb.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_raw.pgm", "pnm_grey.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_plain.pgm", "pnm_grey.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_raw.pbm", "pnm_bits.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_plain.pbm", "pnm_bits.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_16.ppm", "pnm_16.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_plain16.ppm", "pnm_16.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_1000.pgm", "pnm_1000.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, pnmHuge},
      {"pnm_comments.pgm", "pnm_comments.png", PnmReader, kOpaque, 0, {kPnmBadSignature}, {}},
      {"pcx_24.pcx", "pcx_24.png", PcxReader, kOpaque, 0, {kPcxBadLayout}, {kPcxHuge}},
      {"pcx_im24.pcx", "pcx_im24.png", PcxReader, kOpaque, 0, {kPcxBadLayout}, {kPcxHuge}},
      {"pcx_8.pcx", "pcx_8.png", PcxReader, kOpaque, 200, {kPcxBadLayout}, {kPcxHuge}},
      {"pcx_4planes.pcx", "pcx_4planes.png", PcxReader, kOpaque, 0, {kPcxBadLayout}, {kPcxHuge}},
      {"pcx_4packed.pcx", "pcx_4packed.png", PcxReader, kOpaque, 0, {kPcxBadLayout}, {kPcxHuge}},
      {"pcx_1.pcx", "pcx_1.png", PcxReader, kOpaque, 0, {kPcxBadLayout}, {kPcxHuge}},
      {"sgi_rle.sgi", "sgi_rle.png", SgiReader, kOpaque, 0, {kSgiBadSampleSize}, {kSgiHuge}},
      {"sgi_verbatim.rgb",
       "sgi_verbatim.png",
       SgiReader,
       kOpaque,
       0,
       {kSgiBadSampleSize},
       {kSgiHuge}},
      {"sgi_grey.bw", "sgi_grey.png", SgiReader, kOpaque, 0, {kSgiBadSampleSize}, {kSgiHuge}},
      {"sgi_rle16.sgi", "sgi_rle16.png", SgiReader, kOpaque, 0, {kSgiBadSampleSize}, {kSgiHuge}},
      {"sgi_verbatim16.sgi",
       "sgi_verbatim16.png",
       SgiReader,
       kOpaque,
       0,
       {kSgiBadSampleSize},
       {kSgiHuge}},
      {"sgi_rgba_rle.rgba",
       "sgi_rgba_rle.png",
       SgiReader,
       kAlpha,
       0,
       {kSgiBadSampleSize},
       {kSgiHuge}},
      {"sgi_rgba.rgba", "sgi_rgba.png", SgiReader, kAlpha, 0, {kSgiBadSampleSize}, {kSgiHuge}},
      {"rla_rgb.rla", "rla_rgb.png", RlaReader, kOpaque, 0, {kRlaBadChannels}, {kRlaHuge}},
      {"rla_matte.rpf", "rla_matte.png", RlaReader, kAlpha, 0, {kRlaBadChannels}, {kRlaHuge}},
      {"autodesk.cel", "autodesk_cel.png", AutodeskReader, kOpaque, 0, {kCelBadDepth}, {kCelHuge}},
      {"autodesk.pic", "autodesk_pic.png", AutodeskReader, kOpaque, 0, {kCelBadDepth}, {kCelHuge}},
      {"autodesk_pro.pic",
       "autodesk_pro_pic.png",
       AutodeskReader,
       kOpaque,
       0,
       {kProBadDepth},
       {kProHuge}},
      {"pcd_base.pcd.gz",
       "pcd_base.png",
       PcdReader,
       TPictureKind::Other,
       0,
       {kPcdBadSignature},
       {}},
      {"halo.cut", "halo.png", CutReader, kOpaque, 0, {kCutZeroWidth}, {kCutHuge}},
      {"halo_grey.cut", "halo_grey.png", CutReader, kOpaque, 0, {kCutZeroWidth}, {kCutHuge}},
      {"psp_layers_rle.psp",
       "psp_layers_rle.png",
       PspReader,
       kOpaque,
       0,
       {kPspOldVersion},
       {kPspHuge}},
      {"psp_layers_zlib.psp",
       "psp_layers_zlib.png",
       PspReader,
       kOpaque,
       0,
       {kPspOldVersion},
       {kPspHuge}},
      {"psp_composite.psp",
       "psp_composite.png",
       PspReader,
       kAlpha,
       0,
       {kPspOldVersion},
       {kPspHuge}},
      {"psp_palette.psp", "psp_palette.png", PspReader, kOpaque, 0, {kPspOldVersion}, {kPspHuge}},
      {"psp_palette4.psp", "psp_palette4.png", PspReader, kOpaque, 0, {kPspOldVersion}, {kPspHuge}},
  };
}

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes,
                                  const std::vector<Patch>& patches) {
  for (const Patch& p : patches)
    for (std::size_t i = 0; i < p.bytes.size(); ++i) bytes.at(p.offset + i) = p.bytes[i];
  return bytes;
}

class Fixtures2 : public ::testing::TestWithParam<Case> {};

TEST_P(Fixtures2, DecodesLikeTheReference) {
  const Case& c = GetParam();
  const auto bytes = ReadBytes(Fixture(c.file));
  const TPicture got = c.reader().Decode(bytes, Fixture(c.file));
  const TPicture want = ReadPng(Fixture(c.reference));
  EXPECT_EQ(got.kind, c.kind);
  EXPECT_EQ(Difference(got, want, c.kind == kAlpha), "");
  if (c.kind != kAlpha) {
    for (TColor32 px : got.pixels) ASSERT_EQ(px >> 24, 255u) << "opaque pictures carry alpha 255";
  }
}

TEST_P(Fixtures2, OnlyItsOwnReaderClaimsTheContent) {
  const Case& c = GetParam();
  const auto bytes = ReadBytes(Fixture(c.file));
  const std::vector<const TPictureReader*> all = {&PcxReader(), &RlaReader(),      &SgiReader(),
                                                  &PnmReader(), &AutodeskReader(), &PcdReader(),
                                                  &CutReader(), &PspReader()};
  for (const TPictureReader* r : all) EXPECT_EQ(r->IsFormat(bytes), r == &c.reader()) << r->name;
  // A short head is judged without reading past it (the sanitizer build
  // watches the reads); one byte is never enough.
  for (std::size_t n : {0, 1, 4, 31, 200}) {
    std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + std::min(n, bytes.size()));
    for (const TPictureReader* r : all) {
      const bool claimed = r->IsFormat(head);
      if (n <= 1) {
        EXPECT_FALSE(claimed) << r->name;
      }
    }
  }
}

TEST_P(Fixtures2, TruncatedCopyFailsCleanly) {
  const Case& c = GetParam();
  auto bytes = ReadBytes(Fixture(c.file));
  bytes.resize(c.truncateAt ? c.truncateAt : bytes.size() / 2);
  try {
    c.reader().Decode(bytes, "cut.bin");
    FAIL() << "a truncated copy decoded";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("cut.bin"), std::string::npos) << e.what();
  }
}

TEST_P(Fixtures2, DamagedHeaderFailsCleanly) {
  const Case& c = GetParam();
  const auto bytes = ReadBytes(Fixture(c.file));
  for (const auto* patches : {&c.damage, &c.huge}) {
    if (patches->empty()) continue;
    try {
      c.reader().Decode(Patched(bytes, *patches), "bad.bin");
      FAIL() << "a damaged header decoded";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("bad.bin"), std::string::npos) << e.what();
      // A size beyond the limits is refused as such, before anything else.
      if (patches == &c.huge) {
        EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << e.what();
      }
    }
  }
}

// Random bytes changed anywhere: the reader decodes something or raises its
// error, and never anything else (the sanitizer build watches for bad reads).
TEST_P(Fixtures2, RandomDamageOnlyEverRaisesTheReadersError) {
  const Case& c = GetParam();
  const auto bytes = ReadBytes(Fixture(c.file));
  std::mt19937 random(12345);
  for (int round = 0; round < 150; ++round) {
    auto damaged = bytes;
    const int changes = 1 + int(random() % 8);
    for (int i = 0; i < changes; ++i) {
      // Most changes hit the first kilobyte, where the headers are.
      const std::size_t span =
          (random() % 4 == 0) ? damaged.size() : std::min<std::size_t>(1024, damaged.size());
      damaged[random() % span] = std::uint8_t(random());
    }
    if (round % 5 == 0) damaged.resize(random() % damaged.size());
    try {
      (void)c.reader().IsFormat(damaged);
      (void)c.reader().Decode(damaged, "random.bin");
    } catch (const Error&) {
    } catch (const std::exception& e) {
      FAIL() << "round " << round << ": " << e.what();
    }
  }
}

TEST_P(Fixtures2, RefusedBeyondTheSizeLimits) {
  const Case& c = GetParam();
  const auto bytes = ReadBytes(Fixture(c.file));
  PictureLimits& limits = CurrentPictureLimits();
  const PictureLimits saved = limits;
  limits.maxSide = 3;
  EXPECT_THROW(c.reader().Decode(bytes, "small.bin"), Error);
  limits = saved;
  limits.maxPixels = 5;
  EXPECT_THROW(c.reader().Decode(bytes, "small.bin"), Error);
  limits = saved;
}

INSTANTIATE_TEST_SUITE_P(Readers, Fixtures2, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.file;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
}  // namespace quenvar
