#pragma once
// The 28 per-pixel blend operations. Each has one scalar reference form that
// mirrors its formula, a row kernel (by default a loop over the scalar form;
// faster kernels may replace it and must give the same bytes) and a hook
// bound to no object for surfaces drawn with dmCustom.
#include <cstdint>

#include "compose/color32.h"
#include "compose/pixelcombine.h"

namespace quenvar {

enum class TBlendOp : std::uint8_t {
  Average,
  Multiply,
  Screen,
  Darken,
  Lighten,
  Difference,
  Negation,
  Exclusion,
  Overlay,
  HardLight,
  Dodge,
  Burn,
  Reflect,
  Glow,
  Freeze,
  Heat,
  Stamp,
  Or,
  Xor,
  And,
  ColorShift,
  Red,
  Green,
  Blue,
  Hue,
  Saturation,
  Lightness,
  Grid4,
};
constexpr int kBlendOpCount = 28;

// Scalar reference: combines F into B with master alpha M (low byte used).
using TPixelOp = void (*)(TColor32 F, TColor32& B, std::uint32_t M);
// Row kernel: f[i] into b[i] for i in 0..count-1, left to right, same M.
using TRowKernel = void (*)(const TColor32* f, TColor32* b, int count, std::uint32_t M);

TPixelOp BlendOpPixel(TBlendOp op);
TRowKernel BlendOpRow(TBlendOp op);
// Replaces an operation's row kernel (for faster forms chosen once at start);
// nullptr restores the scalar loop.
void SetBlendOpRow(TBlendOp op, TRowKernel kernel);
// The scalar loop itself, for tests that compare a fast kernel against it.
TRowKernel BlendOpScalarRow(TBlendOp op);

// The operation's hook, bound to no object.
TPixelCombineEvent BlendOpEvent(TBlendOp op);
// True when `hook` is one of the program's own operations; sets `op`.
bool FindBlendOp(const TPixelCombineEvent& hook, TBlendOp& op);

const char* BlendOpName(TBlendOp op);

// The program-wide grid counter that grid4 advances once per call (wraps).
std::uint16_t& GridCounter();

// HSL helpers in single precision (used by the hue, saturation and lightness
// operations; exposed for tests).
struct THsl {
  float H = 0;
  float S = 0;
  float L = 0;
};
THsl RgbToHsl(TColor32 c);
// Returns an opaque colour.
TColor32 HslToRgb(const THsl& hsl);

}  // namespace quenvar
