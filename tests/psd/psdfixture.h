#pragma once
// Loading the fixture documents and the pixel formula that made them.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compose/color32.h"

namespace quenvar::test {

inline std::vector<std::uint8_t> LoadFixture(const std::string& name) {
  std::ifstream in(std::string(QUENVAR_TEST_DIR) + "/fixtures/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The colour the fixture script gave pixel (x, y) of a layer with seed s.
inline TColor32 FixturePixel(int s, int x, int y, bool opaque) {
  const unsigned r = unsigned(s * 31 + x * 16) & 255;
  const unsigned g = unsigned(s * 17 + y * 16) & 255;
  const unsigned b = unsigned((x + y) * 8 + s) & 255;
  const unsigned a = opaque ? 255 : 255 - (unsigned(x * 11 + y * 3 + s) & 127);
  return Color32(r, g, b, a);
}

}  // namespace quenvar::test
