// Row kernels written once with the compiler's vector types and compiled once
// per instruction set (kernels_sse2.cpp, kernels_avx2.cpp, kernels_avx512.cpp).
// Each inclusion defines QV_NS (its namespace) and QV_REGISTER (the bytes in
// one vector register).
//
// A block of pixels is laid out in one of three ways, each a whole number of
// registers, so that no comparison is ever split into single lanes:
// - Paired, for the modes that treat every channel alike and for the two
//   blends: one register of pixels read as 16-bit lanes twice, the even bytes
//   (blue, red) in one register and the odd ones (green, alpha) in another.
//   The alpha lanes ride along and are thrown away.
// - Planar, for the modes that mix channels, grid4 and the dividing modes:
//   two registers of pixels split into one register of 16-bit lanes per
//   channel.
// - Wide, for the HSL modes: one register of pixels, one 32-bit lane each.
//
// Every kernel gives the same bytes as the scalar operations in blendops.cpp:
// - The step b + floor((t - b) * s / 256) is computed as
//   (b * (256 - s) + t * s) >> 8, which is the same number (the step never
//   leaves [b, t]) and never exceeds 65280.
// - Divisions go through a single-precision divide and truncation. Numerators
//   stay below 2^16 and divisors below 256, so a true quotient just under an
//   integer k is at least k - 1/255 away, far more than the divide's rounding
//   error; the exactness test checks all pairs.
// - The HSL modes repeat the scalar sequence of float operations lane by lane,
//   without contraction, and round half to even with the processor's
//   rounding conversion. Bytes are divided by 255 with two products and a
//   sum that round to the same quotient; each set's conversion is checked
//   against the scalar one for every colour.
//   Where the scalar code takes a floor or clamps, the lanes use the forms
//   that agree with it over the values the conversions produce (hue in
//   [0, 1], levels in [0, 1] up to rounding).
//
// Everything lives in an unnamed namespace inside QV_NS and uses no library
// templates, so no inline function compiled for one instruction set can be
// picked by the linker for another. Helpers are forced inline: a block passed
// between functions in memory costs more than the block's arithmetic.
#include <immintrin.h>
#include <cstdint>
#include <cstring>

#include "compose/kernels.h"

namespace quenvar::kernels::QV_NS {
namespace {

#define QV_INLINE inline __attribute__((always_inline))

constexpr int kRegister = QV_REGISTER;
constexpr int P = kRegister / 4;  // pixels in one register
typedef std::uint32_t u32r __attribute__((vector_size(kRegister)));
typedef std::int32_t i32r __attribute__((vector_size(kRegister)));
typedef float f32r __attribute__((vector_size(kRegister)));
typedef std::uint16_t u16r __attribute__((vector_size(kRegister)));
typedef std::int16_t i16r __attribute__((vector_size(kRegister)));
// Two registers of pixels (planar blocks), and the 16-bit lanes of one
// register as 32-bit numbers.
typedef std::uint32_t u32d __attribute__((vector_size(2 * kRegister)));
typedef std::int32_t i32d __attribute__((vector_size(2 * kRegister)));
typedef float f32d __attribute__((vector_size(2 * kRegister)));

// ---- Lane helpers -------------------------------------------------------------

// Loads one register's worth. The empty asm keeps the value in a register:
// otherwise the compiler folds the load into several instructions, and each
// of them waits for the same cache line coming from memory.
QV_INLINE u32r Load1(const TColor32* p) {
  u32r v;
  std::memcpy(&v, p, sizeof v);
  asm("" : "+v"(v));
  return v;
}
template <class V>
QV_INLINE V Load(const TColor32* p) {
  V v;
  for (std::size_t i = 0; i < sizeof(V) / sizeof(u32r); ++i) {
    const u32r part = Load1(p + i * P);
    std::memcpy(reinterpret_cast<char*>(&v) + i * sizeof(u32r), &part, sizeof part);
  }
  return v;
}
template <class V>
QV_INLINE void Store(TColor32* p, V v) {
  std::memcpy(p, &v, sizeof v);
}
template <class M, class V>
QV_INLINE V Sel(M mask, V a, V b) {
  return mask ? a : b;
}
template <class V>
QV_INLINE V Min(V a, V b) {
  return Sel(a < b, a, b);
}
template <class V>
QV_INLINE V Max(V a, V b) {
  return Sel(a > b, a, b);
}
QV_INLINE u16r Narrow(u32d v) {
  return __builtin_convertvector(v, u16r);
}
QV_INLINE u32d Widen(u16r v) {
  return __builtin_convertvector(v, u32d);
}
QV_INLINE f32d ToFloat(u16r v) {
  return __builtin_convertvector(__builtin_convertvector(v, i32d), f32d);
}
// Truncates a quotient, then limits it to 255. Quotients lie in 0..65280,
// so they survive the narrowing to 16 bits; lanes that divided by zero hold
// garbage, and every caller replaces them.
QV_INLINE u16r TruncByte(f32d q) {
  const u16r i = __builtin_convertvector(__builtin_convertvector(q, i32d), u16r);
  return Sel(i > 255, u16r{} + std::uint16_t(255), i);
}
QV_INLINE u16r Splat16(unsigned x) {
  return u16r{} + std::uint16_t(x);
}
QV_INLINE f32r SplatF(float x) {
  return f32r{} + x;
}

// b moved towards t by s/256, flooring; s = 0 leaves b as it is.
QV_INLINE u16r Towards(u16r b, u16r t, u16r s) {
  return (b * (256 - s) + t * s) >> 8;
}

// Paired layout: even bytes (blue, red) and odd bytes (green, alpha), each
// in its own 16-bit lane.
QV_INLINE u16r Even(u32r c) {
  return u16r(c & 0x00FF00FFu);
}
QV_INLINE u16r Odd(u32r c) {
  return u16r((c >> 8) & 0x00FF00FFu);
}
// A per-pixel value below 2^16 in both 16-bit lanes of its pixel.
QV_INLINE u16r Spread(u32r v) {
  return u16r(v | (v << 16));
}
// Source alpha times m, shifted down: the strength, or the blends' weight.
QV_INLINE u32r AlphaTimes(u32r F, u16r m) {
  return u32r((u16r(F >> 24) * m) >> 8);
}
// The colour bytes from the two lane sets, the alpha byte from `alphaFrom`.
QV_INLINE u32r JoinPaired(u32r alphaFrom, u16r even, u16r odd) {
  return (alphaFrom & 0xFF000000u) | (u32r(odd) << 8 & 0x0000FF00u) | (u32r(even) & 0x00FF00FFu);
}

// Planar layout: one channel per register.
struct Px {
  u16r r, g, b, a;
};
QV_INLINE Px Split(u32d c) {
  return Px{Narrow((c >> 16) & 255), Narrow((c >> 8) & 255), Narrow(c & 255), Narrow(c >> 24)};
}
QV_INLINE u32d Join(u32d alphaFrom, u16r r, u16r g, u16r b) {
  return (alphaFrom & 0xFF000000u) | (Widen(r) << 16) | (Widen(g) << 8) | Widen(b);
}
QV_INLINE u16r Strength(u16r fa, u16r m) {
  return (fa * m) >> 8;
}

// ---- Per-channel targets ------------------------------------------------------

struct TAverage {
  static QV_INLINE u16r T(u16r f, u16r b) { return (f + b) >> 1; }
};
struct TMultiply {
  static QV_INLINE u16r T(u16r f, u16r b) { return (b * f) >> 8; }
};
struct TScreen {
  static QV_INLINE u16r T(u16r f, u16r b) { return 255 - (((255 - b) * (255 - f)) >> 8); }
};
struct TDarken {
  static QV_INLINE u16r T(u16r f, u16r b) { return Min(f, b); }
};
struct TLighten {
  static QV_INLINE u16r T(u16r f, u16r b) { return Max(f, b); }
};
struct TDifference {
  static QV_INLINE u16r T(u16r f, u16r b) { return Sel(b > f, u16r(b - f), u16r(f - b)); }
};
struct TNegation {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const u16r sum = b + f;
    return 255 - Sel(sum > 255, u16r(sum - 255), u16r(255 - sum));
  }
};
struct TExclusion {
  static QV_INLINE u16r T(u16r f, u16r b) { return b + f - ((b * f) >> 7); }
};
struct TOverlay {
  static QV_INLINE u16r T(u16r f, u16r b) {
    return Sel(b >= 128, u16r(255 - (((255 - b) * (255 - f)) >> 7)), u16r((b * f) >> 7));
  }
};
struct THardLight {
  static QV_INLINE u16r T(u16r f, u16r b) {
    return Sel(f >= 128, u16r(255 - (((255 - f) * (255 - b)) >> 7)), u16r((b * f) >> 7));
  }
};
struct TDodge {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const u16r q = TruncByte(ToFloat(b) * 256.0f / ToFloat(255 - f));
    return Sel(f == 255, Splat16(255), q);
  }
};
struct TBurn {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const f32d q = ToFloat(255 - b) * 256.0f / ToFloat(f);
    // 255 - trunc(q), floored at 0: q of 255 or more gives 0.
    const u16r t = 255 - TruncByte(q);
    return Sel(f == 0, Splat16(0), t);
  }
};
struct TReflect {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const u16r q = TruncByte(ToFloat(b * b) / ToFloat(255 - f));
    return Sel(f == 255, Splat16(255), q);
  }
};
struct TFreeze {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const u16r nb = 255 - b;
    const u16r q = TruncByte(ToFloat(nb * nb) / ToFloat(f));
    return Sel(f == 0, Splat16(0), u16r(255 - q));
  }
};
struct THeat {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const u16r nf = 255 - f;
    const u16r q = TruncByte(ToFloat(nf * nf) / ToFloat(b));
    return Sel(b == 0, Splat16(0), u16r(255 - q));
  }
};
struct TStamp {
  static QV_INLINE u16r T(u16r f, u16r b) {
    const i16r v = i16r(f) + 2 * i16r(b) - 256;
    return u16r(Max(Min(v, i16r{} + 255), i16r{}));
  }
};

// ---- Block operations ---------------------------------------------------------

// A mode whose target is worked out per channel, in the paired layout.
template <class Target>
struct Paired {
  using Block = u32r;
  static QV_INLINE u32r Run(u32r F, u32r B, u16r m) {
    const u16r s = Spread(AlphaTimes(F, m));
    const u16r be = Even(B), bo = Odd(B);
    return JoinPaired(B, Towards(be, Target::T(Even(F), be), s),
                      Towards(bo, Target::T(Odd(F), bo), s));
  }
};

// The same in the planar layout, where the dividing modes divide no alpha
// lanes.
template <class Target>
struct Planar {
  using Block = u32d;
  static QV_INLINE u32d Run(u32d F, u32d B, u16r m) {
    const Px f = Split(F), b = Split(B);
    const u16r s = Strength(f.a, m);
    return Join(B, Towards(b.r, Target::T(f.r, b.r), s), Towards(b.g, Target::T(f.g, b.g), s),
                Towards(b.b, Target::T(f.b, b.b), s));
  }
};

struct Glow {
  using Block = u32d;
  static QV_INLINE u16r Mix(u16r f, u16r b, u16r s) {
    const u16r q = TruncByte(ToFloat(f * f) / ToFloat(255 - b));
    const u16r t = Sel(b == 255, Splat16(255), q);
    // Strength 0 leaves the pixel alone (the mix alone would darken it).
    return Sel(s == 0, b, u16r((t * s + (255 - s) * b) >> 8));
  }
  static QV_INLINE u32d Run(u32d F, u32d B, u16r m) {
    const Px f = Split(F), b = Split(B);
    const u16r s = Strength(f.a, m);
    return Join(B, Mix(f.r, b.r, s), Mix(f.g, b.g, s), Mix(f.b, b.b, s));
  }
};

// Cross-channel targets: red from F.b and B.b, green from F.g and B.r, blue
// from B.b and the red target.
template <class Logic>
struct CrossChannel {
  using Block = u32d;
  static QV_INLINE u32d Run(u32d F, u32d B, u16r m) {
    const Px f = Split(F), b = Split(B);
    const u16r s = Strength(f.a, m);
    const u16r tr = Logic::T(f.b, b.b);
    const u16r tg = Logic::T(f.g, b.r);
    const u16r tb = Logic::T(b.b, tr);
    return Join(B, Towards(b.r, tr, s), Towards(b.g, tg, s), Towards(b.b, tb, s));
  }
};
struct LAnd {
  static QV_INLINE u16r T(u16r x, u16r y) { return x & y; }
};
struct LOr {
  static QV_INLINE u16r T(u16r x, u16r y) { return x | y; }
};
struct LXor {
  static QV_INLINE u16r T(u16r x, u16r y) { return x ^ y; }
};

struct ColorShift {
  using Block = u32d;
  static QV_INLINE u32d Run(u32d F, u32d B, u16r m) {
    const Px f = Split(F), b = Split(B);
    const u16r s = Strength(f.a, m);
    const u16r tr = (f.b + b.g) >> 1;
    const u16r tg = (f.g + b.r) >> 1;
    const u16r tb = (b.b + tr) >> 1;
    return Join(B, Towards(b.r, tr, s), Towards(b.g, tg, s), Towards(b.b, tb, s));
  }
};

template <int Shift>
struct OneChannel {
  using Block = u32d;
  static QV_INLINE u32d Run(u32d F, u32d B, u16r m) {
    const u16r s = Strength(Narrow(F >> 24), m);
    const u16r b = Narrow((B >> Shift) & 255), t = Narrow((F >> Shift) & 255);
    return (B & ~(0xFFu << Shift)) | (Widen(Towards(b, t, s)) << Shift);
  }
};

// ---- HSL lanes ------------------------------------------------------------------

struct Hsl {
  f32r h, s, l;
};

QV_INLINE f32r Float(i32r v) {
  return __builtin_convertvector(v, f32r);
}

// A byte divided by 255, without dividing: 1/255 is split into 257 / 2^16,
// whose product with a byte is exact, and the float nearest the rest, so the
// sum rounds once, and to the quotient itself for every byte (tested).
constexpr float kInv255High = 257.0f / 65536.0f;
constexpr float kInv255Low = float(1.0 / 255.0 - 257.0 / 65536.0);
QV_INLINE f32r OverByte(i32r v) {
  const f32r x = Float(v);
  return x * kInv255High + x * kInv255Low;
}

// Saturation and lightness need only the largest and smallest channel.
// Dividing by 255 keeps the order of the bytes, so those two are converted
// alone unless the hue, which needs all three, is wanted too.
template <bool WithHue, bool WithSaturation>
QV_INLINE Hsl ToHsl(u32r c) {
  const i32r r = i32r((c >> 16) & 255), g = i32r((c >> 8) & 255), b = i32r(c & 255);
  f32r R{}, G{}, B{}, cmax, cmin;
  if constexpr (WithHue) {
    R = OverByte(r), G = OverByte(g), B = OverByte(b);
    cmax = Max(Max(R, G), B), cmin = Min(Min(R, G), B);
  } else {
    cmax = OverByte(Max(Max(r, g), b));
    cmin = OverByte(Min(Min(r, g), b));
  }
  Hsl o{};
  o.l = (cmax + cmin) / 2.0f;
  const f32r d = cmax - cmin;
  const auto grey = cmax == cmin;
  if constexpr (WithSaturation) {
    // Each branch's operands are chosen first, so one divide serves all
    // lanes and every lane still divides exactly the numbers its branch
    // names.
    const f32r s = d / Sel(o.l < 0.5f, f32r(cmax + cmin), f32r(2.0f - cmax - cmin));
    o.s = Sel(grey, SplatF(0.0f), s);
  }
  if constexpr (WithHue) {
    const auto isR = cmax == R, isG = cmax == G;
    const f32r q = Sel(isR, f32r(G - B), Sel(isG, f32r(B - R), f32r(R - G))) / d;
    f32r h = Sel(isR, q, f32r(Sel(isG, SplatF(2.0f), SplatF(4.0f)) + q));
    h = h / 6.0f;
    h = Sel(h < 0.0f, f32r(h + 1.0f), h);
    o.h = Sel(grey, SplatF(0.0f), h);
  }
  return o;
}

// round(255 * v) half to even: the conversion rounds in the processor's
// rounding mode, which the program leaves at its default, to nearest with
// ties to even. Every v here is a level between m1 and m2, or a lightness,
// and those stay within [0, 1] up to a few units in the last place, so the
// rounded number is always a byte and needs no limits (the exactness tests
// check the bounds over every saturation and lightness the modes can meet).
QV_INLINE i32r ToByte(f32r v) {
  const f32r x = 255.0f * v;
#if QV_REGISTER == 64
  const i32r i = i32r(_mm512_cvtps_epi32(__m512(x)));
#elif QV_REGISTER == 32
  const i32r i = i32r(_mm256_cvtps_epi32(__m256(x)));
#else
  const i32r i = i32r(_mm_cvtps_epi32(__m128(x)));
#endif
  return i;
}

constexpr float kSixth = 1.0f / 6.0f;
constexpr float kTwoThirds = 2.0f / 3.0f;

// One channel of HSL to RGB for h already reduced to [0, 1): the rising
// and the falling edge are the same sum over different distances.
QV_INLINE f32r Level(f32r m1, f32r m2, f32r m2m1, f32r h) {
  // 6h < 1, 2h < 1 and 3h < 2 as comparisons of h: a rounded product is
  // monotonic in h, so each test flips at one float, and that float is the
  // rounded 1/6, 1/2 and 2/3 (checked by the exactness tests).
  const auto rising = h < kSixth;
  const auto top = h < 0.5f;
  const auto falling = h < kTwoThirds;
  const f32r v = m1 + m2m1 * Sel(rising, h, f32r(kTwoThirds - h)) * 6.0f;
  return Sel(rising, v, Sel(top, m2, Sel(falling, v, m1)));
}

QV_INLINE void FromHsl(const Hsl& c, i32r& r, i32r& g, i32r& b) {
  const f32r L = c.l, S = c.s;
  const f32r m2 = Sel(L <= 0.5f, f32r(L * (1.0f + S)), f32r(L + S - L * S));
  const f32r m1 = 2.0f * L - m2;
  const f32r m2m1 = m2 - m1;
  const float third = 1.0f / 3.0f;
  // h - floor(h) for h + 1/3 in [1/3, 4/3), h in [0, 1), h - 1/3 in [-1/3, 2/3).
  f32r hr = c.h + third;
  hr = Sel(hr >= 1.0f, f32r(hr - 1.0f), hr);
  f32r hb = c.h - third;
  hb = Sel(hb < 0.0f, f32r(hb + 1.0f), hb);
  const auto grey = S == 0.0f;
  const i32r v = ToByte(L);
  r = Sel(grey, v, ToByte(Level(m1, m2, m2m1, hr)));
  g = Sel(grey, v, ToByte(Level(m1, m2, m2m1, c.h)));
  b = Sel(grey, v, ToByte(Level(m1, m2, m2m1, hb)));
}

QV_INLINE i32r TowardsWide(i32r b, i32r t, i32r s) {
  return (b * (256 - s) + t * s) >> 8;
}

enum class HslPart { Hue, Saturation, Lightness };

template <HslPart Part>
struct HslOp {
  using Block = u32r;
  static QV_INLINE u32r Run(u32r F, u32r B, u16r m) {
    const i32r s = i32r(AlphaTimes(F, m));
    Hsl t;
    if constexpr (Part == HslPart::Hue) {
      t = ToHsl<false, true>(B);
      t.h = ToHsl<true, false>(F).h;
    } else if constexpr (Part == HslPart::Saturation) {
      t = ToHsl<true, true>(B);
      t.s = ToHsl<false, true>(F).s;
    } else {
      t = ToHsl<true, true>(B);
      t.l = ToHsl<false, false>(F).l;
    }
    i32r tr, tg, tb;
    FromHsl(t, tr, tg, tb);
    const i32r br = i32r((B >> 16) & 255), bg = i32r((B >> 8) & 255), bb = i32r(B & 255);
    return (B & 0xFF000000u) | u32r(TowardsWide(br, tr, s) << 16) |
           u32r(TowardsWide(bg, tg, s) << 8) | u32r(TowardsWide(bb, tb, s));
  }
};

// The conversion alone, one register of colours at a time (the tail padded).
template <bool WithHue>
QV_INLINE void HslBlock(const TColor32* c, float* h, float* s, float* l) {
  const Hsl v = ToHsl<WithHue, true>(Load1(c));
  if constexpr (WithHue) std::memcpy(h, &v.h, sizeof v.h);
  std::memcpy(s, &v.s, sizeof v.s);
  std::memcpy(l, &v.l, sizeof v.l);
}

template <bool WithHue>
void HslRowOf(const TColor32* c, int count, float* h, float* s, float* l) {
  int i = 0;
  for (; i + P <= count; i += P) HslBlock<WithHue>(c + i, h + i, s + i, l + i);
  if (i < count) {
    const std::size_t rest = std::size_t(count - i);
    TColor32 tc[P] = {};
    float th[P], ts[P], tl[P];
    std::memcpy(tc, c + i, rest * sizeof(TColor32));
    HslBlock<WithHue>(tc, th, ts, tl);
    if constexpr (WithHue) std::memcpy(h + i, th, rest * sizeof(float));
    std::memcpy(s + i, ts, rest * sizeof(float));
    std::memcpy(l + i, tl, rest * sizeof(float));
  }
}

void HslRow(const TColor32* c, int count, bool withHue, float* h, float* s, float* l) {
  if (withHue)
    HslRowOf<true>(c, count, h, s, l);
  else
    HslRowOf<false>(c, count, h, s, l);
}

// ---- The two blends of dmBlend drawing ------------------------------------------

QV_INLINE u16r Mix8(u16r f, u16r b, u16r w) {
  return ((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8);
}

struct Blend {
  using Block = u32r;
  static QV_INLINE u32r Run(u32r F, u32r B, u16r) {
    const u32r a = F >> 24;
    const u16r w = Spread(a);
    const u32r mixed = u32r(Mix8(Even(F), Even(B), w)) | (u32r(Mix8(Odd(F), Odd(B), w)) << 8);
    return Sel(a == 0, B, Sel(a == 255, F, mixed));
  }
};

// Master alpha below 255 (m holds M + 1); the alpha byte becomes 0.
struct BlendMaster {
  using Block = u32r;
  static QV_INLINE u32r Run(u32r F, u32r B, u16r m1) {
    const u32r w32 = AlphaTimes(F, m1);
    const u16r w = Spread(w32);
    const u32r mixed =
        (u32r(Mix8(Even(F), Even(B), w)) | (u32r(Mix8(Odd(F), Odd(B), w)) << 8)) & 0x00FFFFFFu;
    return Sel(w32 == 0, B, mixed);
  }
};

// ---- Row drivers ------------------------------------------------------------------

template <class Op>
QV_INLINE void RunRow(const TColor32* f, TColor32* b, int count, u16r m) {
  using V = typename Op::Block;
  constexpr int K = int(sizeof(V) / sizeof(TColor32));
  int i = 0;
  for (; i + K <= count; i += K) Store(b + i, Op::Run(Load<V>(f + i), Load<V>(b + i), m));
  if (i < count) {
    // The tail goes through the same block on a padded copy.
    const std::size_t rest = std::size_t(count - i) * sizeof(TColor32);
    TColor32 tf[K] = {}, tb[K] = {};
    std::memcpy(tf, f + i, rest);
    std::memcpy(tb, b + i, rest);
    Store(tb, Op::Run(Load<V>(tf), Load<V>(tb), m));
    std::memcpy(b + i, tb, rest);
  }
}

template <class Op>
void OpRow(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  RunRow<Op>(f, b, count, Splat16(M & 255));
}

// Two blocks at a time: the HSL conversions are long chains of dependent
// steps, and two independent chains side by side keep the units busy.
template <class Op>
void OpRowPairs(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  using V = typename Op::Block;
  constexpr int K = int(sizeof(V) / sizeof(TColor32));
  const u16r m = Splat16(M & 255);
  int i = 0;
  for (; i + 2 * K <= count; i += 2 * K) {
    const V r0 = Op::Run(Load<V>(f + i), Load<V>(b + i), m);
    const V r1 = Op::Run(Load<V>(f + i + K), Load<V>(b + i + K), m);
    Store(b + i, r0);
    Store(b + i + K, r1);
  }
  RunRow<Op>(f + i, b + i, count - i, m);
}

void BlendRow(const TColor32* f, TColor32* b, int count, std::uint32_t) {
  RunRow<Blend>(f, b, count, Splat16(0));
}

void BlendMasterRow(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  if (M >= 255) return BlendRow(f, b, count, M);
  RunRow<BlendMaster>(f, b, count, Splat16((M & 255) + 1));
}

// grid4: pixel i of the row sees the counter value start + i + 1 (mod 2^16),
// as if the counter had been stepped once per pixel.
constexpr int kGridPixels = 2 * P;
QV_INLINE u32d Grid4Block(u32d F, u32d B, u16r m, std::uint32_t before) {
  u32d lane;
  for (int i = 0; i < kGridPixels; ++i) lane[i] = std::uint32_t(i + 1);
  const u32d count = (lane + before) & 0xFFFFu;
  const u32d third = (count * 43691u) >> 17;  // count / 3 for count < 2^16
  const auto keep = Narrow(count - third * 3u) == 0;
  const Px f = Split(F), b = Split(B);
  const u16r s = Strength(f.a, m);
  return Join(B, Sel(keep, b.r, Towards(b.r, b.r >> 1, s)),
              Sel(keep, b.g, Towards(b.g, b.g >> 1, s)), Sel(keep, b.b, Towards(b.b, f.b, s)));
}

void Grid4Row(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  constexpr int K = kGridPixels;
  std::uint16_t& counter = GridCounter();
  const std::uint32_t start = counter;
  const u16r m = Splat16(M & 255);
  int i = 0;
  for (; i + K <= count; i += K)
    Store(b + i, Grid4Block(Load<u32d>(f + i), Load<u32d>(b + i), m, start + std::uint32_t(i)));
  if (i < count) {
    const std::size_t rest = std::size_t(count - i) * sizeof(TColor32);
    TColor32 tf[K] = {}, tb[K] = {};
    std::memcpy(tf, f + i, rest);
    std::memcpy(tb, b + i, rest);
    Store(tb, Grid4Block(Load<u32d>(tf), Load<u32d>(tb), m, start + std::uint32_t(i)));
    std::memcpy(b + i, tb, rest);
  }
  counter = std::uint16_t(start + std::uint32_t(count));
}

}  // namespace

// Fills a set with the kernels built for this instruction set.
void FillAll(TKernelSet& set) {
  auto& k = set.ops;
  k[int(TBlendOp::Average)] = &OpRow<Paired<TAverage>>;
  k[int(TBlendOp::Multiply)] = &OpRow<Paired<TMultiply>>;
  k[int(TBlendOp::Screen)] = &OpRow<Paired<TScreen>>;
  k[int(TBlendOp::Darken)] = &OpRow<Paired<TDarken>>;
  k[int(TBlendOp::Lighten)] = &OpRow<Paired<TLighten>>;
  k[int(TBlendOp::Difference)] = &OpRow<Paired<TDifference>>;
  k[int(TBlendOp::Negation)] = &OpRow<Paired<TNegation>>;
  k[int(TBlendOp::Exclusion)] = &OpRow<Paired<TExclusion>>;
  k[int(TBlendOp::Overlay)] = &OpRow<Paired<TOverlay>>;
  k[int(TBlendOp::HardLight)] = &OpRow<Paired<THardLight>>;
  k[int(TBlendOp::Dodge)] = &OpRow<Planar<TDodge>>;
  k[int(TBlendOp::Burn)] = &OpRow<Planar<TBurn>>;
  k[int(TBlendOp::Reflect)] = &OpRow<Planar<TReflect>>;
  k[int(TBlendOp::Glow)] = &OpRow<Glow>;
  k[int(TBlendOp::Freeze)] = &OpRow<Planar<TFreeze>>;
  k[int(TBlendOp::Heat)] = &OpRow<Planar<THeat>>;
  k[int(TBlendOp::Stamp)] = &OpRow<Paired<TStamp>>;
  k[int(TBlendOp::Or)] = &OpRow<CrossChannel<LOr>>;
  k[int(TBlendOp::Xor)] = &OpRow<CrossChannel<LXor>>;
  k[int(TBlendOp::And)] = &OpRow<CrossChannel<LAnd>>;
  k[int(TBlendOp::ColorShift)] = &OpRow<ColorShift>;
  k[int(TBlendOp::Red)] = &OpRow<OneChannel<16>>;
  k[int(TBlendOp::Green)] = &OpRow<OneChannel<8>>;
  k[int(TBlendOp::Blue)] = &OpRow<OneChannel<0>>;
  k[int(TBlendOp::Hue)] = &OpRowPairs<HslOp<HslPart::Hue>>;
  k[int(TBlendOp::Saturation)] = &OpRowPairs<HslOp<HslPart::Saturation>>;
  k[int(TBlendOp::Lightness)] = &OpRowPairs<HslOp<HslPart::Lightness>>;
  k[int(TBlendOp::Grid4)] = &Grid4Row;
  set.blend = &BlendRow;
  set.blendMaster = &BlendMasterRow;
  set.hsl = &HslRow;
}

#undef QV_INLINE

}  // namespace quenvar::kernels::QV_NS
