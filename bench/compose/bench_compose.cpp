// Compositing speed: every blend mode's draw in megapixels per second at
// 768 x 576 and 1920 x 1080, next to the memory floor (read two buffers,
// write one, with the widest vectors the processor has) and pixman's nearest
// operator, and whole frames per second for a demo-like and a heavy layer
// stack with one thread and with all threads, and the heavy stack at
// 3840 x 2160 with one and two threads; the HSL row kernels next to their
// scalar reference. After the runs a table gives
// each mode's ratios to the floor and to pixman, and the targets.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "compose/bandpool.h"
#include "compose/blendmodes.h"
#include "compose/kernels.h"
#include "compose/layerstack.h"

using namespace quenvar;

namespace {

struct Size {
  int w, h;
};
constexpr Size kSizes[] = {{768, 576}, {1920, 1080}};

// A mode as the benchmark draws it: one of the program's operations, or the
// alpha blend (bmNone), with pixman's nearest operator and the target at
// 1920 x 1080 on one thread: in Mpix/s, and for the simple per-channel modes
// also as a share of the memory floor.
struct Mode {
  const char* name;
  TBlendMode mode;
  pixman_op_t pixman;
  int target;
  double floorShare = 0;
};

const std::vector<Mode>& Modes() {
  static const std::vector<Mode> modes = {
      {"multiply", bmMultiply, PIXMAN_OP_MULTIPLY, 2500, 0.5},
      {"screen", bmScreen, PIXMAN_OP_SCREEN, 2500, 0.5},
      {"darken", bmDarken, PIXMAN_OP_DARKEN, 2500, 0.5},
      {"lighten", bmLighten, PIXMAN_OP_LIGHTEN, 2500, 0.5},
      {"average", bmAverage, PIXMAN_OP_OVER, 2500, 0.5},
      {"difference", bmDifference, PIXMAN_OP_DIFFERENCE, 2500, 0.5},
      {"negation", bmNegation, PIXMAN_OP_DIFFERENCE, 2500, 0.5},
      {"exclusion", bmExclusion, PIXMAN_OP_EXCLUSION, 2500, 0.5},
      {"stamp", bmStamp, PIXMAN_OP_ADD, 2500},
      {"and", bmAnd, PIXMAN_OP_OVER, 2500},
      {"or", bmOr, PIXMAN_OP_OVER, 2500},
      {"xor", bmXor, PIXMAN_OP_OVER, 2500},
      {"colourshift", bmColorshift, PIXMAN_OP_OVER, 2500},
      {"red", bmRed, PIXMAN_OP_OVER, 2500},
      {"green", bmGreen, PIXMAN_OP_OVER, 2500},
      {"blue", bmBlue, PIXMAN_OP_OVER, 2500},
      {"alphablend", bmNone, PIXMAN_OP_OVER, 2500, 0.5},
      {"overlay", bmOverlay, PIXMAN_OP_OVERLAY, 2000},
      {"hardlight", bmHardlight, PIXMAN_OP_HARD_LIGHT, 2000},
      {"dodge", bmDodge, PIXMAN_OP_COLOR_DODGE, 1000},
      {"burn", bmBurn, PIXMAN_OP_COLOR_BURN, 1000},
      {"reflect", bmReflect, PIXMAN_OP_COLOR_DODGE, 1000},
      {"glow", bmGlow, PIXMAN_OP_COLOR_DODGE, 1000},
      {"freeze", bmFreeze, PIXMAN_OP_COLOR_BURN, 1000},
      {"heat", bmHeat, PIXMAN_OP_COLOR_BURN, 1000},
      {"grid4", bmGrid4, PIXMAN_OP_OVER, 1000},
      {"hue", bmHue, PIXMAN_OP_HSL_HUE, 300},
      {"saturation", bmSaturation, PIXMAN_OP_HSL_SATURATION, 300},
      {"lightness", bmLightness, PIXMAN_OP_HSL_LUMINOSITY, 300},
  };
  return modes;
}

// Random colours with alpha varied over the whole range, half of it opaque.
void FillPicture(TColor32* p, std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t r = rng();
    const std::uint32_t a = (r & 1) ? 255u : (r >> 24);
    p[i] = (r & 0x00FFFFFFu) | (a << 24);
  }
}

TBitmap32 Picture(int w, int h, std::uint32_t seed) {
  TBitmap32 b;
  b.Resize(w, h);
  FillPicture(b.Bits(), std::size_t(w) * std::size_t(h), seed);
  return b;
}

void SetMpix(benchmark::State& state, std::int64_t pixels) {
  state.counters["Mpix/s"] =
      benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// One layer the size of the frame drawn with its mode at opacity 200, on
// one thread.
void BM_Mode(benchmark::State& state, Mode mode, Size size) {
  const int saved = ComposeThreads();
  SetComposeThreads(1);
  TBitmap32 layer = Picture(size.w, size.h, 1);
  ApplyBlendMode(layer, mode.mode);
  layer.SetMasterAlpha(200);
  TBitmap32 frame = Picture(size.w, size.h, 2);
  const TRect dst{0, 0, size.w, size.h};
  for (auto _ : state) {
    layer.StretchOnto(frame, dst);
    benchmark::DoNotOptimize(frame.Bits());
    benchmark::ClobberMemory();
  }
  SetMpix(state, std::int64_t(size.w) * size.h);
  SetComposeThreads(saved);
}

// The memory floor: read two buffers, write one (the frame-sized buffers of
// a draw: the layer and the frame it writes into), written over the second
// as drawing writes over the frame. One form per vector width, so the floor
// is what the memory gives and not what one instruction at a time gives.
#define QV_FLOOR_LOOP(bytes)                                   \
  typedef std::uint32_t V __attribute__((vector_size(bytes))); \
  constexpr std::size_t k = bytes / 4;                         \
  std::size_t i = 0;                                           \
  for (; i + k <= n; i += k) {                                 \
    V x, y;                                                    \
    std::memcpy(&x, a + i, bytes);                             \
    std::memcpy(&y, b + i, bytes);                             \
    y ^= x;                                                    \
    std::memcpy(b + i, &y, bytes);                             \
  }                                                            \
  for (; i < n; ++i) b[i] ^= a[i];

__attribute__((target("avx512f"))) void FloorAvx512(const TColor32* a, TColor32* b, std::size_t n) {
  QV_FLOOR_LOOP(64)
}
__attribute__((target("avx2"))) void FloorAvx2(const TColor32* a, TColor32* b, std::size_t n) {
  QV_FLOOR_LOOP(32)
}
void FloorSse2(const TColor32* a, TColor32* b, std::size_t n) {
  QV_FLOOR_LOOP(16)
}
#undef QV_FLOOR_LOOP

using FloorLoop = void (*)(const TColor32*, TColor32*, std::size_t);
FloorLoop WidestFloor() {
  if (__builtin_cpu_supports("avx512f")) return &FloorAvx512;
  if (__builtin_cpu_supports("avx2")) return &FloorAvx2;
  return &FloorSse2;
}

void BM_Floor(benchmark::State& state, Size size) {
  const std::size_t n = std::size_t(size.w) * std::size_t(size.h);
  std::vector<TColor32> a(n), b(n);
  // Random contents: pages of one repeated value can be shared by the host
  // and would measure a cache instead of memory.
  FillPicture(a.data(), n, 3);
  FillPicture(b.data(), n, 4);
  const FloorLoop floor = WidestFloor();
  for (auto _ : state) {
    floor(a.data(), b.data(), n);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  SetMpix(state, std::int64_t(n));
}

// pixman's operator with a solid mask of alpha 200 standing for the opacity.
void BM_Pixman(benchmark::State& state, Mode mode, Size size) {
  const std::size_t n = std::size_t(size.w) * std::size_t(size.h);
  std::vector<TColor32> src(n), dst(n);
  FillPicture(src.data(), n, 1);
  FillPicture(dst.data(), n, 2);
  // pixman takes premultiplied colour: scale each channel by its alpha.
  for (auto& p : src) {
    const unsigned a = p >> 24;
    auto ch = [&](int shift) { return (((p >> shift) & 255) * a / 255) << shift; };
    p = (a << 24) | ch(16) | ch(8) | ch(0);
  }
  pixman_image_t* s =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, size.w, size.h, src.data(), size.w * 4);
  pixman_image_t* d =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, size.w, size.h, dst.data(), size.w * 4);
  const pixman_color_t opacity{0, 0, 0, 200 * 257};
  pixman_image_t* m = pixman_image_create_solid_fill(&opacity);
  for (auto _ : state) {
    pixman_image_composite32(mode.pixman, s, m, d, 0, 0, 0, 0, 0, 0, size.w, size.h);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  pixman_image_unref(m);
  pixman_image_unref(d);
  pixman_image_unref(s);
  SetMpix(state, std::int64_t(n));
}

// A view over a white canvas with a flat background, its layers given as
// modes; each layer is a random picture a little larger than the canvas,
// placed off the corner, with opacity between 160 and 255.
struct StackView {
  TImgView32 view;
  StackView(Size size, const std::vector<TBlendMode>& modes) {
    view.PaintStages()[0].Stage = PST_CUSTOM;
    view.OnPaintStage = [](TImage32&, TBitmap32& buffer, int) {
      buffer.FillAll(Color32(200, 200, 200));
    };
    view.SetClientSize(size.w, size.h);
    view.Bitmap().Resize(size.w, size.h);
    view.Bitmap().FillAll(Color32(255, 255, 255));
    std::mt19937 rng(11);
    for (std::size_t i = 0; i < modes.size(); ++i) {
      TBitmapLayer& l = view.Layers().Add<TBitmapLayer>();
      const int w = size.w + int(rng() % 64), h = size.h + int(rng() % 64);
      l.Bitmap().CopyFrom(Picture(w, h, std::uint32_t(20 + i)));
      if (i == 0) l.Bitmap().ForceOpaque(255);
      ApplyBlendMode(l.Bitmap(), modes[i]);
      l.Bitmap().SetMasterAlpha(160 + rng() % 96);
      const float x = -float(rng() % 32), y = -float(rng() % 32);
      l.SetLocation(TFloatRect{x, y, x + float(w), y + float(h)});
    }
  }
};

const std::vector<TBlendMode> kDemoStack = {bmNone,    bmMultiply, bmScreen,  bmOverlay,
                                            bmAverage, bmDodge,    bmLighten, bmDifference};
const std::vector<TBlendMode> kHeavyStack = {
    bmNone,    bmMultiply, bmScreen, bmOverlay, bmHardlight, bmDodge, bmBurn,       bmHue,
    bmAverage, bmLighten,  bmDarken, bmStamp,   bmExclusion, bmGrid4, bmSaturation, bmDifference};

void BM_Frame(benchmark::State& state, std::vector<TBlendMode> modes, Size size, int threads) {
  const int saved = ComposeThreads();
  SetComposeThreads(threads);
  StackView stack(size, modes);
  for (auto _ : state) {
    stack.view.Compose();
    benchmark::DoNotOptimize(stack.view.Buffer().Bits());
  }
  state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
  SetComposeThreads(saved);
}

std::string SizeName(Size s) {
  return std::to_string(s.w) + "x" + std::to_string(s.h);
}

// One HSL operation's row kernel alone, over rows of 1920 pixels of a
// 1920 x 1080 layer at opacity 200, on one thread: the kernel set in force
// next to the scalar reference it must match.
void BM_HslKernel(benchmark::State& state, TBlendOp op, bool reference) {
  const Size size{1920, 1080};
  const std::size_t n = std::size_t(size.w) * std::size_t(size.h);
  std::vector<TColor32> f(n), b(n);
  FillPicture(f.data(), n, 1);
  FillPicture(b.data(), n, 2);
  const TRowKernel row = (reference ? ScalarKernels() : ActiveKernels()).ops[std::size_t(op)];
  for (auto _ : state) {
    for (int y = 0; y < size.h; ++y) {
      const std::size_t at = std::size_t(y) * std::size_t(size.w);
      row(f.data() + at, b.data() + at, size.w, 200);
    }
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  SetMpix(state, std::int64_t(n));
}

constexpr TBlendOp kHslOps[] = {TBlendOp::Hue, TBlendOp::Saturation, TBlendOp::Lightness};

// Every measurement is taken in each of three passes over the whole list, so
// the figures that the table sets side by side (a mode and the floor, one
// thread and two) are measured close together each time.
constexpr int kPasses = 3;

void RegisterAll() {
  const int all = int(std::max(1u, std::thread::hardware_concurrency()));
  for (int pass = 0; pass < kPasses; ++pass) {
    for (const Size size : kSizes) {
      benchmark::RegisterBenchmark(("floor/" + SizeName(size)).c_str(), BM_Floor, size);
      for (const Mode& m : Modes()) {
        benchmark::RegisterBenchmark(("mode/" + std::string(m.name) + "/" + SizeName(size)).c_str(),
                                     BM_Mode, m, size);
        if (pass == 0)
          benchmark::RegisterBenchmark(
              ("pixman/" + std::string(m.name) + "/" + SizeName(size)).c_str(), BM_Pixman, m, size);
      }
    }
    for (int threads : {1, all}) {
      const std::string t = "/threads:" + std::to_string(threads);
      benchmark::RegisterBenchmark(("frame/demo8/768x576" + t).c_str(), BM_Frame, kDemoStack,
                                   Size{768, 576}, threads)
          ->UseRealTime();
    }
    for (int threads : {1, all}) {
      const std::string t = "/threads:" + std::to_string(threads);
      benchmark::RegisterBenchmark(("frame/heavy16/1920x1080" + t).c_str(), BM_Frame, kHeavyStack,
                                   Size{1920, 1080}, threads)
          ->UseRealTime();
    }
    for (int threads : {1, 2}) {
      const std::string t = "/threads:" + std::to_string(threads);
      benchmark::RegisterBenchmark(("frame/heavy16/3840x2160" + t).c_str(), BM_Frame, kHeavyStack,
                                   Size{3840, 2160}, threads)
          ->UseRealTime();
    }
    for (const TBlendOp op : kHslOps) {
      for (const bool reference : {false, true}) {
        const std::string name =
            std::string("hsl/") + BlendOpName(op) + (reference ? "/reference" : "/kernel");
        benchmark::RegisterBenchmark(name.c_str(), BM_HslKernel, op, reference);
      }
    }
  }
}

// Keeps every benchmark's best rate over the passes, so the closing table can
// put them side by side. The machine is shared: the best of a few runs is
// what the code can do, the others measure the neighbours too.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rate;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      for (const char* key : {"Mpix/s", "frames/s"}) {
        const auto it = r.counters.find(key);
        if (it != r.counters.end()) {
          double& best = rate[r.benchmark_name()];
          best = std::max(best, it->second.value);
        }
      }
    }
  }
};

void PrintTable(const TableReporter& rep) {
  auto get = [&](const std::string& name) {
    const auto it = rep.rate.find(name);
    return it == rep.rate.end() ? 0.0 : it->second;
  };
  std::printf(
      "\nKernels: %s. Best of %d runs, Mpix/s on one thread; 'floor' reads two buffers and "
      "writes one;\n",
      ActiveKernels().name, kPasses);
  std::printf("'pixman' is its nearest operator with a solid mask of alpha 200.\n\n");
  std::printf("%-12s", "mode");
  for (const Size s : kSizes)
    std::printf(" | %9s %8s %8s %8s", SizeName(s).c_str(), "/floor", "pixman", "xpixman");
  std::printf(" | target (1920x1080)\n");
  for (const Mode& m : Modes()) {
    std::printf("%-12s", m.name);
    bool met = true;
    for (const Size s : kSizes) {
      const double mine = get("mode/" + std::string(m.name) + "/" + SizeName(s));
      const double floor = get("floor/" + SizeName(s));
      const double px = get("pixman/" + std::string(m.name) + "/" + SizeName(s));
      std::printf(" | %9.0f %8.2f %8.0f %8.1f", mine, floor > 0 ? mine / floor : 0, px,
                  px > 0 ? mine / px : 0);
      if (s.w == 1920) {
        met = mine >= m.target;
        if (m.floorShare > 0) met = met && floor > 0 && mine / floor >= m.floorShare;
      }
    }
    if (m.floorShare > 0)
      std::printf(" | %5d, %.2f floor %s\n", m.target, m.floorShare, met ? "met" : "SHORT");
    else
      std::printf(" | %5d %s\n", m.target, met ? "met" : "SHORT");
  }
  for (const Size s : kSizes)
    std::printf("floor %s: %.0f Mpix/s\n", SizeName(s).c_str(), get("floor/" + SizeName(s)));
  const int all = int(std::max(1u, std::thread::hardware_concurrency()));
  const std::string t1 = "/threads:1/real_time",
                    tn = "/threads:" + std::to_string(all) + "/real_time";
  const double d1 = get("frame/demo8/768x576" + t1), dn = get("frame/demo8/768x576" + tn);
  const double h1 = get("frame/heavy16/1920x1080" + t1), hn = get("frame/heavy16/1920x1080" + tn);
  std::printf(
      "\nframes/s  demo-like (8 layers, 768x576):  1 thread %.0f, %d threads %.0f"
      "  (target 400 on 1 thread)\n",
      d1, all, dn);
  std::printf(
      "frames/s  heavy (16 layers, 1920x1080):   1 thread %.1f, %d threads %.1f"
      " = %.2fx  (target 60, and 1.8x with two threads)\n",
      h1, all, hn, h1 > 0 ? hn / h1 : 0);
  const double u1 = get("frame/heavy16/3840x2160" + t1),
               u2 = get("frame/heavy16/3840x2160/threads:2/real_time");
  std::printf(
      "frames/s  heavy (16 layers, 3840x2160):   1 thread %.1f, 2 threads %.1f"
      "  (target 30 on two threads)\n",
      u1, u2);
  std::printf("\nHSL row kernels (%s) against the scalar reference, Mpix/s on one thread:\n",
              ActiveKernels().name);
  for (const TBlendOp op : kHslOps) {
    const std::string name = std::string("hsl/") + BlendOpName(op);
    const double k = get(name + "/kernel"), r = get(name + "/reference");
    std::printf("%-12s kernel %6.0f  reference %6.0f  = %.1fx  (target 1000)\n", BlendOpName(op), k,
                r, r > 0 ? k / r : 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterAll();
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter);
  benchmark::Shutdown();
  return 0;
}
