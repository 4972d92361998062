// Metafile records no editor at hand writes (raster operations, bitmaps with
// alpha, regions, hatches and patterns, pixels, styled pens, and their plain
// metafile forms), built byte by byte and checked pixel by pixel against
// plain references.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "formats/metafilerop.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {
namespace {

constexpr TColor32 kWhite = Color32(255, 255, 255), kRed = Color32(255, 0, 0),
                   kGreen = Color32(0, 255, 0), kBlue = Color32(0, 0, 255),
                   kBlack = Color32(0, 0, 0), kYellow = Color32(255, 255, 0);

TColor32 At(const TPicture& p, int x, int y) {
  return p.pixels[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
}

std::int32_t ColorRef(TColor32 c) {
  return std::int32_t(((c >> 16) & 255) | (c & 0xFF00) | ((c & 255) << 16));
}

// Little-endian bytes.
struct Bytes {
  std::vector<std::uint8_t> v;
  Bytes& U16(std::uint32_t x) {
    for (int i = 0; i < 2; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
    return *this;
  }
  Bytes& U32(std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
    return *this;
  }
  Bytes& I32s(std::initializer_list<std::int32_t> xs) {
    for (std::int32_t x : xs) U32(std::uint32_t(x));
    return *this;
  }
  Bytes& Add(const std::vector<std::uint8_t>& more) {
    v.insert(v.end(), more.begin(), more.end());
    return *this;
  }
};

// A bottom-up DIB of 24 bits (or 32 with alpha), rows given top first.
std::vector<std::uint8_t> Dib(int w, int h, const std::vector<TColor32>& topFirst,
                              bool alpha = false) {
  Bytes b;
  const int bpp = alpha ? 32 : 24;
  b.I32s({40, w, h}).U16(1).U16(std::uint32_t(bpp)).I32s({0, 0, 0, 0, 0, 0});
  for (int y = h - 1; y >= 0; --y) {
    std::size_t row = 0;
    for (int x = 0; x < w; ++x) {
      const TColor32 c = topFirst[std::size_t(y * w + x)];
      b.v.push_back(std::uint8_t(c)), b.v.push_back(std::uint8_t(c >> 8));
      b.v.push_back(std::uint8_t(c >> 16));
      if (alpha) b.v.push_back(std::uint8_t(c >> 24));
      row += alpha ? 4 : 3;
    }
    while (row % 4) b.v.push_back(0), ++row;
  }
  return b.v;
}

// An enhanced metafile on a 96 dpi device in MM_TEXT: a logical unit is a
// pixel of the page.
class Emf {
 public:
  Emf(int width, int height) : width_(width), height_(height) {}
  Emf& Rec(std::uint32_t type, const Bytes& params) {
    Bytes r;
    r.U32(type).U32(std::uint32_t(8 + (params.v.size() + 3) / 4 * 4)).Add(params.v);
    while (r.v.size() % 4) r.v.push_back(0);
    body_.Add(r.v);
    return *this;
  }
  Emf& Rec(std::uint32_t type, std::initializer_list<std::int32_t> ints) {
    return Rec(type, Bytes().I32s(ints));
  }
  Emf& Brush(TColor32 c, std::int32_t style = 0, std::int32_t hatch = 0) {
    return Rec(39, {1, style, ColorRef(c), hatch}).Rec(37, {1});
  }
  Emf& NoPen() { return Rec(37, {std::int32_t(0x80000008u)}); }
  Emf& Fill(TColor32 c) { return Brush(c).NoPen().Rec(43, {-10, -10, 1000, 1000}); }
  // A bitmap record of BITBLT's layout: parameters up to the bitmap fields,
  // then the fields, then `tail`, then the DIB.
  Emf& Blt(std::uint32_t type, const Bytes& head, const std::vector<std::uint8_t>& dib,
           const Bytes& tail = {}) {
    const std::uint32_t offBmi = std::uint32_t(8 + head.v.size() + 16 + tail.v.size());
    Bytes p = head;
    p.U32(offBmi).U32(40).U32(offBmi + 40).U32(std::uint32_t(dib.size() - 40));
    return Rec(type, p.Add(tail.v).Add(dib));
  }
  std::vector<std::uint8_t> File() const {
    Bytes h;
    h.U32(1).U32(108).I32s({0, 0, -1, -1, 0, 0});
    h.I32s({std::int32_t(std::lround(width_ * 2540.0 / 96)) - 1,
            std::int32_t(std::lround(height_ * 2540.0 / 96)) - 1});
    h.U32(0x464D4520u).U32(0x10000u).U32(std::uint32_t(108 + body_.v.size() + 20)).U32(0).U32(8);
    h.I32s({0, 0, 0, 480, 480, 127, 127, 0, 0, 0, 127000, 127000});
    return h.Add(body_.v).I32s({14, 20, 0, 16, 20}).v;
  }
  TPicture Play() const { return MetafileReader().Decode(File(), "test.emf"); }

 private:
  int width_, height_;
  Bytes body_;
};

// BITBLT's parameters before its bitmap fields.
Bytes BltHead(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint32_t op) {
  Bytes b;
  b.I32s({0, 0, 0, 0, x, y, w, h}).U32(op).I32s({0, 0});
  b.I32s({0x3F800000, 0, 0, 0x3F800000, 0, 0}).I32s({0, 0});  // identity, colour, usage
  return b;
}

// ---------------------------------------------------------------------------
// Pixel arithmetic.

// Bit by bit: the code's bit for each (pattern, source, destination) triple.
TColor32 PlainRop(std::uint8_t code, TColor32 p, TColor32 s, TColor32 d) {
  TColor32 r = 0;
  for (int bit = 0; bit < 24; ++bit) {
    const unsigned i = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
    r |= TColor32((code >> i) & 1) << bit;
  }
  return r;
}

TEST(MetafileRop, EveryOperationMatchesItsTruthTable) {
  std::mt19937 random(3);
  for (unsigned code = 0; code < 256; ++code)
    for (int i = 0; i < 20; ++i) {
      const TColor32 p = random(), s = random(), d = random();
      ASSERT_EQ(ApplyRop3(std::uint8_t(code), p, s, d), PlainRop(std::uint8_t(code), p, s, d))
          << code;
    }
  // The named ones, and which inputs they use.
  EXPECT_EQ(ApplyRop3(0xCC, kRed, kGreen, kBlue), kGreen & 0xFFFFFF);    // source copy
  EXPECT_EQ(ApplyRop3(0xF0, kRed, kGreen, kBlue), kRed & 0xFFFFFF);      // pattern copy
  EXPECT_EQ(ApplyRop3(0x55, kRed, kGreen, kBlue), kYellow & 0xFFFFFF);   // inverted destination
  EXPECT_EQ(ApplyRop3(0x66, 0, 0x00FF00FFu, 0x00F0F0F0u), 0x000FF00Fu);  // source xor
  EXPECT_TRUE(RopUsesSource(0xCC) && !RopUsesPattern(0xCC));
  EXPECT_TRUE(!RopUsesSource(0xF0) && RopUsesPattern(0xF0));
  EXPECT_TRUE(!RopUsesSource(0xFF) && !RopUsesPattern(0x00) && !RopUsesSource(0x55));
}

TEST(MetafileRop, AlphaBlendingIsExact) {
  const TColor32 s = Color32(200, 100, 0), d = Color32(0, 0, 255);
  // Constant alpha alone: (s * 128 + d * 127 + 127) / 255.
  EXPECT_EQ(BlendPixel(s, d, 128, false), Color32(100, 50, 127));
  EXPECT_EQ(BlendPixel(s, d, 255, false), s);
  EXPECT_EQ(BlendPixel(s, d, 0, false), d);
  // Premultiplied: half-covered red (128 of red at alpha 128) on blue.
  EXPECT_EQ(BlendPixel(Color32(128, 0, 0, 128), d, 255, true), Color32(128, 0, 127));
  // Scaled by a constant 64 as well: alpha (128 * 64 + 127) / 255 = 32.
  EXPECT_EQ(BlendPixel(Color32(128, 0, 0, 128), d, 64, true), Color32(32, 0, 223));
  // Nothing of a transparent source shows; an opaque one covers.
  EXPECT_EQ(BlendPixel(Color32(0, 0, 0, 0), d, 255, true), d);
  EXPECT_EQ(BlendPixel(Color32(9, 8, 7, 255), d, 255, true), Color32(9, 8, 7));
  // Colours above their alpha are clamped, not wrapped.
  EXPECT_EQ(BlendPixel(Color32(255, 255, 255, 10), kWhite, 255, true), kWhite);
}

// ---------------------------------------------------------------------------
// Bitmap records.

const std::vector<TColor32> kQuad{kRed, kGreen, kBlue, kYellow};  // 2 x 2, top row first

TEST(EmfBitmaps, StretchBltCopiesAndCombinesTheSource) {
  // 77: the 2 x 2 picture stretched to 20 x 20 at (10, 10).
  TPicture p =
      Emf(40, 40)
          .Blt(77, BltHead(10, 10, 20, 20, 0xCC0020), Dib(2, 2, kQuad), Bytes().I32s({2, 2}))
          .Play();
  EXPECT_EQ(At(p, 10, 10), kRed);
  EXPECT_EQ(At(p, 29, 10), kGreen);
  EXPECT_EQ(At(p, 10, 29), kBlue);
  EXPECT_EQ(At(p, 29, 29), kYellow);
  EXPECT_EQ(At(p, 30, 30), kWhite);
  EXPECT_EQ(At(p, 9, 9), kWhite);
  // Source xor destination over a known fill, and source and destination.
  for (std::uint32_t rop : {0x660046u, 0x8800C6u, 0xEE0086u, 0x330008u}) {
    const TColor32 ground = Color32(0x30, 0xC0, 0x5A);
    p = Emf(20, 20)
            .Fill(ground)
            .Blt(77, BltHead(0, 0, 20, 20, rop), Dib(2, 2, kQuad), Bytes().I32s({2, 2}))
            .Play();
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(At(p, 5 + 10 * (i % 2), 5 + 10 * (i / 2)),
                PlainRop(std::uint8_t(rop >> 16), 0, kQuad[std::size_t(i)], ground) | 0xFF000000u)
          << std::hex << rop;
  }
  // 76 with a source: no stretch, from a source offset (1, 0).
  Bytes head = BltHead(3, 3, 1, 2, 0xCC0020);
  head.v[36] = 1;  // xSrc
  p = Emf(10, 10).Blt(76, head, Dib(2, 2, kQuad)).Play();
  EXPECT_EQ(At(p, 3, 3), kGreen);
  EXPECT_EQ(At(p, 3, 4), kYellow);
  EXPECT_EQ(At(p, 4, 3), kWhite);
}

TEST(EmfBitmaps, BlitsWithoutASourceUsePatternAndPicture) {
  auto blit = [](std::uint32_t rop) {
    Bytes head = BltHead(5, 5, 10, 10, rop);
    return Emf(20, 20).Fill(kRed).Brush(kBlue).Rec(76, head.I32s({0, 0, 0, 0})).Play();
  };
  EXPECT_EQ(At(blit(0xFF0062), 5, 5), kWhite);                  // whiteness
  EXPECT_EQ(At(blit(0x000042), 14, 14), kBlack);                // blackness
  EXPECT_EQ(At(blit(0xF00021), 10, 10), kBlue);                 // pattern copy
  EXPECT_EQ(At(blit(0x550009), 10, 10), Color32(0, 255, 255));  // inverted destination
  EXPECT_EQ(At(blit(0x5A0049), 10, 10), Color32(255, 0, 255));  // pattern xor destination
  const TPicture p = blit(0x000042);
  EXPECT_EQ(At(p, 4, 10), kRed);
  EXPECT_EQ(At(p, 15, 10), kRed);
  // A hatched pattern: lines in the brush colour, gaps in the background
  // colour even in transparent mode.
  const TPicture h = Emf(16, 16)
                         .Rec(18, {1})  // transparent
                         .Brush(kBlue, 2, 0)
                         .Rec(76, BltHead(0, 0, 16, 16, 0xF00021).I32s({0, 0, 0, 0}))
                         .Play();
  EXPECT_EQ(At(h, 3, 0), kBlue);
  EXPECT_EQ(At(h, 3, 8), kBlue);
  EXPECT_EQ(At(h, 3, 3), kWhite);
}

TEST(EmfBitmaps, DibRecordsCountSourceRowsFromTheBottom) {
  // A 3 x 3 picture; StretchDIBits of the source rectangle (0, 0, 1, 1)
  // takes its bottom-left pixel.
  const std::vector<TColor32> nine{kRed, kRed, kRed, kGreen, kGreen, kGreen, kBlue, kYellow, kBlue};
  auto stretch = [&](std::int32_t sy) {
    Emf e(10, 10);
    Bytes head;
    head.I32s({0, 0, 0, 0, 2, 2, 0, sy, 1, 1});
    const std::vector<std::uint8_t> dib = Dib(3, 3, nine);
    const std::uint32_t offBmi = 8 + 72;
    head.U32(offBmi).U32(40).U32(offBmi + 40).U32(std::uint32_t(dib.size() - 40));
    head.I32s({0, 0xCC0020, 4, 4});
    return e.Rec(81, head.Add(dib)).Play();
  };
  TPicture p = stretch(0);
  EXPECT_EQ(At(p, 2, 2), kBlue);
  EXPECT_EQ(At(p, 5, 5), kBlue);
  EXPECT_EQ(At(p, 6, 6), kWhite);
  EXPECT_EQ(At(stretch(2), 3, 3), kRed);
  // SetDIBitsToDevice: unscaled, source (1, 0) of size 2 x 1 at (4, 6).
  Bytes head;
  head.I32s({0, 0, 0, 0, 4, 6, 1, 0, 2, 1});
  const std::vector<std::uint8_t> dib = Dib(3, 3, nine);
  const std::uint32_t offBmi = 8 + 68;
  head.U32(offBmi).U32(40).U32(offBmi + 40).U32(std::uint32_t(dib.size() - 40));
  head.I32s({0, 0, 3});  // usage, first scan, scans
  p = Emf(10, 10).Rec(80, head.Add(dib)).Play();
  EXPECT_EQ(At(p, 4, 6), kYellow);
  EXPECT_EQ(At(p, 5, 6), kBlue);
  EXPECT_EQ(At(p, 6, 6), kWhite);
  EXPECT_EQ(At(p, 4, 7), kWhite);
}

TEST(EmfBitmaps, AlphaBlendWithConstantAndPerPixelAlpha) {
  const TColor32 ground = Color32(0, 0, 255);
  auto blend = [&](std::uint32_t function, const std::vector<std::uint8_t>& dib) {
    return Emf(10, 10)
        .Fill(ground)
        .Blt(114, BltHead(0, 0, 10, 10, function), dib, Bytes().I32s({2, 2}))
        .Play();
  };
  // Constant 128, no source alpha.
  TPicture p = blend(0x00800000u, Dib(2, 2, kQuad));
  EXPECT_EQ(At(p, 2, 2), BlendPixel(kRed, ground, 128, false));
  EXPECT_EQ(At(p, 2, 2), Color32(128, 0, 127));
  // Per-pixel premultiplied alpha: red at alpha 128 over blue, opaque green,
  // and a transparent pixel that leaves the blue.
  const std::vector<TColor32> premultiplied{Color32(128, 0, 0, 128), Color32(0, 255, 0, 255),
                                            Color32(0, 0, 0, 0), Color32(10, 20, 30, 40)};
  p = blend(0x01FF0000u, Dib(2, 2, premultiplied, true));
  EXPECT_EQ(At(p, 2, 2), Color32(128, 0, 127));
  EXPECT_EQ(At(p, 7, 2), kGreen);
  EXPECT_EQ(At(p, 2, 7), ground);
  EXPECT_EQ(At(p, 7, 7), Color32(10, 20, 30 + (255 * 215 + 127) / 255));
}

TEST(EmfBitmaps, BitmapFieldsOutsideTheRecordFail) {
  Bytes head = BltHead(0, 0, 4, 4, 0xCC0020);
  head.U32(1000).U32(40).U32(1040).U32(16);
  EXPECT_THROW(Emf(10, 10).Rec(76, head).Play(), Error);
  // A header that claims a picture far larger than its pixels.
  std::vector<std::uint8_t> dib = Dib(2, 2, kQuad);
  dib[4] = 0xFF, dib[5] = 0xFF, dib[6] = 0, dib[7] = 0;
  EXPECT_THROW(Emf(10, 10).Blt(77, BltHead(0, 0, 4, 4, 0xCC0020), dib, Bytes().I32s({2, 2})).Play(),
               Error);
}

TEST(EmfBitmaps, ManyLargeBlitsRunOutOfBudget) {
  Emf e(4000, 4000);
  for (int i = 0; i < 40; ++i) e.Rec(76, BltHead(0, 0, 4000, 4000, 0x550009).I32s({0, 0, 0, 0}));
  try {
    e.Play();
    ADD_FAILURE() << "the work was not bounded";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("too complex"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Gradients.

// Round((c0 (x1 - xc) + c1 (xc - x0)) / (x1 - x0) / 256) at the centre xc of
// pixel x, colours of 16 bits.
unsigned PlainShade(unsigned c0, unsigned c1, int x0, int x1, int x) {
  const double t = (x + 0.5 - x0) / (x1 - x0);
  return unsigned(std::floor((c0 * (1 - t) + c1 * t) / 256 + 0.5));
}

Bytes Vertex(std::int32_t x, std::int32_t y, TColor32 c) {
  Bytes b;
  b.I32s({x, y}).U16(RedOf(c) << 8).U16(GreenOf(c) << 8).U16(BlueOf(c) << 8).U16(0);
  return b;
}

TEST(EmfGradients, RectanglesShadeAcrossOrDown) {
  const TColor32 a = Color32(250, 10, 0), b = Color32(0, 200, 33);
  for (std::uint32_t mode : {0u, 1u}) {
    Bytes g;
    g.I32s({0, 0, 0, 0, 2, 1, std::int32_t(mode)});
    g.Add(Vertex(5, 3, a).v).Add(Vertex(42, 30, b).v).I32s({0, 1});
    const TPicture p = Emf(50, 40).Rec(118, g).Play();
    for (int y = 3; y < 30; y += 3)
      for (int x = 5; x < 42; ++x) {
        const int along = mode == 0 ? x : y, from = mode == 0 ? 5 : 3, to = mode == 0 ? 42 : 30;
        const TColor32 want = Color32(PlainShade(RedOf(a) << 8, RedOf(b) << 8, from, to, along),
                                      PlainShade(GreenOf(a) << 8, GreenOf(b) << 8, from, to, along),
                                      PlainShade(BlueOf(a) << 8, BlueOf(b) << 8, from, to, along));
        ASSERT_EQ(At(p, x, y), want) << mode << " " << x << "," << y;
      }
    EXPECT_EQ(At(p, 4, 10), kWhite);
    EXPECT_EQ(At(p, 42, 10), kWhite);
    EXPECT_EQ(At(p, 10, 30), kWhite);
  }
}

TEST(EmfGradients, TrianglesInterpolateTheirCorners) {
  // Corners at (0, 0) and (0, 40) share a colour: the shade runs across
  // only, as a rectangle's would.
  Bytes g;
  g.I32s({0, 0, 0, 0, 3, 1, 2});
  g.Add(Vertex(0, 0, kRed).v).Add(Vertex(40, 0, kBlue).v).Add(Vertex(0, 40, kRed).v);
  g.I32s({0, 1, 2});
  TPicture p = Emf(40, 40).Rec(118, g).Play();
  for (int y = 0; y < 40; y += 5)
    for (int x = 0; x + y < 39; ++x)
      ASSERT_EQ(At(p, x, y),
                Color32(PlainShade(0xFF00, 0, 0, 40, x), 0, PlainShade(0, 0xFF00, 0, 40, x)))
          << x << "," << y;
  EXPECT_EQ(At(p, 30, 30), kWhite);
  // Corners the other way round give the same picture.
  Bytes reversed = g;
  reversed.v.resize(reversed.v.size() - 12);
  EXPECT_EQ(Emf(40, 40).Rec(118, reversed.I32s({0, 2, 1})).Play().pixels, p.pixels);
  // One colour everywhere gives that colour; indices out of range are skipped.
  Bytes one;
  one.I32s({0, 0, 0, 0, 3, 2, 2});
  one.Add(Vertex(0, 0, kGreen).v).Add(Vertex(40, 0, kGreen).v).Add(Vertex(20, 40, kGreen).v);
  one.I32s({0, 1, 2, 0, 1, 9});
  p = Emf(40, 40).Rec(118, one).Play();
  EXPECT_EQ(At(p, 20, 20), kGreen);
  EXPECT_EQ(At(p, 2, 30), kWhite);
}

TEST(EmfGradients, CountsBeyondTheRecordFail) {
  EXPECT_THROW(Emf(10, 10).Rec(118, {0, 0, 0, 0, 0x7FFFFFFF, 0, 0}).Play(), Error);
  Bytes g;
  g.I32s({0, 0, 0, 0, 1, 0x40000000, 2}).Add(Vertex(0, 0, kRed).v);
  EXPECT_THROW(Emf(10, 10).Rec(118, g).Play(), Error);
}

// ---------------------------------------------------------------------------
// Regions and pixels.

Bytes Region(std::initializer_list<std::array<std::int32_t, 4>> rects) {
  Bytes b;
  b.U32(32).U32(1).U32(std::uint32_t(rects.size())).U32(std::uint32_t(16 * rects.size()));
  b.I32s({0, 0, 0, 0});
  for (const auto& r : rects) b.I32s({r[0], r[1], r[2], r[3]});
  return b;
}

TEST(EmfRegions, FillPaintInvertAndFrame) {
  const Bytes two = Region({{{2, 2, 10, 6}}, {{2, 6, 6, 12}}});  // an L
  auto size = [](const Bytes& r) { return std::int32_t(r.v.size()); };
  // FILLRGN with brush object 3 (green); PAINTRGN with the selected red one.
  Emf e(20, 20);
  e.Rec(39, {3, 0, ColorRef(kGreen), 0}).Brush(kRed);
  e.Rec(71, Bytes().I32s({0, 0, 0, 0, size(two), 3}).Add(two.v));
  TPicture p = e.Play();
  EXPECT_EQ(At(p, 2, 2), kGreen);
  EXPECT_EQ(At(p, 9, 5), kGreen);
  EXPECT_EQ(At(p, 5, 11), kGreen);
  EXPECT_EQ(At(p, 6, 6), kWhite);
  EXPECT_EQ(At(p, 10, 5), kWhite);
  p = Emf(20, 20).Brush(kRed).Rec(74, Bytes().I32s({0, 0, 0, 0, size(two)}).Add(two.v)).Play();
  EXPECT_EQ(At(p, 3, 3), kRed);
  p = Emf(20, 20).Fill(kBlue).Rec(73, Bytes().I32s({0, 0, 0, 0, size(two)}).Add(two.v)).Play();
  EXPECT_EQ(At(p, 3, 3), kYellow);
  EXPECT_EQ(At(p, 15, 15), kBlue);
  // FRAMERGN 2 wide and 1 high round the L: the inside edge of its outline,
  // none where its two rectangles meet.
  e = Emf(20, 20);
  e.Rec(39, {3, 0, ColorRef(kBlack), 0});
  p = e.Rec(72, Bytes().I32s({0, 0, 0, 0, size(two), 3, 2, 1}).Add(two.v)).Play();
  auto framed = [](int x, int y) {
    const bool inside =
        (x >= 2 && x < 10 && y >= 2 && y < 6) || (x >= 2 && x < 6 && y < 12 && y >= 2);
    if (!inside) return false;
    auto in = [](int u, int v) {
      return (u >= 2 && u < 10 && v >= 2 && v < 6) || (u >= 2 && u < 6 && v >= 2 && v < 12);
    };
    return !in(x - 1, y) || !in(x - 2, y) || !in(x + 1, y) || !in(x + 2, y) || !in(x, y - 1) ||
           !in(x, y + 1);
  };
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(At(p, x, y), framed(x, y) ? kBlack : kWhite) << x << "," << y;
}

TEST(EmfRegions, BadRegionDataFails) {
  Bytes lying = Region({{{0, 0, 5, 5}}});
  lying.v[8] = 100;  // more rectangles than bytes
  EXPECT_THROW(Emf(10, 10).Rec(74, Bytes().I32s({0, 0, 0, 0, 48}).Add(lying.v)).Play(), Error);
  EXPECT_THROW(Emf(10, 10).Rec(73, {0, 0, 0, 0, 4000}).Play(), Error);
  // An unknown brush object draws nothing.
  const Bytes r = Region({{{0, 0, 5, 5}}});
  const TPicture p = Emf(10, 10).Rec(71, Bytes().I32s({0, 0, 0, 0, 48, 77}).Add(r.v)).Play();
  EXPECT_EQ(At(p, 2, 2), kWhite);
}

TEST(EmfPixels, SetPixelFollowsTheMapping) {
  TPicture p = Emf(10, 10).Rec(15, {3, 4, ColorRef(kBlue)}).Play();
  EXPECT_EQ(At(p, 3, 4), kBlue);
  EXPECT_EQ(std::count(p.pixels.begin(), p.pixels.end(), kWhite), 99);
  p = Emf(10, 10)
          .Rec(35, {0x40000000, 0, 0, 0x40000000, 0, 0})  // scale 2
          .Rec(15, {3, 4, ColorRef(kBlue)})
          .Rec(15, {30, 40, ColorRef(kBlue)})
          .Play();
  EXPECT_EQ(At(p, 6, 8), kBlue);
  EXPECT_THROW(Emf(10, 10).Rec(15, {3, 4}).Play(), Error);
}

// ---------------------------------------------------------------------------
// Brushes.

// Whether pixel (x, y) lies on hatch `style`'s lines, one every 8 pixels.
bool OnHatch(int style, int x, int y) {
  const bool across = y % 8 == 0, down = x % 8 == 0, falling = (x - y) % 8 == 0,
             rising = (x + y) % 8 == 0;
  switch (style) {
    case 0:
      return across;
    case 1:
      return down;
    case 2:
      return falling;
    case 3:
      return rising;
    case 4:
      return across || down;
    default:
      return falling || rising;
  }
}

TEST(EmfBrushes, HatchesRepeatFromThePictureOrigin) {
  for (int style = 0; style < 6; ++style)
    for (bool opaque : {true, false}) {
      Emf e(24, 24);
      e.Fill(kYellow).Rec(25, {ColorRef(kGreen)}).Rec(18, {opaque ? 2 : 1});
      const TPicture p = e.Brush(kBlue, 2, style).Rec(43, {3, 5, 21, 22}).Play();
      for (int y = 5; y < 22; ++y)
        for (int x = 3; x < 21; ++x)
          ASSERT_EQ(At(p, x, y), OnHatch(style, x, y) ? kBlue
                                 : opaque             ? kGreen
                                                      : kYellow)
              << style << " " << x << "," << y;
      EXPECT_EQ(At(p, 2, 8), kYellow);
    }
}

TEST(EmfBrushes, PatternBrushesTileFromThePictureOrigin) {
  // CREATEDIBPATTERNBRUSHPT (94) with the 2 x 2 picture.
  const std::vector<std::uint8_t> dib = Dib(2, 2, kQuad);
  Bytes b;
  b.I32s({4, 0}).U32(8 + 24).U32(40).U32(8 + 24 + 40).U32(std::uint32_t(dib.size() - 40)).Add(dib);
  const TPicture p = Emf(20, 20).Rec(94, b).Rec(37, {4}).NoPen().Rec(43, {3, 3, 13, 14}).Play();
  for (int y = 3; y < 14; ++y)
    for (int x = 3; x < 13; ++x) ASSERT_EQ(At(p, x, y), kQuad[std::size_t((y % 2) * 2 + x % 2)]);
  EXPECT_EQ(At(p, 13, 5), kWhite);
  // Its bitmap must lie inside the record.
  b.v[8] = 0xF0;
  EXPECT_THROW(Emf(20, 20).Rec(94, b).Play(), Error);
}

// ---------------------------------------------------------------------------
// Pens.

// The painted columns of row y.
std::string Row(const TPicture& p, int y, int x0, int x1) {
  std::string s;
  for (int x = x0; x < x1; ++x) s += At(p, x, y) == kWhite ? '.' : '#';
  return s;
}

std::string Repeat(const std::string& unit, std::size_t length) {
  std::string s;
  while (s.size() < length) s += unit;
  return s.substr(0, length);
}

TEST(EmfPens, CosmeticStylesStepPixelByPixel) {
  auto line = [](std::int32_t style, std::vector<std::int32_t> user = {}) {
    Emf e(60, 10);
    Bytes pen;
    pen.I32s({2, 0, 0, 0, 0, style, 1, 0, 0, 0, std::int32_t(user.size())});
    for (std::int32_t v : user) pen.I32s({v});
    return e.Rec(95, pen).Rec(37, {2}).Rec(27, {0, 5}).Rec(54, {60, 5}).Play();
  };
  EXPECT_EQ(Row(line(1), 5, 0, 59), Repeat(std::string(18, '#') + std::string(6, '.'), 59));
  EXPECT_EQ(Row(line(2), 5, 0, 59), Repeat("###...", 59));
  EXPECT_EQ(Row(line(3), 5, 0, 48), Repeat("#########......###......", 48));
  EXPECT_EQ(Row(line(4), 5, 0, 48), Repeat("#########...###...###...", 48));
  EXPECT_EQ(Row(line(8), 5, 0, 59), Repeat("#.", 59));
  EXPECT_EQ(Row(line(7, {2, 1, 4}), 5, 0, 59), Repeat("##.####..#....", 59));
  // Entries that add up to nothing, or a huge count: a solid line, an error.
  EXPECT_EQ(Row(line(7, {0, 0}), 5, 0, 59), std::string(59, '#'));
  Bytes huge;
  huge.I32s({2, 0, 0, 0, 0, 7, 1, 0, 0, 0, 0x7FFFFFFF});
  EXPECT_THROW(Emf(10, 10).Rec(95, huge).Play(), Error);
}

TEST(EmfPens, TheDashPatternRunsOnOverCorners) {
  // One pixel, 5 on and 5 off, along (0, 2)-(12, 2)-(12, 20): the corner
  // falls in the third dash, which goes on down the side.
  Emf e(20, 24);
  e.Rec(95, {2, 0, 0, 0, 0, 7, 1, 0, 0, 0, 2, 5, 5}).Rec(37, {2});
  const TPicture p = e.Rec(4, {0, 0, 0, 0, 3, 0, 2, 12, 2, 12, 20}).Play();
  EXPECT_EQ(Row(p, 2, 0, 13), "#####.....###");
  std::string column;
  for (int y = 2; y < 20; ++y) column += At(p, 12, y) == kWhite ? '.' : '#';
  EXPECT_EQ(column, "###.....#####.....");
}

TEST(EmfPens, GeometricDashesTakeTheirLengthsFromTheWidthAndTheMapping) {
  // A pen 4 wide with flat ends: dashes 12 long and gaps 4.
  auto line = [](std::int32_t style, std::vector<std::int32_t> user, float scale) {
    Emf e(64, 20);
    std::uint32_t bits;
    std::memcpy(&bits, &scale, 4);
    e.Rec(35, {std::int32_t(bits), 0, 0, std::int32_t(bits), 0, 0});
    Bytes pen;
    pen.I32s({2, 0, 0, 0, 0, 0x10200 | style, std::int32_t(4 / scale), 0, 0, 0,
              std::int32_t(user.size())});
    for (std::int32_t v : user) pen.I32s({std::int32_t(v / scale)});
    e.Rec(95, pen).Rec(37, {2});
    return e.Rec(27, {0, std::int32_t(10 / scale)})
        .Rec(54, {std::int32_t(64 / scale), std::int32_t(10 / scale)})
        .Play();
  };
  const std::string dashes = Repeat(std::string(12, '#') + "....", 64);
  EXPECT_EQ(Row(line(1, {}, 1), 10, 0, 64), dashes);
  EXPECT_EQ(Row(line(1, {}, 1), 8, 0, 64), dashes);
  EXPECT_EQ(Row(line(1, {}, 1), 7, 0, 64), std::string(64, '.'));
  EXPECT_EQ(Row(line(7, {12, 4}, 0.5f), 10, 0, 64), dashes);  // logical units
  EXPECT_EQ(Row(line(2, {}, 1), 9, 0, 64), Repeat("####....", 64));
  // An old-style pen wider than a pixel is drawn solid whatever its style.
  const TPicture p =
      Emf(40, 20).Rec(38, {2, 1, 4, 0, 0}).Rec(37, {2}).Rec(27, {0, 10}).Rec(54, {40, 10}).Play();
  EXPECT_EQ(Row(p, 10, 0, 39), std::string(39, '#'));
}

TEST(EmfPens, TinyDashesOnFarLinesStayBounded) {
  // Dashes of three twentieths of a pixel along lines reaching far beyond
  // the page: only what lies near the page is walked dash by dash.
  Emf e(50, 50);
  e.Rec(35, {0x3D4CCCCD, 0, 0, 0x3D4CCCCD, 0, 0});  // scale 0.05
  e.Rec(95, {2, 0, 0, 0, 0, 0x10207, 100, 0, 0, 0, 2, 3, 3});
  e.Rec(37, {2}).Rec(4, {0, 0, 0, 0, 3, -2000000000, 100, 2000000000, 100, 500, 500});
  const TPicture p = e.Play();
  EXPECT_NE(At(p, 25, 5), kWhite);
}

// ---------------------------------------------------------------------------
// Plain metafiles: the same records in their older form.

std::vector<std::uint8_t> Wmf(const std::vector<std::pair<std::uint16_t, Bytes>>& records) {
  Bytes out;
  out.U16(1).U16(9).U16(0x300).U32(0).U16(4).U32(0).U16(0);
  auto record = [&](std::uint16_t function, const Bytes& params) {
    out.U32(std::uint32_t(3 + (params.v.size() + 1) / 2)).U16(function).Add(params.v);
    if (params.v.size() % 2) out.v.push_back(0);
  };
  record(0x020C, Bytes().U16(20).U16(20));  // a 20 x 20 page
  for (const auto& [function, params] : records) record(function, params);
  record(0, {});
  return out.v;
}

TPicture PlayWmf(const std::vector<std::pair<std::uint16_t, Bytes>>& records) {
  return MetafileReader().Decode(Wmf(records), "test.wmf");
}

TEST(WmfRecords, PixelsPatternsAndBitmaps) {
  // SETPIXEL: colour, then y, x.
  TPicture p = PlayWmf({{0x041F, Bytes().U32(std::uint32_t(ColorRef(kBlue))).U16(7).U16(3)}});
  EXPECT_EQ(At(p, 3, 7), kBlue);
  // DIBCREATEPATTERNBRUSH, selected, then PATBLT with pattern copy.
  Bytes brush;
  brush.U16(5).U16(0).Add(Dib(2, 2, kQuad));
  p = PlayWmf({{0x0142, brush},
               {0x012D, Bytes().U16(0)},
               {0x061D, Bytes().U32(0xF00021).U16(10).U16(10).U16(5).U16(5)}});
  for (int y = 5; y < 15; ++y)
    for (int x = 5; x < 15; ++x) ASSERT_EQ(At(p, x, y), kQuad[std::size_t((y % 2) * 2 + x % 2)]);
  EXPECT_EQ(At(p, 4, 4), kWhite);
  // STRETCHDIB: source rows from the bottom, stretched 5 times.
  Bytes stretch;
  stretch.U32(0xCC0020).U16(0).U16(1).U16(2).U16(0).U16(0).U16(5).U16(10).U16(0).U16(0);
  p = PlayWmf({{0x0F43, stretch.Add(Dib(2, 2, kQuad))}});
  EXPECT_EQ(At(p, 2, 2), kBlue);
  EXPECT_EQ(At(p, 7, 2), kYellow);
  EXPECT_EQ(At(p, 2, 6), kWhite);
  // DIBSTRETCHBLT inverting its source, and DIBBITBLT without a bitmap.
  Bytes blt;
  blt.U32(0x330008).U16(2).U16(2).U16(0).U16(0).U16(4).U16(4).U16(0).U16(0);
  p = PlayWmf({{0x0B41, blt.Add(Dib(2, 2, kQuad))},
               {0x0940, Bytes().U32(0x000042).U16(0).U16(0).U16(0).U16(3).U16(3).U16(10).U16(10)}});
  EXPECT_EQ(At(p, 0, 0), Color32(0, 255, 255));
  EXPECT_EQ(At(p, 3, 3), kBlue);
  EXPECT_EQ(At(p, 11, 11), kBlack);
  EXPECT_EQ(At(p, 13, 13), kWhite);
  // SETDIBTODEV: 1 x 1 from (1, 1) counted from the bottom, at (8, 9).
  Bytes toDev;
  toDev.U16(0).U16(2).U16(0).U16(1).U16(1).U16(1).U16(1).U16(9).U16(8);
  p = PlayWmf({{0x0D33, toDev.Add(Dib(2, 2, kQuad))}});
  EXPECT_EQ(At(p, 8, 9), kGreen);
  EXPECT_EQ(At(p, 9, 9), kWhite);
  // Records cut short fail.
  EXPECT_THROW(PlayWmf({{0x061D, Bytes().U32(0xF00021).U16(1)}}), Error);
  EXPECT_THROW(PlayWmf({{0x0940, Bytes().U32(0x000042).U16(1)}}), Error);
  EXPECT_THROW(PlayWmf({{0x0142, Bytes().U16(5).U16(0).U32(40)}}), Error);
}

TEST(WmfRecords, RegionObjectsAreFilledInvertedAndFramed) {
  // The same L as above as a region object of two scans.
  Bytes region;
  region.U16(0).U16(6).U32(0).U16(0).U16(2).U16(2).I32s({0, 0});
  region.U16(2).U16(2).U16(6).U16(2).U16(10).U16(2);
  region.U16(2).U16(6).U16(12).U16(2).U16(6).U16(2);
  const Bytes green = Bytes().U16(0).U32(std::uint32_t(ColorRef(kGreen))).U16(0);
  TPicture p = PlayWmf({{0x02FC, green}, {0x06FF, region}, {0x0228, Bytes().U16(1).U16(0)}});
  EXPECT_EQ(At(p, 9, 5), kGreen);
  EXPECT_EQ(At(p, 5, 11), kGreen);
  EXPECT_EQ(At(p, 6, 6), kWhite);
  p = PlayWmf({{0x06FF, region}, {0x012A, Bytes().U16(0)}});
  EXPECT_EQ(At(p, 3, 3), kBlack);
  EXPECT_EQ(At(p, 15, 15), kWhite);
  // Framed 1 across and 1 down: the L's inner outline only.
  p = PlayWmf({{0x02FC, green}, {0x06FF, region}, {0x0429, Bytes().U16(1).U16(0).U16(1).U16(1)}});
  EXPECT_EQ(At(p, 2, 8), kGreen);
  EXPECT_EQ(At(p, 3, 8), kWhite);
  EXPECT_EQ(At(p, 5, 8), kGreen);
  EXPECT_EQ(At(p, 7, 5), kGreen);
  EXPECT_EQ(At(p, 7, 4), kWhite);
  // A scan longer than the record fails; a missing region draws nothing.
  Bytes lying = region;
  lying.v[22] = 0x7F;
  EXPECT_THROW(PlayWmf({{0x06FF, lying}}), Error);
  p = PlayWmf({{0x0228, Bytes().U16(5).U16(0)}});
  EXPECT_EQ(std::count(p.pixels.begin(), p.pixels.end(), kWhite), 400);
}

}  // namespace
}  // namespace quenvar
