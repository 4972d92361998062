// The wrap-around scroll that animates layers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "compose/surface.h"

namespace quenvar {
namespace {

TBitmap32 Numbered(int w, int h) {
  TBitmap32 b;
  b.Resize(w, h);
  for (int i = 0; i < w * h; ++i) b.Bits()[i] = TColor32(i);
  return b;
}

std::vector<TColor32> Pixels(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + b.Width() * b.Height());
}

TEST(ScrollWrap, RotatesTheWholeStoreNotEachRow) {
  TBitmap32 b = Numbered(3, 2);
  b.ScrollWrap(1, 0);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{5, 0, 1, 2, 3, 4}));
  b = Numbered(3, 2);
  b.ScrollWrap(-1, 0);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{1, 2, 3, 4, 5, 0}));
}

TEST(ScrollWrap, VerticalStepMovesRowsWithoutColumnShift) {
  TBitmap32 b = Numbered(3, 3);
  b.ScrollWrap(0, 1);
  EXPECT_EQ(Pixels(b), (std::vector<TColor32>{6, 7, 8, 0, 1, 2, 3, 4, 5}));
  b.ScrollWrap(0, -1);
  EXPECT_EQ(Pixels(b), Pixels(Numbered(3, 3)));
}

TEST(ScrollWrap, FullOrLargerStepsDoNothingAndRaiseNothing) {
  TBitmap32 b = Numbered(3, 2);
  int changes = 0;
  b.OnChange = [&](TBitmap32&, const TRect&) { ++changes; };
  for (auto [dx, dy] : {std::pair{3, 0},
                        {-3, 0},
                        {0, 2},
                        {0, -2},
                        {INT_MIN, 0},
                        {0, INT_MIN},
                        {INT_MAX, INT_MAX},
                        {0, 0}})
    b.ScrollWrap(dx, dy);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Pixels(b), Pixels(Numbered(3, 2)));
  b.ScrollWrap(2, 1);
  EXPECT_EQ(changes, 1);
  TBitmap32 empty;
  empty.ScrollWrap(1, 1);
}

TEST(ScrollWrap, ConservesContentAndComposesStepsBySum) {
  const int w = 7, h = 5;
  for (auto [a, b] : {std::pair{std::pair{2, 1}, std::pair{3, -2}},
                      {{-4, 0}, {-2, -1}},
                      {{6, 4}, {-6, -4}},
                      {{1, -3}, {5, 3}}}) {
    TBitmap32 twice = Numbered(w, h);
    twice.ScrollWrap(a.first, a.second);
    twice.ScrollWrap(b.first, b.second);
    TBitmap32 once = Numbered(w, h);
    once.ScrollWrap(a.first + b.first, a.second + b.second);
    EXPECT_EQ(Pixels(twice), Pixels(once));
    auto sorted = Pixels(twice);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, Pixels(Numbered(w, h)));
  }
}

TEST(ScrollWrap, LongRunsReturnHome) {
  // (1, 0) on 4 x 3 rotates by 1; twelve steps are a full turn.
  TBitmap32 b = Numbered(4, 3);
  for (int i = 0; i < 12; ++i) b.ScrollWrap(1, 0);
  EXPECT_EQ(Pixels(b), Pixels(Numbered(4, 3)));
  // (-3, -2) rotates by -11 = +1 modulo 12.
  TBitmap32 c = Numbered(4, 3);
  c.ScrollWrap(-3, -2);
  TBitmap32 d = Numbered(4, 3);
  d.ScrollWrap(1, 0);
  EXPECT_EQ(Pixels(c), Pixels(d));
}

}  // namespace
}  // namespace quenvar
