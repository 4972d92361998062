#include "compose/blendops.h"

#include "compose/kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace quenvar {
namespace {

// ---- The common frame -------------------------------------------------------

// Strength of a call: the source alpha weighted by the low byte of M.
inline int Strength(TColor32 F, std::uint32_t M) {
  return int((AlphaOf(F) * (M & 255)) >> 8);
}

// Moves b towards t by s/256, flooring (the shift of a negative product is
// arithmetic), so the result always lies between b and t.
inline int Towards(int b, int t, int s) {
  return b + (((t - b) * s) >> 8);
}

inline TColor32 WithRgb(TColor32 B, int r, int g, int b) {
  return (B & 0xFF000000u) | (TColor32(r) << 16) | (TColor32(g) << 8) | TColor32(b);
}

// Runs the common frame for an operation whose target is computed per channel
// from the same channel of F and B.
template <int (*Target)(int f, int b)>
void PerChannel(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int br = RedOf(B), bg = GreenOf(B), bb = BlueOf(B);
  B = WithRgb(B, Towards(br, Target(RedOf(F), br), s), Towards(bg, Target(GreenOf(F), bg), s),
              Towards(bb, Target(BlueOf(F), bb), s));
}

// The common frame with a whole-pixel target.
inline void TowardsPixel(TColor32& B, int tr, int tg, int tb, int s) {
  B = WithRgb(B, Towards(RedOf(B), tr, s), Towards(GreenOf(B), tg, s), Towards(BlueOf(B), tb, s));
}

// ---- Per-channel targets ----------------------------------------------------

int TAverage(int f, int b) {
  return (f + b) >> 1;
}
int TMultiply(int f, int b) {
  return (b * f) >> 8;
}
int TScreen(int f, int b) {
  return 255 - (((255 - b) * (255 - f)) >> 8);
}
int TDarken(int f, int b) {
  return std::min(f, b);
}
int TLighten(int f, int b) {
  return std::max(f, b);
}
int TDifference(int f, int b) {
  return std::abs(b - f);
}
int TNegation(int f, int b) {
  return 255 - std::abs(255 - b - f);
}
int TExclusion(int f, int b) {
  return b + f - ((b * f) >> 7);
}
int TOverlay(int f, int b) {
  return b >= 128 ? 255 - (((255 - b) * (255 - f)) >> 7) : (b * f) >> 7;
}
int THardLight(int f, int b) {
  return f >= 128 ? 255 - (((255 - f) * (255 - b)) >> 7) : (b * f) >> 7;
}
int TDodge(int f, int b) {
  return f == 255 ? 255 : std::min(255, (b * 256) / (255 - f));
}
int TBurn(int f, int b) {
  return f == 0 ? 0 : std::max(0, 255 - ((255 - b) * 256) / f);
}
int TReflect(int f, int b) {
  return f == 255 ? 255 : std::min(255, (b * b) / (255 - f));
}
int TFreeze(int f, int b) {
  return f == 0 ? 0 : 255 - std::min(255, ((255 - b) * (255 - b)) / f);
}
int THeat(int f, int b) {
  return b == 0 ? 0 : 255 - std::min(255, ((255 - f) * (255 - f)) / b);
}
int TStamp(int f, int b) {
  return std::clamp(f + 2 * b - 256, 0, 255);
}

// ---- Operations with their own frame or cross-channel targets ---------------

// Glow mixes with weights s and 255 - s instead of moving by s/256.
void Glow(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  auto mix = [s](int f, int b) {
    const int t = b == 255 ? 255 : std::min(255, (f * f) / (255 - b));
    return (t * s + (255 - s) * b) >> 8;
  };
  B = WithRgb(B, mix(RedOf(F), RedOf(B)), mix(GreenOf(F), GreenOf(B)), mix(BlueOf(F), BlueOf(B)));
}

// The logical and colour-shift targets read F's blue and green and B's blue
// and red, and the blue target uses the red target just computed.
void And(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int tr = BlueOf(F) & BlueOf(B);
  const int tg = GreenOf(F) & RedOf(B);
  TowardsPixel(B, tr, tg, BlueOf(B) & tr, s);
}

void Or(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int tr = BlueOf(F) | BlueOf(B);
  const int tg = GreenOf(F) | RedOf(B);
  TowardsPixel(B, tr, tg, BlueOf(B) | tr, s);
}

void Xor(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int tr = BlueOf(F) ^ BlueOf(B);
  const int tg = GreenOf(F) ^ RedOf(B);
  TowardsPixel(B, tr, tg, BlueOf(B) ^ tr, s);
}

void ColorShift(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int tr = int(BlueOf(F) + GreenOf(B)) >> 1;
  const int tg = int(GreenOf(F) + RedOf(B)) >> 1;
  TowardsPixel(B, tr, tg, (int(BlueOf(B)) + tr) >> 1, s);
}

// Red, green and blue move one channel and leave the others exactly alone.
template <int Shift>
void OneChannel(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const int b = int(B >> Shift) & 255;
  const int t = int(F >> Shift) & 255;
  B = (B & ~(TColor32(255) << Shift)) | (TColor32(Towards(b, t, s)) << Shift);
}

// The HSL operations: the target takes some components from F, the rest
// from B.
enum class HslPart { Hue, Saturation, Lightness };

template <HslPart Part>
void HslOp(TColor32 F, TColor32& B, std::uint32_t M) {
  const int s = Strength(F, M);
  if (s == 0) return;
  const THsl f = RgbToHsl(F);
  THsl t = RgbToHsl(B);
  if constexpr (Part == HslPart::Hue) t.H = f.H;
  if constexpr (Part == HslPart::Saturation) t.S = f.S;
  if constexpr (Part == HslPart::Lightness) t.L = f.L;
  const TColor32 T = HslToRgb(t);
  TowardsPixel(B, RedOf(T), GreenOf(T), BlueOf(T), s);
}

std::uint16_t gridCounter = 0;

// Advances the shared counter before the strength test; every third count
// keeps the pixel, the others halve red and green and pull blue to F's.
void Grid4(TColor32 F, TColor32& B, std::uint32_t M) {
  const std::uint16_t count = ++GridCounter();
  const int s = Strength(F, M);
  if (s == 0) return;
  if (count % 3 == 0) return;  // target equals B: nothing moves
  TowardsPixel(B, int(RedOf(B)) >> 1, int(GreenOf(B)) >> 1, BlueOf(F), s);
}

// ---- The table ----------------------------------------------------------------

template <TPixelOp Op>
void ScalarRow(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  for (int i = 0; i < count; ++i) Op(f[i], b[i], M);
}

template <TPixelOp Op>
void Hook(void*, TColor32 F, TColor32& B, std::uint32_t M) {
  Op(F, B, M);
}

struct OpEntry {
  const char* name;
  TPixelOp pixel;
  TRowKernel row;
  TPixelCombineEvent::Handler hook;
};

template <TPixelOp Op>
constexpr OpEntry Entry(const char* name) {
  return OpEntry{name, Op, &ScalarRow<Op>, &Hook<Op>};
}

constexpr std::array<OpEntry, kBlendOpCount> kOps = {
    Entry<PerChannel<TAverage>>("average"),
    Entry<PerChannel<TMultiply>>("multiply"),
    Entry<PerChannel<TScreen>>("screen"),
    Entry<PerChannel<TDarken>>("darken"),
    Entry<PerChannel<TLighten>>("lighten"),
    Entry<PerChannel<TDifference>>("difference"),
    Entry<PerChannel<TNegation>>("negation"),
    Entry<PerChannel<TExclusion>>("exclusion"),
    Entry<PerChannel<TOverlay>>("overlay"),
    Entry<PerChannel<THardLight>>("hard light"),
    Entry<PerChannel<TDodge>>("dodge"),
    Entry<PerChannel<TBurn>>("burn"),
    Entry<PerChannel<TReflect>>("reflect"),
    Entry<Glow>("glow"),
    Entry<PerChannel<TFreeze>>("freeze"),
    Entry<PerChannel<THeat>>("heat"),
    Entry<PerChannel<TStamp>>("stamp"),
    Entry<Or>("or"),
    Entry<Xor>("xor"),
    Entry<And>("and"),
    Entry<ColorShift>("colour shift"),
    Entry<OneChannel<16>>("red"),
    Entry<OneChannel<8>>("green"),
    Entry<OneChannel<0>>("blue"),
    Entry<HslOp<HslPart::Hue>>("hue"),
    Entry<HslOp<HslPart::Saturation>>("saturation"),
    Entry<HslOp<HslPart::Lightness>>("lightness"),
    Entry<Grid4>("grid4"),
};
static_assert(kOps.size() == std::size_t(TBlendOp::Grid4) + 1, "every operation has an entry");

// The row kernels in force: the fastest set the processor runs, chosen once.
std::array<TRowKernel, kBlendOpCount>& RowKernels() {
  static std::array<TRowKernel, kBlendOpCount> kernels = ActiveKernels().ops;
  return kernels;
}

inline std::size_t Slot(TBlendOp op) {
  const auto i = std::size_t(op);
  return i < kOps.size() ? i : std::size_t(TBlendOp::Dodge);
}

// ---- HSL in single precision ------------------------------------------------

float Level(float m1, float m2, float h) {
  h = h - std::floor(h);
  if (6 * h < 1) return m1 + (m2 - m1) * h * 6;
  if (2 * h < 1) return m2;
  if (3 * h < 2) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6;
  return m1;
}

// round(255 * v), ties to even, kept inside a byte.
int ToByte(float v) {
  const float r = std::nearbyint(255 * v);
  return int(std::clamp(r, 0.0f, 255.0f));
}

}  // namespace

TPixelOp BlendOpPixel(TBlendOp op) {
  return kOps[Slot(op)].pixel;
}
TRowKernel BlendOpRow(TBlendOp op) {
  return RowKernels()[Slot(op)];
}
TRowKernel BlendOpScalarRow(TBlendOp op) {
  return kOps[Slot(op)].row;
}
void SetBlendOpRow(TBlendOp op, TRowKernel kernel) {
  RowKernels()[Slot(op)] = kernel ? kernel : kOps[Slot(op)].row;
}
TPixelCombineEvent BlendOpEvent(TBlendOp op) {
  return TPixelCombineEvent(kOps[Slot(op)].hook);
}
const char* BlendOpName(TBlendOp op) {
  return kOps[Slot(op)].name;
}

bool FindBlendOp(const TPixelCombineEvent& hook, TBlendOp& op) {
  if (!hook.Assigned()) return false;
  for (std::size_t i = 0; i < kOps.size(); ++i) {
    if (kOps[i].hook == hook.handler) {
      op = TBlendOp(i);
      return true;
    }
  }
  return false;
}

std::uint16_t& GridCounter() {
  if (std::uint16_t* banded = ThreadGridCounter()) return *banded;
  return gridCounter;
}

THsl RgbToHsl(TColor32 c) {
  const float R = float(RedOf(c)) / 255, G = float(GreenOf(c)) / 255, B = float(BlueOf(c)) / 255;
  const float cmax = std::max({R, G, B}), cmin = std::min({R, G, B});
  THsl hsl;
  hsl.L = (cmax + cmin) / 2;
  if (cmax == cmin) return hsl;
  const float d = cmax - cmin;
  hsl.S = hsl.L < 0.5f ? d / (cmax + cmin) : d / (2 - cmax - cmin);
  if (cmax == R)
    hsl.H = (G - B) / d;
  else if (cmax == G)
    hsl.H = 2 + (B - R) / d;
  else
    hsl.H = 4 + (R - G) / d;
  hsl.H = hsl.H / 6;
  if (hsl.H < 0) hsl.H = hsl.H + 1;
  return hsl;
}

TColor32 HslToRgb(const THsl& hsl) {
  if (hsl.S == 0) {
    const int v = ToByte(hsl.L);
    return Color32(v, v, v);
  }
  const float L = hsl.L, S = hsl.S;
  const float m2 = L <= 0.5f ? L * (1 + S) : L + S - L * S;
  const float m1 = 2 * L - m2;
  const float third = 1.0f / 3.0f;
  return Color32(ToByte(Level(m1, m2, hsl.H + third)), ToByte(Level(m1, m2, hsl.H)),
                 ToByte(Level(m1, m2, hsl.H - third)));
}

}  // namespace quenvar
