// The collection paints neighbouring surface draws band by band; the frame
// must be the one painting each entry after the other gives, whatever stands
// between them, and grid4's counter must end where that order leaves it.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compose/bandpool.h"
#include "compose/blendmodes.h"
#include "compose/layerstack.h"

namespace quenvar {
namespace {

std::vector<TColor32> Pixels(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

// A hook of the program's own grid4 pixel operation that the drawing does
// not recognise: its calls must run in order, on the program-wide counter.
void ForeignGrid(void*, TColor32 F, TColor32& B, std::uint32_t M) {
  BlendOpPixel(TBlendOp::Grid4)(F, B, M);
}

struct Stack {
  TImgView32 view;
  int onPaintCalls = 0;

  Stack(std::uint32_t seed, bool foreign) {
    std::mt19937 rng(seed);
    view.PaintStages()[0].Stage = PST_CUSTOM;
    view.OnPaintStage = [](TImage32&, TBitmap32& b, int) { b.FillAll(Color32(30, 60, 90)); };
    view.SetClientSize(150, 97);
    view.Bitmap().Resize(120, 80);
    view.Bitmap().FillAll(Color32(255, 255, 255));
    const TBlendMode modes[] = {bmNone,      bmGrid4, bmHue,   bmMultiply, bmGrid4,  bmOverlay,
                                bmLightness, bmXor,   bmDodge, bmNone,     bmScreen, bmGrid4};
    for (int i = 0; i < 12; ++i) {
      TBitmapLayer& layer = view.Layers().Add<TBitmapLayer>();
      const int w = 60 + int(rng() % 90), h = 30 + int(rng() % 70);
      layer.Bitmap().Resize(w, h);
      for (int p = 0; p < w * h; ++p) layer.Bitmap().Bits()[p] = rng();
      ApplyBlendMode(layer.Bitmap(), modes[i]);
      layer.Bitmap().SetMasterAlpha(i == 4 ? 0 : 90 + 13 * unsigned(i));  // 0: grid4 still counts
      if (i % 4 == 2) layer.Bitmap().ScrollWrap(int(rng() % 7) - 3, 1);
      const float x = float(int(rng() % 80) - 30), y = float(int(rng() % 60) - 25);
      const float scale = i == 5 ? 0.7f : i == 10 ? 1.6f : 1.0f;
      layer.SetLocation(TFloatRect{x, y, x + float(w) * scale, y + float(h) * scale});
      layer.SetCropped(i == 7);
      if (i == 8) layer.SetVisible(false);
    }
    // Entries that end a run: a paint notification, a foreign hook, an empty
    // surface, a layer far outside, and the selection frame.
    view.Layers()[3].OnPaint = [this](TCustomLayer&, TBitmap32& b) {
      ++onPaintCalls;
      b.FillRectBlended(TRect{5, 5, 60, 40}, Color32(200, 10, 10, 120));
    };
    if (foreign) {
      auto& b = static_cast<TBitmapLayer&>(view.Layers()[6]).Bitmap();
      b.SetOnPixelCombine(TPixelCombineEvent(&ForeignGrid));
    }
    view.Layers().Add<TBitmapLayer>();
    TBitmapLayer& far = view.Layers().Add<TBitmapLayer>();
    far.Bitmap().Resize(4, 4);
    far.SetLocation(TFloatRect{500, 500, 504, 504});
    auto& frame = view.Layers().Add<TRubberbandLayer>();
    frame.SetChildLayer(&static_cast<TBitmapLayer&>(view.Layers()[2]));
    frame.SetLayerOptions(0xB0000000u);
    TBitmapLayer& last = view.Layers().Add<TBitmapLayer>();
    last.Bitmap().Resize(50, 50);
    for (int p = 0; p < 2500; ++p) last.Bitmap().Bits()[p] = rng();
    ApplyBlendMode(last.Bitmap(), bmGrid4);
    last.SetLocation(TFloatRect{100, 60, 150, 110});
  }

  // Each entry painted alone, one after the other, as painting was before
  // runs.
  std::vector<TColor32> OneByOne() {
    TBitmap32 buffer;
    buffer.Resize(view.ClientWidth(), view.ClientHeight());
    buffer.FillAll(Color32(30, 60, 90));
    view.Bitmap().DrawTo(buffer, 0, 0);
    TLayerCollection& layers = view.Layers();
    for (int i = 0; i < layers.Count(); ++i) {
      if (!layers[i].Visible()) continue;
      layers[i].Paint(buffer);
      if (layers[i].OnPaint) layers[i].OnPaint(layers[i], buffer);
    }
    return Pixels(buffer);
  }
};

TEST(LayerRuns, FramesEqualPaintingEachEntryAfterTheOther) {
  const int saved = ComposeThreads();
  for (bool foreign : {false, true}) {
    Stack stack(7, foreign);
    SetComposeThreads(1);
    GridCounter() = 65300;  // wraps during the frame
    const auto want = stack.OneByOne();
    const std::uint16_t wantCounter = GridCounter();
    for (int threads : {1, 2, 3}) {
      SetComposeThreads(threads);
      GridCounter() = 65300;
      stack.view.Compose();
      EXPECT_EQ(Pixels(stack.view.Buffer()), want) << threads << " threads, foreign " << foreign;
      EXPECT_EQ(GridCounter(), wantCounter) << threads << " threads, foreign " << foreign;
    }
    EXPECT_EQ(stack.onPaintCalls, 4);
  }
  SetComposeThreads(saved);
}

TEST(LayerRuns, GridStepsPerComposeIsWhatAComposeAddsToTheCounter) {
  Stack stack(11, false);
  // The canvas drawn in grid4 counts too.
  ApplyBlendMode(stack.view.Bitmap(), bmGrid4);
  for (int round = 0; round < 3; ++round) {
    const std::uint16_t before = GridCounter();
    stack.view.Compose();
    EXPECT_EQ(std::uint16_t(GridCounter() - before),
              std::uint16_t(stack.view.GridStepsPerCompose()));
    // Moving a layer changes the count with it.
    auto& layer = static_cast<TBitmapLayer&>(stack.view.Layers()[1]);
    TFloatRect r = layer.Location();
    r.Left += 17;
    r.Right += 17;
    layer.SetLocation(r);
  }
  TImgView32 empty;
  EXPECT_EQ(empty.GridStepsPerCompose(), 0);
}

}  // namespace
}  // namespace quenvar
