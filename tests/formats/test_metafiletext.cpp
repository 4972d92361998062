// Text in metafiles: files written by real editors against their own
// renderings, compared by the area the text covers; and text records built
// here one at a time for alignment, background, escapement, spacing,
// clipping and hostile counts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "fixturesupport.h"
#include "formats/formatlist.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

constexpr TColor32 kWhite = Color32(255, 255, 255);

std::string EditorFixture(const std::string& name) {
  return std::string(QUENVAR_TEST_DIR) + "/metafiles/" + name;
}

TColor32 At(const TPicture& p, int x, int y) {
  return p.pixels[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
}

// Inked: some channel at least a quarter of the way from white.
bool Inked(TColor32 c) {
  const int r = int((c >> 16) & 255), g = int((c >> 8) & 255), b = int(c & 255);
  return 255 - std::min({r, g, b}) >= 64;
}

struct Ink {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // inclusive
  int count = 0;
};

Ink InkIn(const TPicture& p, int x0, int y0, int x1, int y1) {
  Ink ink;
  for (int y = y0; y < std::min(y1, p.height); ++y)
    for (int x = x0; x < std::min(x1, p.width); ++x) {
      if (!Inked(At(p, x, y))) continue;
      ++ink.count;
      ink.x0 = std::min(ink.x0, x), ink.y0 = std::min(ink.y0, y);
      ink.x1 = std::max(ink.x1, x), ink.y1 = std::max(ink.y1, y);
    }
  return ink;
}

Ink InkOf(const TPicture& p) {
  return InkIn(p, 0, 0, p.width, p.height);
}

// ---------------------------------------------------------------------------
// Editors' files: each text item's region is compared with the reference by
// the box its ink spans (within 2 pixels) and its amount (within 10 %).

struct TextRegion {
  int x0, y0, x1, y1;
};

struct EditorText {
  const char* file;
  const char* reference;
  std::vector<TextRegion> regions;
};

void PrintTo(const EditorText& t, std::ostream* os) {
  *os << t.file;
}

class EditorTextMetafile : public ::testing::TestWithParam<EditorText> {};

TEST_P(EditorTextMetafile, TextCoversWhatTheEditorsRenderingCovers) {
  const EditorText& t = GetParam();
  const TPicture got = LoadPictureByExtension(EditorFixture(t.file));
  const TPicture want = LoadPictureByExtension(EditorFixture(t.reference));
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  for (const TextRegion& r : t.regions) {
    SCOPED_TRACE(::testing::Message() << "region " << r.x0 << "," << r.y0);
    const Ink a = InkIn(got, r.x0, r.y0, r.x1, r.y1), b = InkIn(want, r.x0, r.y0, r.x1, r.y1);
    ASSERT_GT(b.count, 50);
    EXPECT_NEAR(a.x0, b.x0, 2);
    EXPECT_NEAR(a.y0, b.y0, 2);
    EXPECT_NEAR(a.x1, b.x1, 2);
    EXPECT_NEAR(a.y1, b.y1, 2);
    EXPECT_NEAR(a.count, b.count, b.count / 10);
  }
  // Nothing drawn outside the regions.
  int inside = 0;
  for (const TextRegion& r : t.regions) inside += InkIn(got, r.x0, r.y0, r.x1, r.y1).count;
  EXPECT_EQ(InkOf(got).count, inside);
}

INSTANTIATE_TEST_SUITE_P(
    Metafiles, EditorTextMetafile,
    ::testing::Values(
        EditorText{"ink_text.emf",
                   "ink_text.ref.png",
                   {{0, 0, 151, 30}, {0, 30, 115, 56}, {0, 56, 100, 85}, {100, 28, 151, 102}}},
        EditorText{"ink_text.wmf",
                   "ink_text.ref.png",
                   {{0, 0, 151, 30}, {0, 30, 115, 56}, {0, 56, 100, 85}, {100, 28, 151, 102}}},
        EditorText{"fig_text.emf",
                   "fig_text.ref.png",
                   {{0, 0, 108, 24}, {0, 24, 108, 48}, {0, 48, 108, 74}, {0, 74, 108, 114}}}));

TEST(MetafileText, EditorFilesDecodeAlikeOnManyThreads) {
  const auto bytes = ReadWholeFile(EditorFixture("ink_text.emf"));
  const TPicture first = MetafileReader().Decode(bytes, "ink_text.emf");
  std::vector<TPicture> results(4);
  std::vector<std::thread> threads;
  for (TPicture& r : results)
    threads.emplace_back([&] { r = MetafileReader().Decode(bytes, "ink_text.emf"); });
  for (std::thread& t : threads) t.join();
  for (const TPicture& r : results) EXPECT_EQ(r.pixels, first.pixels);
}

TEST(MetafileText, DamagedTextFilesFailCleanly) {
  std::mt19937 random(11);
  for (const char* name : {"ink_text.emf", "ink_text.wmf", "fig_text.emf"}) {
    const auto original = ReadWholeFile(EditorFixture(name));
    for (int round = 0; round < testing::DamageRounds(); ++round) {
      const auto bad = testing::Damaged(original, random, 100);
      try {
        MetafileReader().Decode(bad, name);
      } catch (const Error&) {
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Records built here, on a 96 dpi page in one-pixel logical units.

class Record {
 public:
  explicit Record(std::uint32_t type) { U32(type), U32(0); }
  Record& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(std::uint8_t(v >> (8 * i)));
    return *this;
  }
  Record& I32s(const std::vector<std::int32_t>& vs) {
    for (std::int32_t v : vs) U32(std::uint32_t(v));
    return *this;
  }
  Record& U16(std::uint16_t v) {
    bytes_.push_back(std::uint8_t(v)), bytes_.push_back(std::uint8_t(v >> 8));
    return *this;
  }
  std::size_t Size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Done() {
    while (bytes_.size() % 4) bytes_.push_back(0);
    const std::uint32_t size = std::uint32_t(bytes_.size());
    std::memcpy(&bytes_[4], &size, 4);
    return bytes_;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

using Records = std::vector<std::vector<std::uint8_t>>;

enum : std::uint32_t {
  kMoveTo = 27,
  kIntersectClip = 30,
  kSetBkMode = 18,
  kSetBkColor = 25,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSelect = 37,
  kCreateFont = 82,
  kTextOutA = 83,
  kTextOutW = 84,
  kPolyTextOutW = 97,
  kSetMapMode = 17,
  kSetWindowExt = 9,
  kSetViewportExt = 11,
};

std::vector<std::uint8_t> Simple(std::uint32_t type, const std::vector<std::int32_t>& params) {
  return Record(type).I32s(params).Done();
}

struct FontSpec {
  std::int32_t height = -20, escapement = 0, weight = 400;
  bool italic = false, underline = false;
  const char* face = "DejaVu Sans";
  std::int32_t width = 0;
};

// Creates the font as object 1 and selects it.
Records Font(const FontSpec& f) {
  Record r(kCreateFont);
  r.U32(1).I32s({f.height, f.width, f.escapement, f.escapement, f.weight});
  r.U32(std::uint32_t(f.italic) | std::uint32_t(f.underline) << 8 | 1u << 24).U32(0);
  for (int i = 0; i < 32; ++i) r.U16(i < int(std::strlen(f.face)) ? f.face[i] : 0);
  return {r.Done(), Simple(kSelect, {1})};
}

struct TextSpec {
  std::int32_t x = 20, y = 20;
  std::u16string text = u"Hi";
  std::uint32_t options = 0;
  std::vector<std::int32_t> rect = {0, 0, -1, -1};
  std::vector<std::int32_t> dx;  // empty: none
};

std::vector<std::uint8_t> Text(const TextSpec& t) {
  Record r(kTextOutW);
  r.I32s({0, 0, -1, -1, 1}).U32(0).U32(0);  // bounds, graphics mode, scales
  const std::uint32_t offString = 76;
  const std::uint32_t offDx =
      t.dx.empty() ? 0 : offString + (std::uint32_t(t.text.size()) * 2 + 3) / 4 * 4;
  r.I32s({t.x, t.y}).U32(std::uint32_t(t.text.size())).U32(offString).U32(t.options);
  r.I32s(t.rect).U32(offDx);
  for (char16_t c : t.text) r.U16(c);
  if (t.text.size() % 2) r.U16(0);
  r.I32s(t.dx);
  return r.Done();
}

std::vector<std::uint8_t> Emf(int width, int height, const Records& records) {
  Record body(0);
  std::vector<std::uint8_t> all;
  for (const auto& rec : records) all.insert(all.end(), rec.begin(), rec.end());
  Record h(1);
  h.I32s({0, 0, -1, -1, 0, 0, int(std::lround(width * 2540.0 / 96)) - 1,
          int(std::lround(height * 2540.0 / 96)) - 1});
  h.U32(0x464D4520u).U32(0x10000u).U32(std::uint32_t(108 + all.size() + 20)).U32(0).U32(8);
  h.U32(0).U32(0).U32(0).I32s({480, 480, 127, 127}).U32(0).U32(0).U32(0).U32(127000).U32(127000);
  std::vector<std::uint8_t> out = h.Done();
  out.insert(out.end(), all.begin(), all.end());
  const auto end = Simple(14, {0, 16, 20});
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

TPicture Play(const Records& records, int width = 120, int height = 80) {
  return MetafileReader().Decode(Emf(width, height, records), "text.emf");
}

Records Join(std::initializer_list<Records> parts) {
  Records all;
  for (const Records& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Records kTransparent = {Simple(kSetBkMode, {1})};

Records Aligned(std::int32_t align, const TextSpec& text = {}, const FontSpec& font = {}) {
  return Join({kTransparent, Font(font), {Simple(kSetTextAlign, {align}), Text(text)}});
}

TEST(MetafileText, AlignmentPlacesTheTextAroundTheReferencePoint) {
  const TextSpec at{60, 40};
  const Ink topLeft = InkOf(Play(Aligned(0, at)));
  const Ink bottomRight = InkOf(Play(Aligned(2 | 8, at)));
  const Ink baseCentre = InkOf(Play(Aligned(6 | 24, at)));
  ASSERT_GT(topLeft.count, 20);
  // Top left: the ink starts just right of and below the point.
  EXPECT_GE(topLeft.x0, 60);
  EXPECT_LE(topLeft.x0, 63);
  EXPECT_GE(topLeft.y0, 41);
  // Bottom right: it ends left of and above it, above the descent.
  EXPECT_LE(topLeft.x1 - topLeft.x0, 60 - bottomRight.x0);
  EXPECT_LT(bottomRight.x1, 60);
  EXPECT_LT(bottomRight.y1, 40 - 2);
  // The same glyphs each time.
  EXPECT_EQ(bottomRight.x1 - bottomRight.x0, topLeft.x1 - topLeft.x0);
  EXPECT_EQ(bottomRight.y1 - bottomRight.y0, topLeft.y1 - topLeft.y0);
  // Baseline centre: "Hi" sits on the line, centred on the point.
  EXPECT_NEAR(baseCentre.y1, 39, 1);
  EXPECT_NEAR((baseCentre.x0 + baseCentre.x1) / 2.0, 60, 2);
}

TEST(MetafileText, UpdatingTheCurrentPositionContinuesWhereTheLastTextEnded) {
  const Records font = Join({kTransparent, Font({})});
  const TPicture once = Play(Join({font, {Simple(kSetTextAlign, {24}), Text({10, 40, u"HiHi"})}}));
  const TPicture twice = Play(Join({font,
                                    {Simple(kSetTextAlign, {24 | 1}), Simple(kMoveTo, {10, 40}),
                                     Text({90, 90, u"Hi"}), Text({0, 0, u"Hi"})}}));
  EXPECT_GT(InkOf(once).count, 40);
  EXPECT_EQ(once.pixels, twice.pixels);
}

TEST(MetafileText, OpaqueBackgroundFillsTheCell) {
  const Records text = {Simple(kSetBkColor, {0x00FF00}), Simple(kSetTextAlign, {24}),
                        Text({10, 40, u"Hi"})};
  const TPicture opaque = Play(Join({{Simple(kSetBkMode, {2})}, Font({}), text}));
  const TPicture clear = Play(Join({kTransparent, Font({}), text}));
  const TColor32 green = Color32(0, 255, 0);
  // Above the letters and below the baseline: background in the cell.
  EXPECT_EQ(At(opaque, 12, 42), green);
  EXPECT_EQ(At(opaque, 12, 22), green);
  EXPECT_EQ(At(clear, 12, 42), kWhite);
  // The cell is the font's ascent and descent high (DejaVu Sans: 0.928 and
  // 0.236 of the em) and ends with the text.
  int top = 40, bottom = 40;
  while (top > 0 && At(opaque, 10, top - 1) == green) --top;
  while (bottom < 79 && At(opaque, 10, bottom + 1) == green) ++bottom;
  EXPECT_NEAR(40 - top, 18.6, 1.1);
  EXPECT_NEAR(bottom + 1 - 40, 4.7, 1.1);
  EXPECT_EQ(At(opaque, 60, 38), kWhite);
  // Glyphs are drawn over the cell in the text colour.
  int black = 0;
  for (std::size_t i = 0; i < clear.pixels.size(); ++i)
    if (clear.pixels[i] == Color32(0, 0, 0)) {
      ++black;
      EXPECT_EQ(opaque.pixels[i], clear.pixels[i]);
    }
  EXPECT_GT(black, 40);
}

TEST(MetafileText, EscapementTurnsTheBaseline) {
  const TextSpec at{60, 70, u"HHHH"};
  const Ink flat = InkOf(Play(Aligned(24, at)));
  const Ink up = InkOf(Play(Aligned(24, at, FontSpec{-20, 900})));
  const Ink down = InkOf(Play(Aligned(24, at, FontSpec{-20, -900})));
  // Upwards, the glyphs stand left of the baseline; downwards, right of it.
  EXPECT_EQ(up.x1 - up.x0, flat.y1 - flat.y0);
  EXPECT_EQ(up.y1 - up.y0, flat.x1 - flat.x0);
  EXPECT_LE(up.x1, 60);
  EXPECT_LE(up.y1, 70);
  EXPECT_GE(down.x0, 60);
  EXPECT_GE(down.y0, 70);
  EXPECT_NEAR(up.count, flat.count, flat.count / 10);
}

TEST(MetafileText, HeightsAreCellOrCharacterHeightsThroughTheMapping) {
  const Ink character = InkOf(Play(Aligned(0, {10, 10, u"H"}, FontSpec{-40})));
  const Ink cell = InkOf(Play(Aligned(0, {10, 10, u"H"}, FontSpec{40})));
  // DejaVu Sans's cell is 1.164 em: the positive height draws smaller.
  EXPECT_NEAR(double(cell.y1 - cell.y0 + 1) / (character.y1 - character.y0 + 1), 1 / 1.164, 0.05);
  // Logical units of half a pixel halve the text.
  const Records halfScale = {Simple(kSetMapMode, {8}), Simple(kSetWindowExt, {240, 160}),
                             Simple(kSetViewportExt, {120, 80})};
  const Ink mapped = InkOf(Play(Join({halfScale, Aligned(0, {20, 20, u"H"}, FontSpec{-80})})));
  EXPECT_NEAR(mapped.y1 - mapped.y0, character.y1 - character.y0, 1);
  EXPECT_NEAR(mapped.x0, character.x0, 1);
}

TEST(MetafileText, SpacingArrayBoldAndItalic) {
  const Ink plain = InkOf(Play(Aligned(0, {10, 10, u"ll"})));
  const Ink spaced = InkOf(Play(Aligned(0, {10, 10, u"ll", 0, {0, 0, -1, -1}, {50, 0}})));
  EXPECT_NEAR(spaced.x1 - plain.x1, 50 - (plain.x1 - plain.x0), 2);
  EXPECT_NEAR(spaced.count, plain.count, plain.count / 4);
  const Ink bold = InkOf(Play(Aligned(0, {10, 10, u"ll"}, FontSpec{-20, 0, 700})));
  EXPECT_GT(bold.count, plain.count * 5 / 4);
  // An italic "l" leans right: its top row starts further right than its foot.
  const TPicture italic = Play(Aligned(0, {10, 10, u"l"}, FontSpec{-40, 0, 400, true}));
  const Ink l = InkOf(italic);
  EXPECT_GE(InkIn(italic, 0, l.y0, 120, l.y0 + 1).x0, InkIn(italic, 0, l.y1, 120, l.y1 + 1).x0 + 4);
}

TEST(MetafileText, GlyphsBlendInTheTextColourInsideTheClip) {
  const TColor32 blue = Color32(0, 0, 200);
  const Records base = Join({kTransparent, Font({-60}), {Simple(kSetTextColor, {200 << 16})}});
  const TPicture p = Play(Join({base, {Text({10, 5, u"I"})}}));
  // Full coverage gives the colour itself; the edge pixels lie between it
  // and white, channel by channel.
  const Ink ink = InkOf(p);
  ASSERT_GT(ink.count, 50);
  const int mid = (ink.y0 + ink.y1) / 2;
  int solid = 0, partial = 0;
  for (int x = ink.x0 - 1; x <= ink.x1 + 1; ++x) {
    const TColor32 c = At(p, x, mid);
    if (c == blue) ++solid;
    const int r = int((c >> 16) & 255), b = int(c & 255);
    if (c != blue && c != kWhite) {
      ++partial;
      EXPECT_EQ(int((c >> 8) & 255), r);
      EXPECT_GE(b, 200);
      EXPECT_LT(r, 255);
    }
    EXPECT_EQ(c >> 24, 0xFFu);
  }
  EXPECT_GE(solid, 4);
  EXPECT_LE(partial, 2);
  // A clip rectangle across the glyph's middle keeps the ink inside it.
  const TPicture clipped =
      Play(Join({base, {Simple(kIntersectClip, {0, 30, 120, 40}), Text({10, 5, u"I"})}}));
  const Ink cut = InkOf(clipped);
  EXPECT_GE(cut.y0, 30);
  EXPECT_LE(cut.y1, 39);
  EXPECT_GT(cut.count, 0);
}

TEST(MetafileText, OutputRectangleIsFilledOrClipsWhenAsked) {
  const TColor32 yellow = Color32(255, 255, 0);
  const Records base = Join({kTransparent, Font({-40}), {Simple(kSetBkColor, {0x00FFFF})}});
  // Opaque: the rectangle takes the background colour, even with no text.
  TPicture p = Play(Join({base, {Text({10, 10, u"", 2, {50, 50, 70, 60}})}}));
  EXPECT_EQ(At(p, 50, 50), yellow);
  EXPECT_EQ(At(p, 69, 59), yellow);
  EXPECT_EQ(At(p, 70, 59), kWhite);
  EXPECT_EQ(At(p, 50, 60), kWhite);
  // Clipped: ink only inside the rectangle; without the option it is ignored.
  const Ink whole = InkOf(Play(Join({base, {Text({10, 10, u"HHH", 0, {0, 0, 30, 30}})}})));
  const Ink clipped = InkOf(Play(Join({base, {Text({10, 10, u"HHH", 4, {0, 0, 30, 30}})}})));
  EXPECT_GT(whole.x1, 40);
  EXPECT_LE(clipped.x1, 29);
  EXPECT_LE(clipped.y1, 29);
  EXPECT_GT(clipped.count, 20);
}

TEST(MetafileText, PolyTextAndEightBitStrings) {
  const Records font = Join({kTransparent, Font({})});
  const TPicture wide = Play(Join({font, {Text({10, 10, u"A\u00e9"})}}));
  Record narrow(kTextOutA);
  narrow.I32s({0, 0, -1, -1, 1, 0, 0, 10, 10}).U32(2).U32(76).U32(0).I32s({0, 0, -1, -1}).U32(0);
  narrow.U16(0xE941);  // "A", then e acute in the Windows code page
  EXPECT_EQ(Play(Join({font, {narrow.Done()}})).pixels, wide.pixels);
  // Two strings in one record.
  Record poly(kPolyTextOutW);
  poly.I32s({0, 0, -1, -1, 1, 0, 0}).U32(2);
  for (int i = 0; i < 2; ++i)
    poly.I32s({10, 10 + 40 * i}).U32(1).U32(120 + 4 * i).U32(0).I32s({0, 0, -1, -1}).U32(0);
  poly.U16('H').U16(0).U16('H').U16(0);
  const Ink two = InkOf(Play(Join({font, {poly.Done()}})));
  const Ink one = InkOf(Play(Join({font, {Text({10, 10, u"H"})}})));
  EXPECT_EQ(two.count, 2 * one.count);
  EXPECT_EQ(two.y1 - one.y1, 40);
}

// ---------------------------------------------------------------------------
// Hostile text records: a picture or a clean failure, quickly.

void FailsOrDraws(const Records& records, const char* what) {
  const auto start = std::chrono::steady_clock::now();
  try {
    Play(records);
  } catch (const Error&) {
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << what;
}

TEST(MetafileTextHostile, CountsAndOffsetsOutsideTheRecordFail) {
  const Records font = Font({});
  auto bad = [&](std::uint32_t count, std::uint32_t offString, std::uint32_t offDx) {
    Record r(kTextOutW);
    r.I32s({0, 0, -1, -1, 1, 0, 0, 10, 10}).U32(count).U32(offString).U32(0);
    r.I32s({0, 0, -1, -1}).U32(offDx).U32(0x00480048);
    return Join({font, {r.Done()}});
  };
  EXPECT_NO_THROW(Play(bad(2, 76, 0)));
  EXPECT_THROW(Play(bad(0x7FFFFFFF, 76, 0)), Error);
  EXPECT_THROW(Play(bad(3, 76, 0)), Error);
  EXPECT_THROW(Play(bad(2, 0xFFFFFFF0u, 0)), Error);
  EXPECT_THROW(Play(bad(2, 76, 76)), Error);  // two 4-byte advances need 8 bytes
  EXPECT_THROW(Play(bad(2, 76, 0xFFFFFFFCu)), Error);
  Record poly(kPolyTextOutW);
  poly.I32s({0, 0, -1, -1, 1, 0, 0}).U32(0x10000000u);
  EXPECT_THROW(Play(Join({font, {poly.Done()}})), Error);
  // A font record cut short.
  EXPECT_THROW(Play({Simple(kCreateFont, {1, -20})}), Error);
}

TEST(MetafileTextHostile, HugeFontsAndLongStringsStayBounded) {
  FailsOrDraws(Aligned(0, {10, 10, u"HH"}, FontSpec{-2000000000}), "huge font");
  FailsOrDraws(Aligned(0, {10, 10, u"HH"}, FontSpec{-20, 0, 400, false, false, "x", 2000000000}),
               "huge width");
  FailsOrDraws(Aligned(0, {-2000000000, 2000000000, u"HH"}), "far away");
  FailsOrDraws(Aligned(0, {10, 10, u"HH", 0, {0, 0, -1, -1}, {2000000000, -2000000000}}),
               "far spacing");
  // Many large glyphs piled up on a large page: the work budget stops it.
  const std::u16string many(60000, u'W');
  const auto start = std::chrono::steady_clock::now();
  const TextSpec pile{0, 0, many, 0, {0, 0, -1, -1}, std::vector<std::int32_t>(many.size(), 0)};
  EXPECT_THROW(
      MetafileReader().Decode(Emf(2000, 2000, Aligned(0, pile, FontSpec{-1000})), "many.emf"),
      Error);
  FailsOrDraws(Aligned(0, {0, 0, many}, FontSpec{-1000}), "many far glyphs");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// ---------------------------------------------------------------------------
// Plain metafiles: the same drawing through their own records.

std::vector<std::uint8_t> Wmf(const std::vector<std::vector<std::uint16_t>>& records) {
  std::vector<std::uint8_t> out;
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
  };
  put(1, 2), put(9, 2), put(0x300, 2), put(0, 4), put(4, 2), put(0, 4), put(0, 2);
  auto record = [&](std::uint16_t function, const std::vector<std::uint16_t>& params) {
    put(std::uint32_t(3 + params.size()), 4), put(function, 2);
    for (std::uint16_t v : params) put(v, 2);
  };
  record(0x020C, {80, 120});  // window extent: 120 x 80
  record(0x0102, {1});        // transparent background
  for (const auto& r : records) record(r[0], {r.begin() + 1, r.end()});
  record(0, {});
  return out;
}

// CREATEFONTINDIRECT for DejaVu Sans of the height, then selecting it.
std::vector<std::vector<std::uint16_t>> WmfFont(std::int16_t height, bool strikeOut = false) {
  std::vector<std::uint16_t> font = {
      0x02FB, std::uint16_t(height), 0, 0, 0, 400, 0, std::uint16_t(0x100 | strikeOut), 0};
  const char face[] = "DejaVu Sans";
  for (std::size_t i = 0; i < sizeof face; i += 2)
    font.push_back(std::uint16_t(face[i] | (i + 1 < sizeof face ? face[i + 1] << 8 : 0)));
  return {font, {0x012D, 0}};
}

TEST(WmfText, TextOutAndExtTextOutDrawLikeTheirEnhancedForms) {
  auto records = WmfFont(-20);
  records.push_back({0x012E, 24});                         // baseline
  records.push_back({0x0521, 2, 'H' | 'i' << 8, 40, 10});  // "Hi" at (10, 40)
  const TPicture plain = MetafileReader().Decode(Wmf(records), "t.wmf");
  const TPicture enhanced = Play(Aligned(24, {10, 40, u"Hi"}));
  EXPECT_EQ(plain.pixels, enhanced.pixels);
  // Struck out: a solid line through the letters, over their whole advance.
  records[0] = WmfFont(-20, true)[0];
  const TPicture struck = MetafileReader().Decode(Wmf(records), "s.wmf");
  auto fullRows = [](const TPicture& p) {
    int rows = 0;
    for (int y = 20; y < 40; ++y) rows += InkIn(p, 10, y, 30, y + 1).count == 20;
    return rows;
  };
  EXPECT_EQ(fullRows(plain), 0);
  EXPECT_GE(fullRows(struck), 1);
  // EXTTEXTOUT with an opaque rectangle and spacing.
  records = WmfFont(-20);
  records.push_back({0x0201, 0xFF00, 0x00FF});  // cyan background
  records.push_back({0x0A32, 10, 10, 2, 2, 60, 50, 80, 70, 'l' | 'l' << 8, 50, 0});
  const TPicture ext = MetafileReader().Decode(Wmf(records), "e.wmf");
  EXPECT_EQ(At(ext, 60, 50), Color32(0, 255, 255));
  EXPECT_EQ(At(ext, 80, 50), kWhite);
  const Ink left = InkIn(ext, 0, 0, 30, 60), right = InkIn(ext, 30, 0, 120, 50);
  EXPECT_NEAR(right.x0 - left.x0, 50, 1);
}

TEST(WmfText, DamagedTextRecordsFail) {
  auto records = WmfFont(-20);
  records.push_back({0x0521, 200, 'H', 40, 10});  // longer than its record
  EXPECT_THROW(MetafileReader().Decode(Wmf(records), "t.wmf"), Error);
  records = WmfFont(-20);
  records.push_back({0x0A32, 10, 10, 0x8000, 0});  // negative length
  EXPECT_THROW(MetafileReader().Decode(Wmf(records), "t.wmf"), Error);
  records = WmfFont(-20);
  records.push_back({0x0A32, 10, 10, 4, 4, 0, 0});  // clipped, but no rectangle
  EXPECT_THROW(MetafileReader().Decode(Wmf(records), "t.wmf"), Error);
}

}  // namespace
}  // namespace quenvar
