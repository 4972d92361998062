#include "fixturesupport.h"

#include <algorithm>
#include <cstdlib>

namespace quenvar::testing {

::testing::AssertionResult SamePixels(const TPicture& picture, const TPicture& reference,
                                      int tolerance) {
  if (picture.width != reference.width || picture.height != reference.height)
    return ::testing::AssertionFailure()
           << "size " << picture.width << "x" << picture.height << ", reference " << reference.width
           << "x" << reference.height;
  const bool alpha = picture.kind == TPictureKind::Bitmap32;
  int worst = 0, mismatches = 0;
  std::string first;
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    const TColor32 p = picture.pixels[i], r = reference.pixels[i];
    const int pa = alpha ? int(AlphaOf(p)) : 255;
    int diff = std::abs(pa - int(AlphaOf(r)));
    if (AlphaOf(r) != 0 || !alpha) {
      diff = std::max({diff, std::abs(int(RedOf(p)) - int(RedOf(r))),
                       std::abs(int(GreenOf(p)) - int(GreenOf(r))),
                       std::abs(int(BlueOf(p)) - int(BlueOf(r)))});
    }
    worst = std::max(worst, diff);
    if (diff > tolerance && mismatches++ == 0) {
      char text[128];
      std::snprintf(text, sizeof text, "first at (%d, %d): %08X, reference %08X",
                    int(i % std::size_t(picture.width)), int(i / std::size_t(picture.width)),
                    unsigned(p), unsigned(r));
      first = text;
    }
  }
  if (mismatches)
    return ::testing::AssertionFailure() << mismatches << " pixels differ by more than "
                                         << tolerance << " (worst " << worst << "); " << first;
  return ::testing::AssertionSuccess() << "worst difference " << worst;
}

int DamageRounds() {
  const char* env = std::getenv("QUENVAR_FUZZ_ROUNDS");
  return env ? std::max(1, std::atoi(env)) : 40;
}

std::vector<std::uint8_t> Damaged(const std::vector<std::uint8_t>& original, std::mt19937& random,
                                  std::size_t from) {
  auto bad = original;
  if (bad.size() <= from) return bad;
  for (int i = 0, n = 1 + int(random() % 6); i < n; ++i)
    bad[from + random() % (bad.size() - from)] = std::uint8_t(random());
  return bad;
}

}  // namespace quenvar::testing
