// Pictures made for readers to draw into start as the fill they ask for,
// even in memory that held other pixels a moment ago: the store itself does
// not clear what it hands out.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/pictureutil.h"

namespace quenvar {
namespace {

TEST(NewPicture, StartsAsItsFillInReusedMemory) {
  for (const TColor32 fill : {0x00000000u, 0xFFFFFFFFu, 0xFF000000u, 0x80402010u}) {
    for (const int side : {3, 40, 700}) {
      // Leave dirty memory of the same size behind for the allocator to reuse.
      {
        TPicture dirty = NewPicture(side, side, TPictureKind::Bitmap32, "dirty", 0xA5A5A5A5u);
        ASSERT_EQ(dirty.pixels.size(), std::size_t(side) * std::size_t(side));
      }
      const TPicture p = NewPicture(side, side, TPictureKind::Bitmap32, "fresh", fill);
      ASSERT_EQ(p.pixels.size(), std::size_t(side) * std::size_t(side));
      EXPECT_TRUE(
          std::all_of(p.pixels.begin(), p.pixels.end(), [fill](TColor32 c) { return c == fill; }))
          << "fill " << std::hex << fill << " side " << std::dec << side;
    }
  }
}

}  // namespace
}  // namespace quenvar
