// Copies of a surface share one pixel store until one of them writes.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "compose/surface.h"
#include "pixeltestutil.h"

namespace quenvar {
namespace {

using pixeltest::FromPixels;
using pixeltest::Pixels;
using pixeltest::RandomPixels;

TBitmap32 Random(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  return FromPixels(w, h, RandomPixels(rng, std::size_t(w) * std::size_t(h)));
}

const TColor32* StoreOf(const TBitmap32& b) {
  return b.Store().data;
}

TEST(SharedStore, CopiesShareUntilOneSideWrites) {
  const TBitmap32 original = Random(7, 5, 1);
  const auto before = Pixels(original);

  TBitmap32 copied;
  copied.CopyFrom(original);
  TBitmap32 constructed(original);
  TBitmap32 assigned;
  assigned = original;
  for (const TBitmap32* b : {&copied, &constructed, &assigned}) {
    EXPECT_TRUE(b->SharesPixelsWith(original));
    EXPECT_EQ(StoreOf(*b), StoreOf(original));
    EXPECT_EQ(Pixels(*b), before);
  }

  // Reading through the const forms keeps the store shared.
  EXPECT_EQ(std::as_const(copied).RowPointer(2), original.RowPointer(2));
  EXPECT_EQ(copied.Pixel(3, 4), original.Pixel(3, 4));
  EXPECT_TRUE(copied.SharesPixelsWith(original));

  copied.SetPixel(3, 4, 0x12345678u);
  EXPECT_FALSE(copied.SharesPixelsWith(original));
  EXPECT_EQ(Pixels(original), before);
  EXPECT_EQ(copied.Pixel(3, 4), 0x12345678u);
  // The other copies still share with the original.
  EXPECT_TRUE(constructed.SharesPixelsWith(original));
}

// Each writing operation, run on either side, leaves the other side as it was.
TEST(SharedStore, EveryWriteLeavesTheOtherSideUnchanged) {
  const std::vector<std::pair<const char*, void (*)(TBitmap32&)>> writes = {
      {"FillAll", [](TBitmap32& b) { b.FillAll(0xFF102030u); }},
      {"ForceOpaque", [](TBitmap32& b) { b.ForceOpaque(255); }},
      {"ForceOpaque 7", [](TBitmap32& b) { b.ForceOpaque(7); }},
      {"Resize", [](TBitmap32& b) { b.Resize(3, 3); }},
      {"Bits", [](TBitmap32& b) { b.Bits()[5] ^= 0x01010101u; }},
      {"FillRectBlended",
       [](TBitmap32& b) {
         b.FillRectBlended({1, 1, 5, 4}, 0x80FF0000u);
       }},
      {"FrameRect",
       [](TBitmap32& b) {
         b.FrameRect({0, 0, 6, 4}, 0xFF00FF00u);
       }},
      {"DrawLine", [](TBitmap32& b) { b.DrawLine(0.5f, 0.5f, 6.0f, 4.0f, 0xFF0000FFu); }},
      {"CopyFrom picture",
       [](TBitmap32& b) {
         TPicture p;
         p.width = p.height = 2;
         p.pixels.assign(4, 0xFF445566u);
         b.CopyFrom(std::move(p));
       }},
      {"scrolled then written",
       [](TBitmap32& b) {
         b.ScrollWrap(2, 1);
         b.SetPixel(0, 0, 0);
       }},
      {"tiled then written",
       [](TBitmap32& b) {
         b.ScrollTile(3, 2);
         b.Bits()[0] = 1;
       }},
  };
  for (const auto& [what, write] : writes) {
    SCOPED_TRACE(what);
    for (bool writeOriginal : {false, true}) {
      TBitmap32 original = Random(7, 5, 2);
      TBitmap32 copy;
      copy.CopyFrom(original);
      const auto before = Pixels(original);
      // The expected result: the same write on a surface that never shared.
      TBitmap32 alone = FromPixels(7, 5, before);
      write(alone);
      write(writeOriginal ? original : copy);
      const TBitmap32& written = writeOriginal ? original : copy;
      const TBitmap32& other = writeOriginal ? copy : original;
      EXPECT_EQ(Pixels(other), before);
      EXPECT_EQ(Pixels(written), Pixels(alone));
    }
  }
}

TEST(SharedStore, OpaquePicturesStaySharedWhenMadeOpaque) {
  TBitmap32 original = Random(6, 4, 3);
  original.ForceOpaque(255);
  TBitmap32 copy;
  copy.CopyFrom(original);
  copy.ForceOpaque(255);
  EXPECT_TRUE(copy.SharesPixelsWith(original));
}

// The frame step moves no pixels: a scrolled view still reads the picture's
// store, and the picture itself never sees the scroll.
TEST(SharedStore, ScrollingKeepsTheStoreShared) {
  const TBitmap32 picture = Random(5, 4, 4);
  for (bool tiled : {false, true}) {
    SCOPED_TRACE(tiled ? "tiled" : "wrapped");
    const auto scroll = [tiled](TBitmap32& b) {
      if (tiled) {
        b.ScrollTile(2, 3, 7);
        b.ScrollTile(-1, 1);
      } else {
        b.ScrollWrap(1, 1);
        b.ScrollWrap(-3, 0, 1000);
      }
    };
    TBitmap32 view;
    view.CopyFrom(picture);
    scroll(view);
    EXPECT_TRUE(view.SharesPixelsWith(picture));

    TBitmap32 moved = FromPixels(5, 4, Pixels(picture));
    scroll(moved);
    // Asking for the view's addresses puts its pixels in order in a store
    // of its own; the picture stays as it was.
    EXPECT_EQ(Pixels(view), Pixels(moved));
    EXPECT_FALSE(view.SharesPixelsWith(picture));
    EXPECT_EQ(Pixels(picture), Pixels(Random(5, 4, 4)));
  }
}

TEST(SharedStore, DrawingFromASharedStoreIntoItsSharer) {
  TBitmap32 target = Random(8, 6, 5);
  TBitmap32 source;
  source.CopyFrom(target);
  source.ScrollWrap(3, 1);
  source.SetDrawMode(dmBlend);
  TBitmap32 reference = FromPixels(8, 6, Pixels(target));
  TBitmap32 plainSource = FromPixels(8, 6, Pixels(source));
  plainSource.SetDrawMode(dmBlend);
  source.DrawTo(target, 1, 2);
  plainSource.DrawTo(reference, 1, 2);
  EXPECT_EQ(Pixels(target), Pixels(reference));
}

TEST(SharedStore, MovedPictureKeepsItsStoreAndMatchesTheCopy) {
  for (TPictureKind kind : {TPictureKind::Bitmap, TPictureKind::Bitmap32, TPictureKind::Other}) {
    for (bool transparent : {false, true}) {
      std::mt19937 rng(6);
      TPicture picture;
      picture.width = 9;
      picture.height = 3;
      picture.kind = kind;
      const auto values = RandomPixels(rng, 27);
      picture.pixels.assign(values.begin(), values.end());
      picture.pixels[4] = 0x00ABCDEFu;
      picture.transparent = transparent;
      picture.transparentColor = 0x77ABCDEFu;

      TBitmap32 copied;
      copied.CopyFrom(std::as_const(picture));
      const TColor32* decoded = picture.pixels.data();
      TBitmap32 moved;
      moved.CopyFrom(std::move(picture));
      EXPECT_EQ(StoreOf(moved), decoded);
      EXPECT_EQ(Pixels(moved), Pixels(copied));
      EXPECT_TRUE(picture.pixels.empty());
    }
  }
}

// A snapshot read on another thread while the original is rewritten here
// sees the pixels it was taken with.
TEST(SharedStore, SnapshotReadOnAnotherThread) {
  TBitmap32 original = Random(256, 256, 7);
  const auto before = Pixels(original);
  const std::uint64_t expected = std::accumulate(before.begin(), before.end(), std::uint64_t(0));
  for (int round = 0; round < 20; ++round) {
    auto snapshot = std::make_shared<const TBitmap32>(original);
    std::uint64_t sum = 0;
    std::thread reader([snapshot, &sum] {
      const TColor32* p = snapshot->Bits();
      sum = std::accumulate(p, p + 256 * 256, std::uint64_t(0));
    });
    snapshot.reset();
    original.FillAll(TColor32(round));
    reader.join();
    EXPECT_EQ(sum, expected);
    original = FromPixels(256, 256, before);
  }
}

}  // namespace
}  // namespace quenvar
