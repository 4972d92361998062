// Resizing about the centre: each dragged edge sets its half-size, the others
// stay, and neither half-size drops below 2 pixels.
#include <gtest/gtest.h>

#include "compose/centeredresize.h"

namespace quenvar {
namespace {

// Centre (30, 20), half-sizes 20 and 10.
const TFloatRect kStart{10, 10, 50, 30};

TEST(CenteredResize, EdgesAndCornersMirrorAboutTheCentre) {
  // Right edge pulled to 60: half-width 30 on both sides.
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{10, 10, 60, 30}, dsSizeR),
            (TFloatRect{0, 10, 60, 30}));
  // Left edge pushed in to 25: half-width 5.
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{25, 10, 50, 30}, dsSizeL),
            (TFloatRect{25, 10, 35, 30}));
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{10, 4, 50, 30}, dsSizeT),
            (TFloatRect{10, 4, 50, 36}));
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{10, 10, 50, 27}, dsSizeB),
            (TFloatRect{10, 13, 50, 27}));
  // A corner applies both of its edges.
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{0, 10, 50, 35}, dsSizeBL),
            (TFloatRect{0, 5, 60, 35}));
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{10, 0, 45, 30}, dsSizeTR),
            (TFloatRect{15, 0, 45, 40}));
}

TEST(CenteredResize, HalfSizesStayAtLeastTwoPixels) {
  // Dragged past the centre: the half-size would be negative.
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{45, 10, 50, 30}, dsSizeL),
            (TFloatRect{28, 10, 32, 30}));
  EXPECT_EQ(CenteredResize(kStart, TFloatRect{10, 10, 31, 21}, dsSizeBR),
            (TFloatRect{28, 18, 32, 22}));
}

TEST(CenteredResize, AMoveIsLeftAlone) {
  const TFloatRect moved{20, 20, 60, 40};
  EXPECT_EQ(CenteredResize(kStart, moved, dsMove), moved);
  EXPECT_EQ(CenteredResize(kStart, moved, dsNone), moved);
}

}  // namespace
}  // namespace quenvar
