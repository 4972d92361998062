// The RGB to HSL conversion of every kernel set against the scalar one, over
// every colour there is. Each HSL operation's target is made from two such
// conversions and the back conversion, which the kernels take over from the
// scalar form step by step without dividing; so equal hue, saturation and
// lightness, bit for bit, for all 2^24 colours is what makes the operations
// equal for every pair of pixels (the random pixel pairs of test_kernels.cpp
// check the whole operations).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "compose/kernels.h"

namespace quenvar {
namespace {

constexpr int kChunk = 1 << 16;

struct Converted {
  std::vector<float> h, s, l;
  Converted() : h(kChunk), s(kChunk), l(kChunk) {}
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// The first colour of the chunk where the two differ, for the message.
std::uint32_t FirstDifference(const Converted& a, const Converted& b, bool withHue) {
  for (int i = 0; i < kChunk; ++i) {
    const auto k = std::size_t(i);
    if (std::memcmp(&a.s[k], &b.s[k], 4) || std::memcmp(&a.l[k], &b.l[k], 4) ||
        (withHue && std::memcmp(&a.h[k], &b.h[k], 4)))
      return std::uint32_t(i);
  }
  return 0;
}

TEST(HslKernels, EveryColourConvertsAsTheScalarForm) {
  std::vector<TColor32> colours(kChunk);
  Converted want, got;
  for (const bool withHue : {true, false}) {
    for (std::uint32_t start = 0; start < (1u << 24); start += kChunk) {
      for (int i = 0; i < kChunk; ++i) colours[std::size_t(i)] = start + std::uint32_t(i);
      ScalarKernels().hsl(colours.data(), kChunk, withHue, want.h.data(), want.s.data(),
                          want.l.data());
      for (const TKernelSet* set : SupportedKernelSets()) {
        set->hsl(colours.data(), kChunk, withHue, got.h.data(), got.s.data(), got.l.data());
        const bool same = SameBits(want.s, got.s) && SameBits(want.l, got.l) &&
                          (!withHue || SameBits(want.h, got.h));
        if (!same) {
          const std::uint32_t at = FirstDifference(want, got, withHue);
          const auto k = std::size_t(at);
          FAIL() << set->name << (withHue ? "" : " (no hue)") << ": colour " << std::hex
                 << start + at << std::dec << " want (" << want.h[k] << ", " << want.s[k] << ", "
                 << want.l[k] << ") got (" << got.h[k] << ", " << got.s[k] << ", " << got.l[k]
                 << ")";
        }
      }
    }
  }
}

// Rows of every length up to a few registers: the padded tail converts the
// same as whole registers.
TEST(HslKernels, ShortRowsConvertTheSame) {
  std::vector<TColor32> colours;
  for (std::uint32_t i = 0; i < 70; ++i) colours.push_back(0x9E3779B9u * (i + 1) >> 8);
  for (const TKernelSet* set : SupportedKernelSets()) {
    for (int n = 1; n <= 70; ++n) {
      const std::size_t len = std::size_t(n);
      std::vector<float> h(len), s(len), l(len);
      set->hsl(colours.data(), n, true, h.data(), s.data(), l.data());
      for (int i = 0; i < n; ++i) {
        const THsl v = RgbToHsl(colours[std::size_t(i)]);
        const auto k = std::size_t(i);
        ASSERT_TRUE(h[k] == v.H && s[k] == v.S && l[k] == v.L)
            << set->name << " row of " << n << " at " << i;
      }
    }
  }
}

}  // namespace
}  // namespace quenvar
