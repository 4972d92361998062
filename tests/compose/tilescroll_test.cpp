// Tiled motion keeps its shift as a column and a row offset and is drawn
// from them. Everything here compares against a reference whose rows and
// columns really moved.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "compose/bandpool.h"
#include "compose/blendmodes.h"
#include "compose/layerstack.h"
#include "pixeltestutil.h"

namespace quenvar {
namespace {

using pixeltest::FromPixels;
using pixeltest::Pixels;
using pixeltest::RandomPixels;

// Pixel (x, y) goes to ((x + dx) mod w, (y + dy) mod h), for any dx and dy.
void TileForReal(std::vector<TColor32>& p, int w, int h, std::int64_t dx, std::int64_t dy) {
  if (p.empty()) return;
  const std::vector<TColor32> from = p;
  const std::int64_t sx = (dx % w + w) % w, sy = (dy % h + h) % h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[std::size_t((y + sy) % h) * w + std::size_t((x + sx) % w)] = from[std::size_t(y) * w + x];
}

// Every width from 1 up, so the split of a row falls on every column, with
// motions of every sign and several times the picture's size, placed partly
// off the target.
TEST(TiledDrawing, DrawsOfEveryWidthReadTheShiftedPicture) {
  std::mt19937 rng(77);
  for (int w = 1; w <= 40; ++w) {
    const int h = 1 + int(rng() % 6);
    const auto picture = RandomPixels(rng, std::size_t(w) * h);
    const auto under = RandomPixels(rng, std::size_t(w + 6) * (h + 4));
    TBitmap32 tiled = FromPixels(w, h, picture);
    std::vector<TColor32> moved = picture;
    for (int step = 0; step < 3; ++step) {
      const int dx = int(rng() % std::uint32_t(6 * w + 1)) - 3 * w;
      const int dy = int(rng() % std::uint32_t(6 * h + 1)) - 3 * h;
      tiled.ScrollTile(dx, dy);
      TileForReal(moved, w, h, dx, dy);
    }
    TBitmap32 reference = FromPixels(w, h, moved);
    for (TBitmap32* b : {&tiled, &reference}) {
      ApplyBlendMode(*b, bmMultiply);
      b->SetMasterAlpha(190);
    }
    const int x = int(rng() % 9) - 3, y = int(rng() % 7) - 3;
    TBitmap32 a = FromPixels(w + 6, h + 4, under), b = FromPixels(w + 6, h + 4, under);
    tiled.DrawTo(a, x, y);
    reference.DrawTo(b, x, y);
    ASSERT_EQ(Pixels(a), Pixels(b)) << "width " << w;
    EXPECT_EQ(Pixels(tiled), moved) << "width " << w;
  }
}

// Layers of every motion, some tiled and some rotating, one stretched, drawn
// with one and with two threads against surfaces moved for real.
TEST(TiledDrawing, WholeFramesMatchPixelsMovedForReal) {
  const int saved = ComposeThreads();
  std::mt19937 rng(12);
  TImgView32 fast, slow;
  for (TImgView32* view : {&fast, &slow}) {
    view->SetClientSize(400, 300);
    view->Bitmap().Resize(380, 290);
    view->Bitmap().FillAll(Color32(255, 255, 255));
  }
  struct TMotion {
    int dx, dy;
    bool tile;
  };
  const std::vector<TMotion> motion = {{-3, -2, true}, {0, -2, true},  {7, -5, true},
                                       {-3, 0, true},  {5, 1, true},   {400, -333, true},
                                       {-3, 1, false}, {150, 0, true}, {2, 1, false},
                                       {0, 0, true},   {-1, 260, true}};
  const TBlendMode modes[] = {bmNone,    bmGrid4, bmHue,   bmMultiply, bmDifference, bmGrid4,
                              bmOverlay, bmXor,   bmDodge, bmScreen,   bmNone};
  std::vector<std::vector<TColor32>> moved;
  for (std::size_t i = 0; i < motion.size(); ++i) {
    // Large enough that each draw alone is split into bands.
    const int w = 240 + int(rng() % 60), h = 170 + int(rng() % 60);
    moved.push_back(RandomPixels(rng, std::size_t(w) * h));
    const float x = float(int(rng() % 60) - 20), y = float(int(rng() % 40) - 15);
    const float scale = i == 4 ? 1.5f : 1.0f;  // resampled from the shifted picture
    for (TImgView32* view : {&fast, &slow}) {
      TBitmapLayer& layer = view->Layers().Add<TBitmapLayer>();
      layer.Bitmap() = FromPixels(w, h, moved.back());
      ApplyBlendMode(layer.Bitmap(), modes[i]);
      layer.Bitmap().SetMasterAlpha(100 + 15 * unsigned(i));
      layer.SetLocation(TFloatRect{x, y, x + float(w) * scale, y + float(h) * scale});
    }
  }
  auto surface = [](TImgView32& view, std::size_t i) -> TBitmap32& {
    return static_cast<TBitmapLayer&>(view.Layers()[int(i)]).Bitmap();
  };
  for (int frame = 1; frame <= 30; ++frame) {
    for (std::size_t i = 0; i < motion.size(); ++i) {
      const TMotion& m = motion[i];
      TBitmap32& s = surface(slow, i);
      if (m.tile) {
        surface(fast, i).ScrollTile(m.dx, m.dy);
        TileForReal(moved[i], s.Width(), s.Height(), m.dx, m.dy);
      } else {
        surface(fast, i).ScrollWrap(m.dx, m.dy);
        const std::int64_t n = std::int64_t(moved[i].size());
        const std::int64_t k = ((m.dx + std::int64_t(m.dy) * s.Width()) % n + n) % n;
        std::rotate(moved[i].begin(), moved[i].begin() + (n - k), moved[i].end());
      }
      std::copy(moved[i].begin(), moved[i].end(), s.Bits());
    }
    SetComposeThreads(frame % 2 == 0 ? 2 : 1);
    GridCounter() = std::uint16_t(frame * 613);
    fast.Compose();
    const std::uint16_t counter = GridCounter();
    GridCounter() = std::uint16_t(frame * 613);
    slow.Compose();
    ASSERT_EQ(Pixels(fast.Buffer()), Pixels(slow.Buffer())) << "frame " << frame;
    ASSERT_EQ(counter, GridCounter()) << "frame " << frame;
  }
  SetComposeThreads(saved);
  for (std::size_t i = 0; i < motion.size(); ++i) EXPECT_EQ(Pixels(surface(fast, i)), moved[i]);
}

TEST(ScrollTile, ManyStepsAtOnceEqualStepsOneByOneAndSeekInConstantTime) {
  std::mt19937 rng(3);
  for (auto [w, h, dx, dy] : {std::tuple{7, 5, 2, 1},
                              {7, 5, -6, -4},
                              {1, 9, 0, 3},
                              {9, 1, -4, 0},
                              {6, 4, 6, 1},    // a whole width across: only rows move
                              {5, 3, 13, -8},  // larger than the picture
                              {4, 4, -INT32_MAX - 1, INT32_MAX}}) {
    const auto start = RandomPixels(rng, std::size_t(w) * h);
    for (std::uint64_t times : {0u, 1u, 2u, 7u, 35u, 1000u}) {
      TBitmap32 b = FromPixels(w, h, start);
      std::vector<TColor32> ref = start;
      for (std::uint64_t i = 0; i < times; ++i) TileForReal(ref, w, h, dx, dy);
      int changes = 0;
      b.OnChange = [&](TBitmap32&, const TRect&) { ++changes; };
      b.ScrollTile(dx, dy, times);
      EXPECT_EQ(changes, ref == start ? 0 : 1);
      EXPECT_EQ(Pixels(b), ref) << w << "x" << h << " (" << dx << ", " << dy << ") x " << times;
    }
    // Frame 10^9 is where the offsets modulo the sizes say.
    const std::uint64_t billion = 1000000000u;
    TBitmap32 far = FromPixels(w, h, start);
    far.ScrollTile(dx, dy, billion);
    std::vector<TColor32> ref = start;
    TileForReal(ref, w, h, std::int64_t(billion % std::uint64_t(w)) * dx,
                std::int64_t(billion % std::uint64_t(h)) * dy);
    EXPECT_EQ(Pixels(far), ref) << w << "x" << h;
  }
}

TEST(ScrollTile, ReadersCopiesAndSwitchingSeeTheShiftedPicture) {
  std::mt19937 rng(8);
  const int w = 11, h = 6;
  const auto start = RandomPixels(rng, std::size_t(w) * h);
  TBitmap32 tiled = FromPixels(w, h, start);
  std::vector<TColor32> moved = start;
  tiled.ScrollTile(4, -2);
  TileForReal(moved, w, h, 4, -2);
  // Copies carry the shift and keep moving like the original.
  TBitmap32 copy(tiled);
  TBitmap32 copied;
  copied.CopyFrom(tiled);
  ASSERT_NE(copy.Store().tileX, 0);
  EXPECT_EQ(copy.Pixel(3, 2), moved[2 * w + 3]);
  copied.ScrollTile(-1, 1);
  std::vector<TColor32> further = moved;
  TileForReal(further, w, h, -1, 1);
  EXPECT_EQ(Pixels(copied), further);
  // A rotation after a tile shift, and a tile shift after a rotation.
  tiled.ScrollWrap(3, 1);
  const std::int64_t n = std::int64_t(moved.size()), s = 3 + w;
  std::rotate(moved.begin(), moved.begin() + (n - s), moved.end());
  TBitmap32 again(tiled);
  again.ScrollTile(2, 5);
  std::vector<TColor32> both = moved;
  TileForReal(both, w, h, 2, 5);
  EXPECT_EQ(Pixels(tiled), moved);
  EXPECT_EQ(Pixels(again), both);
}

}  // namespace
}  // namespace quenvar
