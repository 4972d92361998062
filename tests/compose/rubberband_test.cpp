// The selection frame: hit test order, dragging, minimum size and its child.
#include <gtest/gtest.h>

#include "compose/layerstack.h"

namespace quenvar {
namespace {

struct Frame {
  TImage32 view;
  TBitmapLayer* child;
  TRubberbandLayer* frame;
  Frame() {
    view.SetClientSize(200, 120);
    child = &view.Layers().Add<TBitmapLayer>();
    child->SetLocation(TFloatRect{10, 10, 110, 60});
    frame = &view.Layers().Add<TRubberbandLayer>();
    frame->SetChildLayer(child);
  }
};

TEST(Rubberband, HitTestFollowsItsOrder) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  EXPECT_EQ(r.Location(), f.child->Location());
  // L = 10, T = 10, c = 109, d = 59, middles 59 and 34, reach 4.
  EXPECT_EQ(r.GetDragState(109, 59), dsSizeBR);
  EXPECT_EQ(r.GetDragState(12, 57), dsSizeBL);
  EXPECT_EQ(r.GetDragState(106, 13), dsSizeTR);
  EXPECT_EQ(r.GetDragState(6, 6), dsSizeTL);
  EXPECT_EQ(r.GetDragState(113, 34), dsSizeR);
  EXPECT_EQ(r.GetDragState(59, 63), dsSizeB);
  EXPECT_EQ(r.GetDragState(10, 30), dsSizeL);
  EXPECT_EQ(r.GetDragState(63, 10), dsSizeT);
  EXPECT_EQ(r.GetDragState(50, 40), dsMove);
  EXPECT_EQ(r.GetDragState(114, 34), dsNone);
  EXPECT_EQ(r.GetDragState(5, 34), dsNone);
  EXPECT_EQ(r.CursorAt(50, 40), crSizeAll);
  EXPECT_EQ(r.CursorAt(109, 59), crSizeNWSE);
  EXPECT_EQ(r.CursorAt(106, 13), crSizeNESW);
  EXPECT_EQ(r.CursorAt(10, 30), crSizeWE);
  // In a small frame the bottom-right corner wins over the others.
  r.SetChildLayer(nullptr);
  r.SetLocation(TFloatRect{0, 0, 4, 4});
  EXPECT_EQ(r.GetDragState(1, 1), dsSizeBR);
}

TEST(Rubberband, MoveKeepsSizeAndMovesTheChild) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  EXPECT_TRUE(f.view.MouseDown(mbLeft, ssLeft, 50, 40));  // offset (40, 30)
  EXPECT_EQ(f.view.Layers().MouseListener(), &r);
  f.view.MouseMove(ssLeft, 70, 45);
  EXPECT_EQ(r.Location(), (TFloatRect{30, 15, 130, 65}));
  EXPECT_EQ(f.child->Location(), (TFloatRect{30, 15, 130, 65}));
  f.view.MouseUp(mbLeft, 0, 70, 45);
  EXPECT_FALSE(r.Dragging());
  // After the release, moves do nothing.
  f.view.MouseMove(0, 90, 90);
  EXPECT_EQ(f.child->Location(), (TFloatRect{30, 15, 130, 65}));
}

TEST(Rubberband, ResizingNeverGoesBelowTheMinimum) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  f.view.MouseDown(mbLeft, ssLeft, 10, 34);  // left edge
  f.view.MouseMove(ssLeft, 105, 34);
  EXPECT_EQ(r.Location(), (TFloatRect{100, 10, 110, 60}));
  f.view.MouseMove(ssLeft, 0, 90);  // computed from the location at the press
  EXPECT_EQ(r.Location(), (TFloatRect{0, 10, 110, 60}));
  f.view.MouseUp(mbLeft, 0, 0, 90);

  r.SetLocation(TFloatRect{10, 10, 110, 60});
  f.view.MouseDown(mbLeft, ssLeft, 109, 34);  // right edge
  f.view.MouseMove(ssLeft, 0, 34);
  EXPECT_EQ(r.Location(), (TFloatRect{10, 10, 20, 60}));
  f.view.MouseUp(mbLeft, 0, 0, 34);

  r.SetLocation(TFloatRect{10, 10, 110, 60});
  f.view.MouseDown(mbLeft, ssLeft, 10, 10);  // top-left corner
  f.view.MouseMove(ssLeft, 200, 200);
  EXPECT_EQ(r.Location(), (TFloatRect{100, 50, 110, 60}));
  EXPECT_EQ(f.child->Location(), r.Location());
  f.view.MouseUp(mbLeft, 0, 200, 200);

  r.MinWidth = r.MinHeight = 1;
  f.view.MouseDown(mbLeft, ssLeft, 109, 59);  // bottom-right corner
  f.view.MouseMove(ssLeft, 0, 0);
  EXPECT_EQ(r.Location(), (TFloatRect{100, 50, 101, 51}));
  f.view.MouseUp(mbLeft, 0, 0, 0);
}

TEST(Rubberband, ResizingHookMayAdjustTheNewLocation) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  r.OnResizing = [](TRubberbandLayer&, const TFloatRect& start, TFloatRect& n, TRBDragState,
                    TShiftState shift) {
    if (shift & ssCtrl) n.Left = start.Left - (n.Right - start.Right);
  };
  f.view.MouseDown(mbLeft, ssLeft | ssCtrl, 109, 34);
  f.view.MouseMove(ssLeft | ssCtrl, 119, 34);
  EXPECT_EQ(r.Location(), (TFloatRect{1, 10, 119, 60}));  // 10 - (119 - 110)
  f.view.MouseUp(mbLeft, 0, 119, 34);
}

TEST(Rubberband, OptionsDropTheNoUpdateBit) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  r.SetLayerOptions(0x10000000u);
  EXPECT_EQ(r.LayerOptions(), 0u);
  // Hidden and deaf: the press falls through to the child below.
  EXPECT_EQ(f.view.Layers().FindLayerAt(50, 40), f.child);
  r.SetLayerOptions(0xB0000000u);
  EXPECT_EQ(r.LayerOptions(), 0xA0000000u);
  EXPECT_EQ(f.view.Layers().FindLayerAt(50, 40), &r);
  // Where the hit test finds nothing the press goes to the entries below.
  EXPECT_EQ(f.view.Layers().FindLayerAt(114, 30), nullptr);
}

TEST(Rubberband, ForgetsADestroyedChildAndKeepsItsPlaceOnDetach) {
  Frame f;
  TRubberbandLayer& r = *f.frame;
  r.SetChildLayer(nullptr);
  EXPECT_EQ(r.Location(), (TFloatRect{10, 10, 110, 60}));
  r.SetChildLayer(f.child);
  f.view.Layers().Remove(f.child);
  EXPECT_EQ(r.ChildLayer(), nullptr);
  f.view.MouseDown(mbLeft, ssLeft, 50, 40);
  f.view.MouseMove(ssLeft, 60, 40);  // no child to move: no crash
  EXPECT_EQ(r.Location(), (TFloatRect{20, 10, 120, 60}));
  f.view.MouseUp(mbLeft, 0, 60, 40);
  // Destroying the frame first leaves no listener behind on a child.
  TBitmapLayer& other = f.view.Layers().Add<TBitmapLayer>();
  r.SetChildLayer(&other);
  f.view.Layers().Remove(&r);
  f.view.Layers().Remove(&other);
}

TEST(Rubberband, PaintsOutlineAndHandles) {
  TImage32 view;
  view.SetClientSize(30, 30);
  view.Color = Color32(255, 255, 255, 255);
  TRubberbandLayer& r = view.Layers().Add<TRubberbandLayer>();
  r.SetLocation(TFloatRect{5, 5, 25, 20});
  view.RepaintNow();
  const TBitmap32& b = view.Buffer();
  // Outline through (5, 5) to (24, 19), seen between the handles.
  EXPECT_EQ(b.Pixel(9, 5), Color32(0, 0, 0, 255));
  EXPECT_EQ(b.Pixel(24, 8), Color32(0, 0, 0, 255));
  EXPECT_EQ(b.Pixel(9, 19), Color32(0, 0, 0, 255));
  EXPECT_EQ(b.Pixel(26, 16), Color32(255, 255, 255, 255));
  // Corner handle at (5, 5) covers 2..7; its rim is blended with the
  // outline colour over the fill.
  const TColor32 fill = Color32(200, 200, 200, 150);
  const TColor32 rim = Color32(50, 50, 50, 150);
  const TColor32 filled = BlendReg(fill, Color32(255, 255, 255, 255));
  EXPECT_EQ(b.Pixel(2, 2), BlendReg(rim, filled));
  EXPECT_EQ(b.Pixel(3, 3), filled);
  EXPECT_EQ(b.Pixel(8, 8), Color32(255, 255, 255, 255));
  // Side handle at ((5 + 25) / 2, 20) = (15, 20).
  EXPECT_EQ(b.Pixel(15, 21), filled);
}

}  // namespace
}  // namespace quenvar
