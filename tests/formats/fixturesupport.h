#pragma once
// Shared helpers of the reader tests: fixture paths and picture comparison.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "formats/picture.h"

namespace quenvar::testing {

inline std::string FixturePath(const std::string& name) {
  return std::string(QUENVAR_TEST_DIR) + "/fixtures/" + name;
}

// Compares a decoded picture with a reference decoding. Colours may differ by
// `tolerance` per channel. A picture that carries alpha must match the
// reference's alpha (colours of fully transparent pixels are not compared);
// one that does not must be opaque where the reference is.
::testing::AssertionResult SamePixels(const TPicture& picture, const TPicture& reference,
                                      int tolerance);

// How many damaged copies a damage test tries; QUENVAR_FUZZ_ROUNDS raises the
// count for a longer run under the sanitizers.
int DamageRounds();

// `original` with one to six bytes at `from` or later set at random.
std::vector<std::uint8_t> Damaged(const std::vector<std::uint8_t>& original, std::mt19937& random,
                                  std::size_t from = 0);

}  // namespace quenvar::testing
