#pragma once
// Colour conversions of layer samples into 8-bit sRGB: linear light (32-bit
// float documents) through the sRGB transfer curve, and Lab colour. The
// curve and Lab use integer arithmetic on fixed-point values, and float
// samples enter it exactly (scaled by a power of two), so every platform
// gives the same pixels.
#include <cstddef>
#include <cstdint>

namespace quenvar {

// Fixed-point scale of linear light and of the Lab intermediates: 1.0 is 2^24.
constexpr std::int64_t kPsdLinearOne = std::int64_t(1) << 24;

// Linear light in steps of 2^-24, clamped to 0 .. kPsdLinearOne, to an 8-bit
// sRGB value: round(255 x sRGB(v)), taken from a table of the 255 linear
// values at which the rounded result steps up.
unsigned SrgbFromLinear(std::int64_t linear);

// A 32-bit float sample as stored: big-endian IEEE 754 single precision.
float PsdFloatSample(const std::uint8_t* bytes);
// A float colour sample (linear light) to 8-bit sRGB: clamped to 0 .. 1,
// NaN as 0, taken in steps of 2^-24.
unsigned SrgbFromFloat(float v);
// A float coverage sample (transparency, mask) to 0 .. 255: clamped,
// round(255 x v) with ties to even.
unsigned CoverageFromFloat(float v);
// Sample `index` of a plane as an 8-bit coverage value (transparency or
// mask): 8-bit as stored, 16-bit reduced with the remainder dropped, 32-bit
// through CoverageFromFloat.
unsigned PsdCoverageSample(const std::uint8_t* plane, std::size_t index, int bytesPerSample);

struct TRgb8 {
  unsigned r = 0, g = 0, b = 0;
  bool operator==(const TRgb8&) const = default;
};

// Lab as 16-bit documents store it (L 0 .. 65535 for 0 .. 100; a and b with
// 32768 for 0, 256 steps per unit) to 8-bit sRGB. The Lab white is D50;
// XYZ goes to linear sRGB through the Bradford-adapted D50 matrix, then
// through the sRGB transfer curve, out-of-gamut values clamped.
TRgb8 SrgbFromLab16(unsigned l, unsigned a, unsigned b);
// 8-bit Lab samples in the same form: L 0 .. 255, a and b with 128 for 0.
inline TRgb8 SrgbFromLab8(unsigned l, unsigned a, unsigned b) {
  return SrgbFromLab16(l * 257, a * 256, b * 256);
}

}  // namespace quenvar
