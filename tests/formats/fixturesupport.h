#pragma once
// Shared helpers of the reader tests: fixture paths and picture comparison.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace quenvar::testing
