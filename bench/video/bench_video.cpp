// Writing rendered frames: into each kind of video, against 32-bit bitmap
// files. Frames per second are the items per second; compare the rows of
// one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "compose/surface.h"
#include "project/framestep.h"
#include "video/videowriter.h"

namespace {

// Smooth colour waves that move with each frame, like a scrolling layer.
void Paint(quenvar::TBitmap32& frame, int n) {
  for (int y = 0; y < frame.Height(); ++y) {
    quenvar::TColor32* row = frame.RowPointer(y);
    for (int x = 0; x < frame.Width(); ++x) {
      auto wave = [](double t) { return std::uint32_t(127.5 + 127.5 * std::sin(t)); };
      row[x] = 0xFF000000u | wave((x + 3 * n) * 0.021) << 16 | wave((y - n) * 0.033 + 1) << 8 |
               wave((x + y) * 0.011 + n * 0.05);
    }
  }
}

constexpr int kFrames = 16;  // distinct frames, written in turn

std::vector<quenvar::TBitmap32> Frames(int width, int height) {
  std::vector<quenvar::TBitmap32> frames(kFrames);
  for (int n = 0; n < kFrames; ++n) {
    frames[std::size_t(n)].Resize(width, height);
    Paint(frames[std::size_t(n)], n);
  }
  return frames;
}

std::filesystem::path Folder() {
  const auto folder = std::filesystem::temp_directory_path() / "quenvar-bench-video";
  std::filesystem::create_directories(folder);
  return folder;
}

void BM_Video(benchmark::State& state, const char* extension) {
  const int width = int(state.range(0)), height = int(state.range(1));
  const auto frames = Frames(width, height);
  const std::string file = (Folder() / (std::string("bench") + extension)).string();
  quenvar::TVideoWriter writer(file, quenvar::TVideoSettings{width, height, 25});
  std::size_t n = 0;
  for (auto _ : state) {
    const quenvar::TBitmap32& frame = frames[n++ % kFrames];
    writer.WriteFrame(frame.Bits(), frame.Width());
  }
  writer.Finish();  // the encoder's delayed frames count too
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove(file);
}

// The loop kinds, a whole loop per iteration with Finish, where a GIF is
// encoded. `quality`: a WebP's, -1 lossless.
void BM_Loop(benchmark::State& state, const char* extension, int quality) {
  const int width = int(state.range(0)), height = int(state.range(1));
  const auto frames = Frames(width, height);
  const std::string file = (Folder() / (std::string("loop") + extension)).string();
  for (auto _ : state) {
    quenvar::TVideoSettings settings{width, height, 25};
    settings.quality = quality;
    quenvar::TVideoWriter writer(file, settings);
    for (const auto& frame : frames) writer.WriteFrame(frame.Bits(), frame.Width());
    writer.Finish();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  std::filesystem::remove(file);
}

void BM_Bitmaps(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  const auto frames = Frames(width, height);
  const std::string folder = Folder().string() + "/";
  std::int64_t n = 0;
  for (auto _ : state) {
    frames[std::size_t(n % kFrames)].SaveBmpFile(quenvar::RecordFileName(folder, "Bench", n));
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
  for (std::int64_t i = 0; i < n; ++i)
    std::filesystem::remove(quenvar::RecordFileName(folder, "Bench", i));
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({768, 576})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
  b->MinTime(2.0);
}

BENCHMARK(BM_Bitmaps)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Video, mp4, ".mp4")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Video, mkv, ".mkv")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Video, avi, ".avi")->Apply(Sizes);

void LoopSize(benchmark::internal::Benchmark* b) {
  b->Args({768, 576})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

BENCHMARK_CAPTURE(BM_Loop, gif, ".gif", -1)->Apply(LoopSize);
BENCHMARK_CAPTURE(BM_Loop, apng, ".apng", -1)->Apply(LoopSize);
BENCHMARK_CAPTURE(BM_Loop, webp_lossless, ".webp", -1)->Apply(LoopSize);
BENCHMARK_CAPTURE(BM_Loop, webp_q80, ".webp", 80)->Apply(LoopSize);
BENCHMARK_CAPTURE(BM_Loop, webm, ".webm", -1)->Apply(LoopSize);

}  // namespace

BENCHMARK_MAIN();
