// Frames composed in bands on several threads against one thread, and the
// pool that runs the bands.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include "compose/bandpool.h"
#include "compose/blendmodes.h"
#include "compose/kernels.h"
#include "compose/layerstack.h"

namespace quenvar {
namespace {

// Restores the thread setting a test changes.
struct ThreadsGuard {
  int saved = ComposeThreads();
  ~ThreadsGuard() { SetComposeThreads(saved); }
};

// A view with every blend mode stacked over a white canvas: random pictures
// with varied alpha, some layers offset past the edges, one enlarged so that
// it is resampled, and grid4 twice.
struct Stack {
  TImgView32 view;
  explicit Stack(std::uint32_t seed) {
    std::mt19937 rng(seed);
    view.SetClientSize(331, 217);
    view.Bitmap().Resize(300, 200);
    view.Bitmap().FillAll(Color32(255, 255, 255));
    std::vector<int> modes;
    for (int m = 0; m <= int(bmLightness); ++m) modes.push_back(m);
    modes.push_back(int(bmGrid4));
    for (std::size_t i = 0; i < modes.size(); ++i) {
      TBitmapLayer& layer = view.Layers().Add<TBitmapLayer>();
      const int w = 250 + int(rng() % 80), h = 150 + int(rng() % 80);
      layer.Bitmap().Resize(w, h);
      for (int p = 0; p < w * h; ++p) layer.Bitmap().Bits()[p] = rng();
      ApplyBlendMode(layer.Bitmap(), TBlendMode(modes[i]));
      layer.Bitmap().SetMasterAlpha(i % 5 == 0 ? 255 : rng() % 256);
      const float x = float(int(rng() % 60) - 30), y = float(int(rng() % 40) - 20);
      const float scale = i == 7 ? 1.7f : 1.0f;
      layer.SetLocation(TFloatRect{x, y, x + float(w) * scale, y + float(h) * scale});
    }
  }
  std::vector<TColor32> Frame() {
    view.Compose();
    const TBitmap32& b = view.Buffer();
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
  }
};

TEST(BandedCompose, FramesAreIdenticalWithAnyNumberOfThreads) {
  ThreadsGuard guard;
  Stack stack(99);
  SetComposeThreads(1);
  GridCounter() = 65000;  // wraps during the frame
  const auto one = stack.Frame();
  const std::uint16_t counterOne = GridCounter();
  // A second frame continues from where the counter stands.
  const auto oneAgain = stack.Frame();
  const std::uint16_t counterOneAgain = GridCounter();
  EXPECT_NE(one, oneAgain);  // grid4's stipple moves

  for (int threads : {2, 3, 7}) {
    SetComposeThreads(threads);
    GridCounter() = 65000;
    EXPECT_EQ(stack.Frame(), one) << threads << " threads";
    EXPECT_EQ(GridCounter(), counterOne) << threads << " threads";
    EXPECT_EQ(stack.Frame(), oneAgain) << threads << " threads";
    EXPECT_EQ(GridCounter(), counterOneAgain) << threads << " threads";
  }
}

TEST(BandedCompose, ScalarReferenceFrameEqualsTheKernelFrame) {
  // The whole frame drawn with the scalar loops equals the fast one.
  ThreadsGuard guard;
  Stack stack(5);
  SetComposeThreads(2);
  GridCounter() = 17;
  const auto fast = stack.Frame();
  for (int i = 0; i < kBlendOpCount; ++i) SetBlendOpRow(TBlendOp(i), BlendOpScalarRow(TBlendOp(i)));
  SetComposeThreads(1);
  GridCounter() = 17;
  const auto scalar = stack.Frame();
  for (int i = 0; i < kBlendOpCount; ++i)
    SetBlendOpRow(TBlendOp(i), ActiveKernels().ops[std::size_t(i)]);
  EXPECT_EQ(fast, scalar);
}

TEST(BandedCompose, LargeFillsSetEveryPixelOnAnyNumberOfThreads) {
  ThreadsGuard guard;
  for (int threads : {1, 2, 3}) {
    SetComposeThreads(threads);
    TBitmap32 b;
    b.Resize(1000, 777);  // several bands that do not divide evenly
    b.FillAll(0x12345678u);
    b.ScrollWrap(3, 1);
    b.FillAll(0xFF00FF00u);
    const TColor32* p = b.Bits();
    EXPECT_EQ(std::count(p, p + 1000 * 777, 0xFF00FF00u), 1000 * 777) << threads << " threads";
  }
}

TEST(BandPool, RunsEveryBandOnceWhateverTheThreadCount) {
  ThreadsGuard guard;
  for (int threads : {1, 2, 4}) {
    SetComposeThreads(threads);
    for (int bands : {1, 2, 5, 64}) {
      for (int round = 0; round < 20; ++round) {
        auto hits = std::vector<std::atomic<int>>(std::size_t(bands));
        auto job = [&](int band) { hits[std::size_t(band)].fetch_add(1); };
        RunBands(bands, job);
        for (int b = 0; b < bands; ++b) ASSERT_EQ(hits[std::size_t(b)].load(), 1);
      }
    }
  }
}

TEST(BandPool, NestedRunsFallBackToTheCallingThread) {
  ThreadsGuard guard;
  SetComposeThreads(2);
  std::atomic<int> inner{0};
  auto job = [&](int) {
    auto innerJob = [&](int) { inner.fetch_add(1); };
    RunBands(3, innerJob);
  };
  RunBands(4, job);
  EXPECT_EQ(inner.load(), 12);
}

TEST(BandPool, ThreadSettingHasAFloorOfOne) {
  ThreadsGuard guard;
  SetComposeThreads(1);
  EXPECT_EQ(ComposeThreads(), 1);
  SetComposeThreads(0);
  EXPECT_GE(ComposeThreads(), 1);
}

}  // namespace
}  // namespace quenvar
