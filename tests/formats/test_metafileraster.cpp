// Scan conversion against a plain per-pixel reference: a pixel is covered
// when the crossings at or left of its centre wind round it (non-zero) or
// number an odd count (even-odd).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "formats/metafileraster.h"

namespace quenvar {
namespace {

constexpr int kW = 48, kH = 40;

std::vector<bool> Scanned(const MfPolygons& polygons, bool nonZero) {
  std::vector<bool> covered(kW * kH, false);
  MfBudget budget("test");
  int lastY = -1, lastX = -1;
  ScanPolygons(polygons, nonZero, kW, kH, budget, [&](int y, int x0, int x1) {
    EXPECT_TRUE(y > lastY || (y == lastY && x0 > lastX)) << "runs out of order";
    EXPECT_TRUE(0 <= x0 && x0 < x1 && x1 <= kW && 0 <= y && y < kH);
    lastY = y, lastX = x1;
    for (int x = x0; x < x1; ++x) covered[y * kW + x] = true;
  });
  return covered;
}

// Rows count whose centre lies in [top, bottom) of an edge; x is taken where
// the edge meets the row's centre line, as the scan converter takes it.
std::vector<bool> Reference(const MfPolygons& polygons, bool nonZero) {
  std::vector<bool> covered(kW * kH, false);
  for (int y = 0; y < kH; ++y) {
    const double cy = y + 0.5;
    for (int x = 0; x < kW; ++x) {
      const double cx = x + 0.5;
      int winding = 0, count = 0;
      for (const auto& poly : polygons)
        for (std::size_t i = 0; i < poly.size(); ++i) {
          MfPoint a = poly[i], b = poly[(i + 1) % poly.size()];
          if (a.y == b.y) continue;
          const int dir = b.y > a.y ? 1 : -1;
          if (dir < 0) std::swap(a, b);
          if (!(a.y <= cy && cy < b.y)) continue;
          const double at = a.x + (cy - a.y) * ((b.x - a.x) / (b.y - a.y));
          if (at <= cx) winding += dir, ++count;
        }
      covered[y * kW + x] = nonZero ? winding != 0 : count % 2 == 1;
    }
  }
  return covered;
}

std::vector<MfPoint> RandomPolygon(std::mt19937& random, int points) {
  std::uniform_real_distribution<double> x(-8, kW + 8), y(-8, kH + 8);
  std::vector<MfPoint> poly;
  for (int i = 0; i < points; ++i) poly.push_back({x(random), y(random)});
  return poly;
}

std::vector<MfPoint> Circle(double cx, double cy, double r, int points) {
  std::vector<MfPoint> poly;
  for (int i = 0; i < points; ++i) {
    const double t = 2 * M_PI * i / points;
    poly.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
  }
  return poly;
}

// Gentle shapes keep their crossings in order from row to row; tangles of
// random points cross each other on every row, which the sorting of the
// crossings must survive as well.
TEST(MetafileRaster, CoversWhatThePerPixelRuleCovers) {
  std::mt19937 random(5);
  for (int round = 0; round < 60; ++round) {
    MfPolygons polygons;
    if (round % 3 == 0) {
      for (int k = 0; k < 1 + round % 5; ++k)
        polygons.push_back(Circle(5 + random() % 40, 5 + random() % 30, 3 + random() % 25, 64));
    } else {
      for (int k = 0; k < 1 + round % 4; ++k)
        polygons.push_back(RandomPolygon(random, 3 + int(random() % 120)));
    }
    for (bool nonZero : {false, true})
      ASSERT_EQ(Scanned(polygons, nonZero), Reference(polygons, nonZero))
          << "round " << round << (nonZero ? " non-zero" : " even-odd");
  }
}

}  // namespace
}  // namespace quenvar
