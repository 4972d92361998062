// Every row kernel of every instruction set this machine runs, against the
// scalar reference operations, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compose/kernels.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

constexpr int kTriplesPerMode = 1 << 20;  // a little over a million
constexpr int kMaxRow = 70;               // every tail of every block width

// Random values that land often on the edges where formulas change.
class Picker {
 public:
  explicit Picker(std::uint32_t seed) : rng_(seed) {}
  unsigned Byte() {
    static constexpr unsigned kEdges[] = {0, 1, 127, 128, 254, 255};
    const unsigned r = rng_();
    return (r & 3) == 0 ? kEdges[(r >> 2) % 6] : (r >> 8) & 255;
  }
  unsigned Alpha() {
    const unsigned r = rng_() & 7;
    return r == 0 ? 0 : r == 1 ? 255 : Byte();
  }
  TColor32 Pixel() { return Color32(Byte(), Byte(), Byte(), Alpha()); }
  // Master alpha; sometimes with high bits set, of which only the low byte
  // may count.
  std::uint32_t Master() {
    const std::uint32_t r = rng_();
    if ((r & 15) == 0) return 0x100u | Byte();
    return (r & 3) == 1 ? 255 : Byte();
  }
  std::uint16_t Counter() {
    const unsigned r = rng_();
    return (r & 3) == 0 ? std::uint16_t(65535 - (r >> 2) % 80) : std::uint16_t(r >> 8);
  }

 private:
  std::mt19937 rng_;
};

struct Case {
  std::vector<TColor32> f, b;
  std::vector<int> rowLength;
  std::vector<std::uint32_t> master;
  std::vector<std::uint16_t> counter;  // grid counter at the start of each row
};

Case MakeCase(std::uint32_t seed, bool masterBelow255) {
  Picker pick(seed);
  Case c;
  c.f.resize(kTriplesPerMode);
  c.b.resize(kTriplesPerMode);
  for (int i = 0; i < kTriplesPerMode; ++i) {
    c.f[std::size_t(i)] = pick.Pixel();
    c.b[std::size_t(i)] = pick.Pixel();
  }
  for (int used = 0, len = 1; used < kTriplesPerMode; len = len % kMaxRow + 1) {
    const int n = std::min(len, kTriplesPerMode - used);
    c.rowLength.push_back(n);
    std::uint32_t m = pick.Master();
    if (masterBelow255) m = (m & 255) == 255 ? 254 : m & 255;
    c.master.push_back(m);
    c.counter.push_back(pick.Counter());
    used += n;
  }
  return c;
}

// Runs a kernel row by row over the case; returns the destination and the
// grid counter after each row.
std::vector<TColor32> RunRows(TRowKernel kernel, const Case& c, std::vector<std::uint16_t>* after) {
  std::vector<TColor32> out = c.b;
  std::size_t at = 0;
  for (std::size_t r = 0; r < c.rowLength.size(); ++r) {
    GridCounter() = c.counter[r];
    kernel(c.f.data() + at, out.data() + at, c.rowLength[r], c.master[r]);
    if (after) after->push_back(GridCounter());
    at += std::size_t(c.rowLength[r]);
  }
  return out;
}

std::string Describe(const Case& c, std::size_t pixel, TColor32 want, TColor32 got) {
  std::size_t at = 0, r = 0;
  while (at + std::size_t(c.rowLength[r]) <= pixel) at += std::size_t(c.rowLength[r++]);
  char text[200];
  std::snprintf(text, sizeof text, "F=%08X B=%08X M=%X row length %d at %zu: want %08X got %08X",
                c.f[pixel], c.b[pixel], c.master[r], c.rowLength[r], pixel - at, want, got);
  return text;
}

void ExpectSame(const char* what, const char* set, const Case& c, const std::vector<TColor32>& want,
                const std::vector<TColor32>& got) {
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i] != got[i]) {
      ADD_FAILURE() << what << " (" << set << "): " << Describe(c, i, want[i], got[i]);
      return;
    }
  }
}

class KernelExactness : public ::testing::TestWithParam<int> {};

TEST_P(KernelExactness, EveryInstructionSetMatchesTheReference) {
  const TBlendOp op = TBlendOp(GetParam());
  const Case c = MakeCase(0x51u + std::uint32_t(GetParam()), false);
  std::vector<std::uint16_t> wantCounter;
  const auto want = RunRows(BlendOpScalarRow(op), c, &wantCounter);
  for (const TKernelSet* set : SupportedKernelSets()) {
    std::vector<std::uint16_t> gotCounter;
    const auto got = RunRows(set->ops[std::size_t(op)], c, &gotCounter);
    ExpectSame(BlendOpName(op), set->name, c, want, got);
    EXPECT_EQ(wantCounter, gotCounter) << BlendOpName(op) << " (" << set->name << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(AllOps, KernelExactness, ::testing::Range(0, kBlendOpCount),
                         [](const auto& info) {
                           std::string name = BlendOpName(TBlendOp(info.param));
                           std::erase(name, ' ');
                           return name;
                         });

TEST(KernelChecks, BlendsMatchTheReference) {
  const Case plain = MakeCase(7, false);
  const Case master = MakeCase(8, true);
  const auto wantPlain = RunRows(ScalarKernels().blend, plain, nullptr);
  const auto wantMaster = RunRows(ScalarKernels().blendMaster, master, nullptr);
  for (const TKernelSet* set : SupportedKernelSets()) {
    ExpectSame("blend", set->name, plain, wantPlain, RunRows(set->blend, plain, nullptr));
    ExpectSame("master blend", set->name, master, wantMaster,
               RunRows(set->blendMaster, master, nullptr));
  }
}

// All 65,536 (f, b) pairs in every channel, at full and at half strength:
// the dividing modes see every numerator and divisor they can meet.
TEST(KernelChecks, DividingModesOverEveryPair) {
  Case c;
  for (int f = 0; f < 256; ++f) {
    for (int b = 0; b < 256; ++b) {
      c.f.push_back(Color32(unsigned(f), unsigned(255 - f), unsigned(f), 255));
      c.b.push_back(Color32(unsigned(b), unsigned(b), unsigned(255 - b), 255));
    }
  }
  for (std::uint32_t m : {255u, 128u}) {
    c.rowLength.assign(1, int(c.f.size()));
    c.master.assign(1, m);
    c.counter.assign(1, 0);
    for (TBlendOp op : {TBlendOp::Dodge, TBlendOp::Burn, TBlendOp::Reflect, TBlendOp::Glow,
                        TBlendOp::Freeze, TBlendOp::Heat}) {
      const auto want = RunRows(BlendOpScalarRow(op), c, nullptr);
      for (const TKernelSet* set : SupportedKernelSets())
        ExpectSame(BlendOpName(op), set->name, c, want,
                   RunRows(set->ops[std::size_t(op)], c, nullptr));
    }
  }
}

// The identity the dividing kernels rest on: a single-precision divide,
// truncated, equals the integer division for every numerator and divisor
// the six modes form from a pair (f, b).
TEST(KernelChecks, FloatDivideTruncatesLikeIntegerDivision) {
  auto check = [](int n, int d) {
    if (d == 0) return true;
    return int(float(n) / float(d)) == n / d;
  };
  int bad = 0;
  for (int f = 0; f < 256; ++f) {
    for (int b = 0; b < 256; ++b) {
      bad += !check(b * 256, 255 - f) + !check((255 - b) * 256, f) + !check(b * b, 255 - f) +
             !check(f * f, 255 - b) + !check((255 - b) * (255 - b), f) +
             !check((255 - f) * (255 - f), b);
    }
  }
  EXPECT_EQ(bad, 0);
}

// What the HSL kernels rest on, over every value the modes can meet: hue in
// [0, 1) and saturation and lightness in [0, 1] for every colour; for every
// saturation with every lightness (hue and saturation take B's, or F's, in
// any pairing), levels m1 and m2 that round to bytes without limits; and
// the comparisons 6h < 1 and 3h < 2 flipping exactly at the rounded 1/6
// and 2/3.
TEST(KernelChecks, HslValuesStayWhereTheKernelsAssume) {
  std::vector<float> saturations, lightnesses;
  for (int mx = 0; mx < 256; ++mx) {
    for (int mn = 0; mn <= mx; ++mn) {
      const THsl hsl = RgbToHsl(Color32(unsigned(mx), unsigned(mn), unsigned(mn)));
      saturations.push_back(hsl.S);
      if (mn == 0 || mx == 255) lightnesses.push_back(hsl.L);  // every max + min
    }
  }
  int outside = 0;
  for (std::uint32_t c = 0; c < (1u << 24); ++c) {
    const THsl hsl = RgbToHsl(c);
    outside +=
        !(hsl.H >= 0 && hsl.H < 1) + !(hsl.S >= 0 && hsl.S <= 1) + !(hsl.L >= 0 && hsl.L <= 1);
  }
  EXPECT_EQ(outside, 0);
  int unbounded = 0;
  for (const float L : lightnesses) {
    for (const float S : saturations) {
      const float m2 = L <= 0.5f ? L * (1 + S) : L + S - L * S;
      const float m1 = 2 * L - m2;
      // Levels lie between m1 and m2 (which can cross by a unit in the last
      // place) up to a rounding of the last step.
      unbounded += !(255 * std::min(m1, m2) > -0.49f && 255 * std::max(m1, m2) < 255.49f);
    }
  }
  EXPECT_EQ(unbounded, 0);
  const float sixth = 1.0f / 6.0f, twoThirds = 2.0f / 3.0f;
  EXPECT_TRUE(6 * sixth >= 1 && 6 * std::nextafter(sixth, 0.0f) < 1);
  EXPECT_TRUE(3 * twoThirds >= 2 && 3 * std::nextafter(twoThirds, 0.0f) < 2);
}

TEST(KernelSelection, ActiveSetIsTheBestSupportedOrTheForcedScalar) {
  const auto sets = SupportedKernelSets();
  ASSERT_FALSE(sets.empty());
  const char* forced = std::getenv("QUENVAR_SCALAR");
  if (forced && std::string(forced) == "1")
    EXPECT_EQ(&ActiveKernels(), &ScalarKernels());
  else
    EXPECT_EQ(&ActiveKernels(), sets.back());
}

}  // namespace
}  // namespace quenvar
