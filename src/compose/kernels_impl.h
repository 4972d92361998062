// Row kernels written once with the compiler's vector types and compiled once
// per instruction set (kernels_sse2.cpp, kernels_avx2.cpp, kernels_avx512.cpp).
// Each inclusion defines QV_NS (its namespace) and QV_LANES (pixels per
// block); a file may include it twice at two widths.
//
// Every kernel gives the same bytes as the scalar operations in blendops.cpp:
// - Channels are split into 16-bit lanes. The step b + floor((t - b) * s / 256)
//   is computed as (b * (256 - s) + t * s) >> 8, which is the same number
//   (the step never leaves [b, t]) and never exceeds 65280.
// - Divisions go through a single-precision divide and truncation. Numerators
//   stay below 2^16 and divisors below 256, so a true quotient just under an
//   integer k is at least k - 1/255 away, far more than the divide's rounding
//   error; the exactness test checks all pairs.
// - The HSL modes repeat the scalar sequence of float operations lane by lane,
//   without contraction, and round half to even with the 1.5 * 2^23 trick.
//
// Everything lives in an unnamed namespace inside QV_NS and uses no library
// templates, so no inline function compiled for one instruction set can be
// picked by the linker for another.
#include <cstdint>
#include <cstring>

#include "compose/kernels.h"

namespace quenvar::kernels::QV_NS {
namespace {

constexpr int K = QV_LANES;
typedef std::uint32_t u32v __attribute__((vector_size(4 * K)));
typedef std::int32_t i32v __attribute__((vector_size(4 * K)));
typedef std::uint16_t u16v __attribute__((vector_size(2 * K)));
typedef std::int16_t i16v __attribute__((vector_size(2 * K)));
typedef float f32v __attribute__((vector_size(4 * K)));

// ---- Lane helpers -------------------------------------------------------------

inline u32v Load(const TColor32* p) {
  u32v v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(TColor32* p, u32v v) {
  std::memcpy(p, &v, sizeof v);
}
// Lane select by a comparison mask (all ones or all zeros per lane), done
// with bit operations: the compiler keeps these in vector registers where
// the ?: form on vectors is sometimes split into single lanes.
template <class M, class V>
inline V Sel(M mask, V a, V b) {
  return (V)(((M)a & mask) | ((M)b & ~mask));
}
template <class V>
inline V Min(V a, V b) {
  return Sel(a < b, a, b);
}
template <class V>
inline V Max(V a, V b) {
  return Sel(a > b, a, b);
}
inline u16v Narrow(u32v v) {
  return __builtin_convertvector(v, u16v);
}
inline u32v Widen(u16v v) {
  return __builtin_convertvector(v, u32v);
}
inline f32v ToFloat(u16v v) {
  return __builtin_convertvector(__builtin_convertvector(v, i32v), f32v);
}
// Truncates towards zero, then limits to 0..255 (garbage lanes included).
// Truncates a quotient, then limits it to 255. Quotients lie in 0..65280,
// so they survive the narrowing to 16 bits; lanes that divided by zero hold
// garbage, and every caller replaces them.
inline u16v TruncByte(f32v q) {
  const u16v i = __builtin_convertvector(__builtin_convertvector(q, i32v), u16v);
  return Sel(i > 255, u16v{} + std::uint16_t(255), i);
}
inline u16v Splat16(unsigned x) {
  return u16v{} + std::uint16_t(x);
}
inline f32v SplatF(float x) {
  return f32v{} + x;
}

// One block of pixels split into 16-bit channels.
struct Px {
  u16v r, g, b, a;
};
inline Px Split(u32v c) {
  return Px{Narrow((c >> 16) & 255), Narrow((c >> 8) & 255), Narrow(c & 255), Narrow(c >> 24)};
}
inline u32v Join(u32v alphaFrom, u16v r, u16v g, u16v b) {
  return (alphaFrom & 0xFF000000u) | (Widen(r) << 16) | (Widen(g) << 8) | Widen(b);
}

// The strength of each pixel: source alpha weighted by the master alpha.
inline u16v Strength(u16v fa, u16v m) {
  return (fa * m) >> 8;
}
// b moved towards t by s/256, flooring; s = 0 leaves b as it is.
inline u16v Towards(u16v b, u16v t, u16v s) {
  return (b * (256 - s) + t * s) >> 8;
}

// ---- Per-channel targets ------------------------------------------------------

struct TAverage {
  static u16v T(u16v f, u16v b) { return (f + b) >> 1; }
};
struct TMultiply {
  static u16v T(u16v f, u16v b) { return (b * f) >> 8; }
};
struct TScreen {
  static u16v T(u16v f, u16v b) { return 255 - (((255 - b) * (255 - f)) >> 8); }
};
struct TDarken {
  static u16v T(u16v f, u16v b) { return Min(f, b); }
};
struct TLighten {
  static u16v T(u16v f, u16v b) { return Max(f, b); }
};
struct TDifference {
  static u16v T(u16v f, u16v b) { return Sel(b > f, u16v(b - f), u16v(f - b)); }
};
struct TNegation {
  static u16v T(u16v f, u16v b) {
    const u16v sum = b + f;
    return 255 - Sel(sum > 255, u16v(sum - 255), u16v(255 - sum));
  }
};
struct TExclusion {
  static u16v T(u16v f, u16v b) { return b + f - ((b * f) >> 7); }
};
struct TOverlay {
  static u16v T(u16v f, u16v b) {
    return Sel(b >= 128, u16v(255 - (((255 - b) * (255 - f)) >> 7)), u16v((b * f) >> 7));
  }
};
struct THardLight {
  static u16v T(u16v f, u16v b) {
    return Sel(f >= 128, u16v(255 - (((255 - f) * (255 - b)) >> 7)), u16v((b * f) >> 7));
  }
};
struct TDodge {
  static u16v T(u16v f, u16v b) {
    const u16v q = TruncByte(ToFloat(b) * 256.0f / ToFloat(255 - f));
    return Sel(f == 255, Splat16(255), q);
  }
};
struct TBurn {
  static u16v T(u16v f, u16v b) {
    const f32v q = ToFloat(255 - b) * 256.0f / ToFloat(f);
    // 255 - trunc(q), floored at 0: q of 255 or more gives 0.
    const u16v t = 255 - TruncByte(q);
    return Sel(f == 0, Splat16(0), t);
  }
};
struct TReflect {
  static u16v T(u16v f, u16v b) {
    const u16v q = TruncByte(ToFloat(b * b) / ToFloat(255 - f));
    return Sel(f == 255, Splat16(255), q);
  }
};
struct TFreeze {
  static u16v T(u16v f, u16v b) {
    const u16v nb = 255 - b;
    const u16v q = TruncByte(ToFloat(nb * nb) / ToFloat(f));
    return Sel(f == 0, Splat16(0), u16v(255 - q));
  }
};
struct THeat {
  static u16v T(u16v f, u16v b) {
    const u16v nf = 255 - f;
    const u16v q = TruncByte(ToFloat(nf * nf) / ToFloat(b));
    return Sel(b == 0, Splat16(0), u16v(255 - q));
  }
};
struct TStamp {
  static u16v T(u16v f, u16v b) {
    const i16v v = i16v(f) + 2 * i16v(b) - 256;
    return u16v(Max(Min(v, i16v{} + 255), i16v{}));
  }
};

// ---- Block operations ---------------------------------------------------------

template <class Target>
struct PerChannel {
  static u32v Block(u32v F, u32v B, u16v m) {
    const Px f = Split(F), b = Split(B);
    const u16v s = Strength(f.a, m);
    return Join(B, Towards(b.r, Target::T(f.r, b.r), s), Towards(b.g, Target::T(f.g, b.g), s),
                Towards(b.b, Target::T(f.b, b.b), s));
  }
};

struct Glow {
  static u16v Mix(u16v f, u16v b, u16v s) {
    const u16v q = TruncByte(ToFloat(f * f) / ToFloat(255 - b));
    const u16v t = Sel(b == 255, Splat16(255), q);
    // Strength 0 leaves the pixel alone (the mix alone would darken it).
    return Sel(s == 0, b, u16v((t * s + (255 - s) * b) >> 8));
  }
  static u32v Block(u32v F, u32v B, u16v m) {
    const Px f = Split(F), b = Split(B);
    const u16v s = Strength(f.a, m);
    return Join(B, Mix(f.r, b.r, s), Mix(f.g, b.g, s), Mix(f.b, b.b, s));
  }
};

// Cross-channel targets: red from F.b and B.b, green from F.g and B.r, blue
// from B.b and the red target.
template <class Logic>
struct CrossChannel {
  static u32v Block(u32v F, u32v B, u16v m) {
    const Px f = Split(F), b = Split(B);
    const u16v s = Strength(f.a, m);
    const u16v tr = Logic::T(f.b, b.b);
    const u16v tg = Logic::T(f.g, b.r);
    const u16v tb = Logic::T(b.b, tr);
    return Join(B, Towards(b.r, tr, s), Towards(b.g, tg, s), Towards(b.b, tb, s));
  }
};
struct LAnd {
  static u16v T(u16v x, u16v y) { return x & y; }
};
struct LOr {
  static u16v T(u16v x, u16v y) { return x | y; }
};
struct LXor {
  static u16v T(u16v x, u16v y) { return x ^ y; }
};

struct ColorShift {
  static u32v Block(u32v F, u32v B, u16v m) {
    const Px f = Split(F), b = Split(B);
    const u16v s = Strength(f.a, m);
    const u16v tr = (f.b + b.g) >> 1;
    const u16v tg = (f.g + b.r) >> 1;
    const u16v tb = (b.b + tr) >> 1;
    return Join(B, Towards(b.r, tr, s), Towards(b.g, tg, s), Towards(b.b, tb, s));
  }
};

template <int Shift>
struct OneChannel {
  static u32v Block(u32v F, u32v B, u16v m) {
    const u16v s = Strength(Narrow(F >> 24), m);
    const u16v b = Narrow((B >> Shift) & 255), t = Narrow((F >> Shift) & 255);
    return (B & ~(0xFFu << Shift)) | (Widen(Towards(b, t, s)) << Shift);
  }
};

// ---- HSL lanes ------------------------------------------------------------------

struct Hsl {
  f32v h, s, l;
};

// Saturation and lightness need only the largest and smallest channel.
// Dividing by 255 keeps the order of the bytes, so those two are divided
// alone unless the hue, which needs all three, is wanted too.
template <bool WithHue>
inline Hsl ToHsl(const Px& c) {
  f32v R{}, G{}, B{}, cmax, cmin;
  if constexpr (WithHue) {
    R = ToFloat(c.r) / 255.0f, G = ToFloat(c.g) / 255.0f, B = ToFloat(c.b) / 255.0f;
    cmax = Max(Max(R, G), B), cmin = Min(Min(R, G), B);
  } else {
    cmax = ToFloat(Max(Max(c.r, c.g), c.b)) / 255.0f;
    cmin = ToFloat(Min(Min(c.r, c.g), c.b)) / 255.0f;
  }
  Hsl o;
  o.l = (cmax + cmin) / 2.0f;
  const f32v d = cmax - cmin;
  // Each branch's operands are chosen first, so one divide serves all lanes
  // and every lane still divides exactly the numbers its branch names.
  const f32v s = d / Sel(o.l < 0.5f, f32v(cmax + cmin), f32v(2.0f - cmax - cmin));
  const auto grey = cmax == cmin;
  if constexpr (WithHue) {
    const auto isR = cmax == R, isG = cmax == G;
    const f32v q = Sel(isR, f32v(G - B), Sel(isG, f32v(B - R), f32v(R - G))) / d;
    f32v h = Sel(isR, q, f32v(Sel(isG, SplatF(2.0f), SplatF(4.0f)) + q));
    h = h / 6.0f;
    h = Sel(h < 0.0f, f32v(h + 1.0f), h);
    o.h = Sel(grey, SplatF(0.0f), h);
  }
  o.s = Sel(grey, SplatF(0.0f), s);
  return o;
}

// h - floor(h) for the small values hue arithmetic produces.
inline f32v Fraction(f32v h) {
  const f32v t = __builtin_convertvector(__builtin_convertvector(h, i32v), f32v);
  return h - Sel(t > h, f32v(t - 1.0f), t);
}

inline f32v Level(f32v m1, f32v m2, f32v h) {
  h = Fraction(h);
  const f32v rise = m1 + (m2 - m1) * h * 6.0f;
  const f32v fall = m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return Sel(6.0f * h < 1.0f, rise, Sel(2.0f * h < 1.0f, m2, Sel(3.0f * h < 2.0f, fall, m1)));
}

// round(255 * v) half to even, limited to a byte.
inline u16v ToByte(f32v v) {
  const f32v magic = SplatF(12582912.0f);  // 1.5 * 2^23
  const f32v x = 255.0f * v;
  f32v r = (x + magic) - magic;
  r = Sel(r < 0.0f, SplatF(0.0f), r);
  r = Sel(r > 255.0f, SplatF(255.0f), r);
  r = Sel(r == r, r, SplatF(0.0f));  // NaN only in lanes that are thrown away
  return Narrow(__builtin_convertvector(__builtin_convertvector(r, i32v), u32v));
}

inline void FromHsl(const Hsl& c, u16v& r, u16v& g, u16v& b) {
  const f32v L = c.l, S = c.s;
  const f32v m2 = Sel(L <= 0.5f, f32v(L * (1.0f + S)), f32v(L + S - L * S));
  const f32v m1 = 2.0f * L - m2;
  const float third = 1.0f / 3.0f;
  const auto grey = S == 0.0f;
  const u16v v = ToByte(L);
  const u16v rr = ToByte(Level(m1, m2, c.h + third));
  const u16v gg = ToByte(Level(m1, m2, c.h));
  const u16v bb = ToByte(Level(m1, m2, c.h - third));
  // 32-bit lane masks narrowed to the 16-bit lanes of the channels.
  const i16v grey16 = i16v(Narrow(u32v(grey)));
  r = Sel(grey16, v, rr);
  g = Sel(grey16, v, gg);
  b = Sel(grey16, v, bb);
}

enum class HslPart { Hue, Saturation, Lightness };

template <HslPart Part>
struct HslOp {
  static u32v Block(u32v F, u32v B, u16v m) {
    const Px f = Split(F), b = Split(B);
    const u16v s = Strength(f.a, m);
    const Hsl hf = ToHsl<Part == HslPart::Hue>(f);
    Hsl t = ToHsl<Part != HslPart::Hue>(b);
    if constexpr (Part == HslPart::Hue) t.h = hf.h;
    if constexpr (Part == HslPart::Saturation) t.s = hf.s;
    if constexpr (Part == HslPart::Lightness) t.l = hf.l;
    u16v tr, tg, tb;
    FromHsl(t, tr, tg, tb);
    return Join(B, Towards(b.r, tr, s), Towards(b.g, tg, s), Towards(b.b, tb, s));
  }
};

// ---- The two blends of dmBlend drawing ------------------------------------------

inline u16v Mix8(u16v f, u16v b, u16v w) {
  return ((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8);
}

struct Blend {
  static u32v Block(u32v F, u32v B, u16v) {
    const Px f = Split(F), b = Split(B);
    const u16v w = f.a;
    const i16v none = w == 0, full = w == 255;
    auto mix = [&](u16v fc, u16v bc) { return Sel(none, bc, Sel(full, fc, Mix8(fc, bc, w))); };
    return (Widen(mix(f.a, b.a)) << 24) | (Widen(mix(f.r, b.r)) << 16) |
           (Widen(mix(f.g, b.g)) << 8) | Widen(mix(f.b, b.b));
  }
};

// Master alpha below 255 (m holds M + 1); the alpha byte becomes 0.
struct BlendMaster {
  static u32v Block(u32v F, u32v B, u16v m1) {
    const Px f = Split(F), b = Split(B);
    const u16v w = (f.a * m1) >> 8;
    const i16v none = w == 0;
    auto mix = [&](u16v fc, u16v bc) { return Sel(none, bc, Mix8(fc, bc, w)); };
    return (Widen(Sel(none, b.a, u16v{})) << 24) | (Widen(mix(f.r, b.r)) << 16) |
           (Widen(mix(f.g, b.g)) << 8) | Widen(mix(f.b, b.b));
  }
};

// ---- Row drivers ------------------------------------------------------------------

template <class Op>
inline void RunRow(const TColor32* f, TColor32* b, int count, u16v m) {
  int i = 0;
  for (; i + K <= count; i += K) Store(b + i, Op::Block(Load(f + i), Load(b + i), m));
  if (i < count) {
    // The tail goes through the same block on a padded copy.
    const std::size_t rest = std::size_t(count - i) * sizeof(TColor32);
    TColor32 tf[K] = {}, tb[K] = {};
    std::memcpy(tf, f + i, rest);
    std::memcpy(tb, b + i, rest);
    Store(tb, Op::Block(Load(tf), Load(tb), m));
    std::memcpy(b + i, tb, rest);
  }
}

template <class Op>
void OpRow(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  RunRow<Op>(f, b, count, Splat16(M & 255));
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
inline u32v Grid4Block(u32v F, u32v B, u16v m, std::uint32_t before) {
  u32v lane;
  for (int i = 0; i < K; ++i) lane[i] = std::uint32_t(i + 1);
  const u32v count = (lane + before) & 0xFFFFu;
  const u32v third = (count * 43691u) >> 17;  // count / 3 for count < 2^16
  const i16v keep = Narrow(count - third * 3u) == 0;
  const Px f = Split(F), b = Split(B);
  const u16v s = Strength(f.a, m);
  return Join(B, Sel(keep, b.r, Towards(b.r, b.r >> 1, s)),
              Sel(keep, b.g, Towards(b.g, b.g >> 1, s)), Sel(keep, b.b, Towards(b.b, f.b, s)));
}

void Grid4Row(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  std::uint16_t& counter = GridCounter();
  const std::uint32_t start = counter;
  const u16v m = Splat16(M & 255);
  int i = 0;
  for (; i + K <= count; i += K)
    Store(b + i, Grid4Block(Load(f + i), Load(b + i), m, start + std::uint32_t(i)));
  if (i < count) {
    const std::size_t rest = std::size_t(count - i) * sizeof(TColor32);
    TColor32 tf[K] = {}, tb[K] = {};
    std::memcpy(tf, f + i, rest);
    std::memcpy(tb, b + i, rest);
    Store(tb, Grid4Block(Load(tf), Load(tb), m, start + std::uint32_t(i)));
    std::memcpy(b + i, tb, rest);
  }
  counter = std::uint16_t(start + std::uint32_t(count));
}

}  // namespace

// Fills a set with the kernels built at this block width.
void FillAll(TKernelSet& set) {
  auto& k = set.ops;
  k[int(TBlendOp::Average)] = &OpRow<PerChannel<TAverage>>;
  k[int(TBlendOp::Multiply)] = &OpRow<PerChannel<TMultiply>>;
  k[int(TBlendOp::Screen)] = &OpRow<PerChannel<TScreen>>;
  k[int(TBlendOp::Darken)] = &OpRow<PerChannel<TDarken>>;
  k[int(TBlendOp::Lighten)] = &OpRow<PerChannel<TLighten>>;
  k[int(TBlendOp::Difference)] = &OpRow<PerChannel<TDifference>>;
  k[int(TBlendOp::Negation)] = &OpRow<PerChannel<TNegation>>;
  k[int(TBlendOp::Exclusion)] = &OpRow<PerChannel<TExclusion>>;
  k[int(TBlendOp::Overlay)] = &OpRow<PerChannel<TOverlay>>;
  k[int(TBlendOp::HardLight)] = &OpRow<PerChannel<THardLight>>;
  k[int(TBlendOp::Dodge)] = &OpRow<PerChannel<TDodge>>;
  k[int(TBlendOp::Burn)] = &OpRow<PerChannel<TBurn>>;
  k[int(TBlendOp::Reflect)] = &OpRow<PerChannel<TReflect>>;
  k[int(TBlendOp::Glow)] = &OpRow<Glow>;
  k[int(TBlendOp::Freeze)] = &OpRow<PerChannel<TFreeze>>;
  k[int(TBlendOp::Heat)] = &OpRow<PerChannel<THeat>>;
  k[int(TBlendOp::Stamp)] = &OpRow<PerChannel<TStamp>>;
  k[int(TBlendOp::Or)] = &OpRow<CrossChannel<LOr>>;
  k[int(TBlendOp::Xor)] = &OpRow<CrossChannel<LXor>>;
  k[int(TBlendOp::And)] = &OpRow<CrossChannel<LAnd>>;
  k[int(TBlendOp::ColorShift)] = &OpRow<ColorShift>;
  k[int(TBlendOp::Red)] = &OpRow<OneChannel<16>>;
  k[int(TBlendOp::Green)] = &OpRow<OneChannel<8>>;
  k[int(TBlendOp::Blue)] = &OpRow<OneChannel<0>>;
  k[int(TBlendOp::Hue)] = &OpRow<HslOp<HslPart::Hue>>;
  k[int(TBlendOp::Saturation)] = &OpRow<HslOp<HslPart::Saturation>>;
  k[int(TBlendOp::Lightness)] = &OpRow<HslOp<HslPart::Lightness>>;
  k[int(TBlendOp::Grid4)] = &Grid4Row;
  set.blend = &BlendRow;
  set.blendMaster = &BlendMasterRow;
}

}  // namespace quenvar::kernels::QV_NS
