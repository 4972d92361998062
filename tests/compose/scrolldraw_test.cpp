// A scrolled surface keeps its rotation as a number and is drawn from it.
// Everything here compares against a reference whose pixels really moved:
// drawing in every mode with every instruction set, whole frames after many
// steps, and every way of reading or copying a surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "compose/bandpool.h"
#include "compose/blendmodes.h"
#include "compose/bmpencode.h"
#include "compose/kernels.h"
#include "compose/layerstack.h"
#include "pixeltestutil.h"

namespace quenvar {
namespace {

using pixeltest::FromPixels;
using pixeltest::Pixels;
using pixeltest::RandomPixels;

// Moves the pixels for real: pixel i goes to (i + dx + dy * w) mod n, with the
// no-op rules of ScrollWrap.
void MoveForReal(std::vector<TColor32>& p, int w, int h, int dx, int dy) {
  if (p.empty() || (dx == 0 && dy == 0) || std::abs(dx) >= w || std::abs(dy) >= h) return;
  const std::int64_t n = std::int64_t(p.size());
  const std::int64_t s = ((dx + std::int64_t(dy) * w) % n + n) % n;
  std::rotate(p.begin(), p.begin() + (n - s), p.end());
}

// Every blend mode, with the alpha blend at full and partial opacity.
std::vector<std::pair<TBlendMode, std::uint32_t>> AllModes() {
  std::vector<std::pair<TBlendMode, std::uint32_t>> modes;
  for (int m = 0; m <= int(bmLightness); ++m) modes.emplace_back(TBlendMode(m), 200);
  modes.emplace_back(bmNone, 255);
  return modes;
}

// Puts one instruction set's kernels in force for the operations.
struct KernelSetGuard {
  explicit KernelSetGuard(const TKernelSet& set) {
    for (int i = 0; i < kBlendOpCount; ++i) SetBlendOpRow(TBlendOp(i), set.ops[std::size_t(i)]);
  }
  ~KernelSetGuard() {
    for (int i = 0; i < kBlendOpCount; ++i)
      SetBlendOpRow(TBlendOp(i), ActiveKernels().ops[std::size_t(i)]);
  }
};

TEST(ScrolledDrawing, EveryModeAndInstructionSetDrawsTheRotatedPicture) {
  std::mt19937 rng(2024);
  std::vector<const TKernelSet*> sets = SupportedKernelSets();
  sets.push_back(&ScalarKernels());
  int rotated = 0;
  for (int w = 1; w <= 70; ++w) {
    const int h = 1 + int(rng() % 5);
    const auto picture = RandomPixels(rng, std::size_t(w) * h);
    const auto under = RandomPixels(rng, std::size_t(w + 6) * (h + 4));
    // A few steps of every sign, kept as a rotation in one surface and
    // done for real in the other.
    TBitmap32 scrolled = FromPixels(w, h, picture);
    std::vector<TColor32> moved = picture;
    for (int step = 0; step < 4; ++step) {
      const int dx = int(rng() % std::uint32_t(2 * w + 1)) - w;
      const int dy = int(rng() % std::uint32_t(2 * h + 1)) - h;
      scrolled.ScrollWrap(dx, dy);
      MoveForReal(moved, w, h, dx, dy);
    }
    TBitmap32 reference = FromPixels(w, h, moved);
    rotated += scrolled.Store().start != 0;
    // Placed partly off the target, so rows are clipped where they wrap.
    const int x = int(rng() % 9) - 3, y = int(rng() % 7) - 3;
    for (auto [mode, opacity] : AllModes()) {
      ApplyBlendMode(scrolled, mode);
      ApplyBlendMode(reference, mode);
      scrolled.SetMasterAlpha(opacity);
      reference.SetMasterAlpha(opacity);
      for (const TKernelSet* set : sets) {
        const KernelSetGuard kernels(*set);
        TBitmap32 a = FromPixels(w + 6, h + 4, under), b = FromPixels(w + 6, h + 4, under);
        GridCounter() = std::uint16_t(rng());
        const std::uint16_t counter = GridCounter();
        scrolled.DrawTo(a, x, y);
        const std::uint16_t after = GridCounter();
        GridCounter() = counter;
        reference.DrawTo(b, x, y);
        ASSERT_EQ(Pixels(a), Pixels(b))
            << "width " << w << " mode " << int(mode) << " set " << set->name;
        ASSERT_EQ(after, GridCounter());
      }
    }
    // Drawing read the rotation where it lies; only now is it made real.
    EXPECT_EQ(Pixels(scrolled), moved) << "width " << w;
  }
  EXPECT_GT(rotated, 60);  // nearly every surface was drawn from a rotation
}

// Two views with the same layers: one scrolled by ScrollWrap, one whose
// surfaces have their pixels moved for real before every frame.
struct TwinViews {
  TImgView32 fast, slow;
  std::vector<std::pair<int, int>> motion;
  std::vector<std::vector<TColor32>> moved;

  explicit TwinViews(std::uint32_t seed) {
    std::mt19937 rng(seed);
    const TBlendMode modes[] = {bmNone,    bmGrid4,     bmHue, bmMultiply, bmDifference, bmGrid4,
                                bmOverlay, bmLightness, bmXor, bmDodge,    bmScreen};
    // Every sign of dx and dy; a still layer; one whose motion is as wide as
    // its picture, which stands still too.
    motion = {{-3, -2}, {0, -2}, {2, -2}, {-3, 0}, {5, 1}, {2, 0},
              {-3, 1},  {0, 1},  {2, 1},  {0, 0},  {0, 0}};
    for (TImgView32* view : {&fast, &slow}) {
      view->SetClientSize(90, 60);
      view->Bitmap().Resize(80, 50);
      view->Bitmap().FillAll(Color32(255, 255, 255));
    }
    for (int i = 0; i < int(motion.size()); ++i) {
      const int w = 40 + int(rng() % 30), h = 20 + int(rng() % 20);
      if (i == 10) motion[10].first = w;
      moved.push_back(RandomPixels(rng, std::size_t(w) * h));
      const float x = float(int(rng() % 30) - 10), y = float(int(rng() % 20) - 8);
      // One layer enlarged, so it is resampled from its rotated picture.
      const float scale = i == 4 ? 1.5f : 1.0f;
      for (TImgView32* view : {&fast, &slow}) {
        TBitmapLayer& layer = view->Layers().Add<TBitmapLayer>();
        layer.Bitmap() = FromPixels(w, h, moved.back());
        ApplyBlendMode(layer.Bitmap(), modes[i]);
        layer.Bitmap().SetMasterAlpha(100 + 15 * unsigned(i));
        layer.SetLocation(TFloatRect{x, y, x + float(w) * scale, y + float(h) * scale});
        layer.SetCropped(i == 6);
      }
    }
  }
  static TBitmap32& Surface(TImgView32& view, int i) {
    return static_cast<TBitmapLayer&>(view.Layers()[i]).Bitmap();
  }
  void Step() {
    for (int i = 0; i < int(motion.size()); ++i) {
      auto [dx, dy] = motion[std::size_t(i)];
      Surface(fast, i).ScrollWrap(dx, dy);
      TBitmap32& s = Surface(slow, i);
      MoveForReal(moved[std::size_t(i)], s.Width(), s.Height(), dx, dy);
      std::copy(moved[std::size_t(i)].begin(), moved[std::size_t(i)].end(), s.Bits());
    }
  }
};

TEST(ScrolledDrawing, WholeFramesAfterManyStepsMatchPixelsMovedForReal) {
  const int saved = ComposeThreads();
  TwinViews twins(31);
  for (int frame = 1; frame <= 60; ++frame) {
    twins.Step();
    SetComposeThreads(frame % 3 == 0 ? 2 : 1);
    GridCounter() = std::uint16_t(frame * 977);
    twins.fast.Compose();
    const std::uint16_t counter = GridCounter();
    GridCounter() = std::uint16_t(frame * 977);
    twins.slow.Compose();
    ASSERT_EQ(Pixels(twins.fast.Buffer()), Pixels(twins.slow.Buffer())) << "frame " << frame;
    ASSERT_EQ(counter, GridCounter()) << "frame " << frame;
  }
  SetComposeThreads(saved);
  for (int i = 0; i < int(twins.motion.size()); ++i)
    EXPECT_EQ(Pixels(TwinViews::Surface(twins.fast, i)), twins.moved[std::size_t(i)]);
}

class ScrolledSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(5);
    original = RandomPixels(rng, std::size_t(kW) * kH);
    Scroll(original);
  }
  // `scrolled` keeps the rotation as a number; `moved` has it for real.
  void Scroll(const std::vector<TColor32>& from) {
    scrolled = FromPixels(kW, kH, from);
    moved = from;
    for (auto [dx, dy] : {std::pair{3, 1}, {-5, 2}, {0, -1}, {6, 0}}) {
      scrolled.ScrollWrap(dx, dy);
      MoveForReal(moved, kW, kH, dx, dy);
    }
    ASSERT_NE(scrolled.Store().start, 0u);
  }
  static constexpr int kW = 13, kH = 7;
  std::vector<TColor32> original, moved;
  TBitmap32 scrolled;
};

TEST_F(ScrolledSurface, PixelAccessSeesTheRotatedPicture) {
  EXPECT_EQ(scrolled.Pixel(4, 3), moved[3 * kW + 4]);
  EXPECT_EQ(scrolled.PixelS(12, 6), moved[6 * kW + 12]);
  Scroll(original);
  EXPECT_EQ(scrolled.RowPointer(2)[5], moved[2 * kW + 5]);
  // A write lands where the rotated picture has it, and later steps carry it.
  Scroll(original);
  scrolled.SetPixel(1, 1, 0x12345678u);
  moved[kW + 1] = 0x12345678u;
  scrolled.ScrollWrap(-2, 3);
  MoveForReal(moved, kW, kH, -2, 3);
  EXPECT_EQ(Pixels(scrolled), moved);
}

TEST_F(ScrolledSurface, CopiesAndMovesCarryTheRotatedPicture) {
  const TBitmap32 copy(scrolled);
  EXPECT_EQ(Pixels(copy), moved);
  TBitmap32 assigned;
  assigned = scrolled;
  EXPECT_EQ(Pixels(assigned), moved);
  TBitmap32 copied;
  copied.CopyFrom(scrolled);
  EXPECT_EQ(Pixels(copied), moved);
  TBitmap32 sameSize = FromPixels(kW, kH, original);
  sameSize.CopyFrom(scrolled);
  EXPECT_EQ(Pixels(sameSize), moved);
  TBitmap32 taken(std::move(copied));
  EXPECT_EQ(Pixels(taken), moved);
  TBitmap32 movedInto;
  movedInto = std::move(taken);
  EXPECT_EQ(Pixels(movedInto), moved);
  // The copies keep scrolling like the original.
  movedInto.ScrollWrap(1, 1);
  MoveForReal(moved, kW, kH, 1, 1);
  EXPECT_EQ(Pixels(movedInto), moved);
}

TEST_F(ScrolledSurface, WholeSurfaceOperationsSeeTheRotatedPicture) {
  EXPECT_EQ(EncodeBmp32(scrolled), EncodeBmp32(FromPixels(kW, kH, moved)));
  Scroll(original);
  scrolled.ForceOpaque(255);
  for (auto& p : moved) p |= 0xFF000000u;
  EXPECT_EQ(Pixels(scrolled), moved);
  Scroll(original);
  TBitmap32 reference = FromPixels(kW, kH, moved);
  scrolled.FillRectBlended(TRect{2, 1, 9, 5}, Color32(10, 20, 30, 100));
  reference.FillRectBlended(TRect{2, 1, 9, 5}, Color32(10, 20, 30, 100));
  EXPECT_EQ(Pixels(scrolled), Pixels(reference));
  Scroll(original);
  scrolled.FillAll(0xFF00FF00u);
  EXPECT_EQ(Pixels(scrolled), std::vector<TColor32>(std::size_t(kW) * kH, 0xFF00FF00u));
}

TEST_F(ScrolledSurface, ResampledAndSelfDrawsSeeTheRotatedPicture) {
  const TBitmap32 reference = FromPixels(kW, kH, moved);
  for (const char* resampler :
       {"TNearestResampler", "TLinearResampler", "TDraftResampler", "TKernelResampler"}) {
    Scroll(original);
    scrolled.SetResamplerClassName(resampler);
    TBitmap32 ref(reference);
    ref.SetResamplerClassName(resampler);
    TBitmap32 a, b;
    a.Resize(30, 20);
    a.FillAll(0);
    b.Resize(30, 20);
    b.FillAll(0);
    scrolled.StretchOnto(a, TRect{1, 2, 28, 19});
    ref.StretchOnto(b, TRect{1, 2, 28, 19});
    EXPECT_EQ(Pixels(a), Pixels(b)) << resampler;
  }
  // Drawn onto itself, shifted: reads from a copy of the rotated picture.
  Scroll(original);
  TBitmap32 ref(reference);
  scrolled.DrawTo(scrolled, 2, 1);
  ref.DrawTo(ref, 2, 1);
  EXPECT_EQ(Pixels(scrolled), Pixels(ref));
}

TEST(ScrollWrapTimes, ManyStepsAtOnceEqualStepsOneByOne) {
  std::mt19937 rng(9);
  for (auto [w, h, dx, dy] : {std::tuple{7, 5, 2, 1},
                              {7, 5, -6, -4},
                              {1, 9, 0, 3},
                              {9, 1, -4, 0},
                              {6, 4, 6, 1},  // as wide as the picture: stands still
                              {5, 3, 1, -3}}) {
    const auto start = RandomPixels(rng, std::size_t(w) * h);
    TBitmap32 once = FromPixels(w, h, start);
    std::vector<TColor32> oneByOne = start;
    for (std::uint64_t times : {0u, 1u, 2u, 7u, 35u, 36u, 1000u}) {
      TBitmap32 b = FromPixels(w, h, start);
      std::vector<TColor32> ref = start;
      for (std::uint64_t i = 0; i < times; ++i) MoveForReal(ref, w, h, dx, dy);
      int changes = 0;
      b.OnChange = [&](TBitmap32&, const TRect&) { ++changes; };
      b.ScrollWrap(dx, dy, times);
      EXPECT_EQ(Pixels(b), ref) << w << "x" << h << " (" << dx << ", " << dy << ") x " << times;
      EXPECT_EQ(changes, times > 0 && std::abs(dx) < w && std::abs(dy) < h ? 1 : 0);
    }
    // A billion steps take no longer than one, and land where the rotation
    // modulo the pixel count says.
    const std::uint64_t n = std::uint64_t(w) * std::uint64_t(h);
    const std::int64_t s = dx + std::int64_t(dy) * w;
    const std::uint64_t billion = 1000000000u;
    const std::uint64_t times = billion % n;
    TBitmap32 far = FromPixels(w, h, start);
    far.ScrollWrap(dx, dy, billion);
    TBitmap32 near = FromPixels(w, h, start);
    near.ScrollWrap(dx, dy, times);
    EXPECT_EQ(Pixels(far), Pixels(near)) << w << "x" << h << " s " << s;
  }
  // The largest step and count still wrap exactly.
  TBitmap32 big = FromPixels(3, 2, {0, 1, 2, 3, 4, 5});
  big.ScrollWrap(2, 1, UINT64_MAX);  // s = 5 = -1 mod 6; UINT64_MAX = 3 mod 6
  EXPECT_EQ(Pixels(big), (std::vector<TColor32>{3, 4, 5, 0, 1, 2}));
}

}  // namespace
}  // namespace quenvar
