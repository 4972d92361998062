// Saving and loading a project of 16 layers of 1920 x 1080 PNG pictures,
// next to `zip -6` and `unzip` of the same files in the same run, and the
// peak memory of a load compared with the decoded pictures it holds.
// Then the large project (32 layers of 2048 x 2048 RGBA PNG pictures, made
// by make_big_project.py in /tmp): open and first frame with
// `quenvar-render --frames 1`, its time next to decoding the same PNG files
// one after another with `pngtopam`, and its peak memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/coreinit.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/zylarchive.h"

using namespace quenvar;

namespace {

constexpr int kLayers = 16, kWidth = 1920, kHeight = 1080;
const std::filesystem::path kDir = std::filesystem::temp_directory_path() / "quenvar-bench-project";

std::string PicturePath(int i) {
  return (kDir / ("layer" + std::to_string(i) + ".png")).string();
}
std::string ProjectPath() {
  return (kDir / "bench.zyl").string();
}

// Smooth colour fields with a little noise: photographs compress about as much.
void WritePictures() {
  std::filesystem::create_directories(kDir);
  std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
  std::uint32_t seed = 12345;
  for (int i = 0; i < kLayers; ++i) {
    if (std::filesystem::exists(PicturePath(i))) continue;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const unsigned noise = (seed >> 28) & 7;
        const unsigned r = (x * 255 / kWidth + i * 16 + noise) & 255;
        const unsigned g = (y * 255 / kHeight + noise) & 255;
        const unsigned b = ((x + y) / 16 + i * 8) & 255;
        pixels[std::size_t(y) * kWidth + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
      }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_BGRA;
    png_image_write_to_file(&image, PicturePath(i).c_str(), 0, pixels.data(), 0, nullptr);
  }
}

void BuildProject() {
  CloseProject();
  auto* project = new TProject();
  project->width = kWidth;
  project->height = kHeight;
  for (int i = 0; i < kLayers; ++i) (new TBlendLayer())->OpenPictureFile(PicturePath(i));
  project->fileName = ProjectPath();
}

std::map<std::string, double> g_seconds;  // mean seconds per iteration

template <class F>
void Timed(benchmark::State& state, const char* name, F&& body) {
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  g_seconds[name] = total / double(state.iterations());
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

void BM_SaveProject(benchmark::State& state) {
  BuildProject();
  Timed(state, "save", [] {
    std::filesystem::remove(ProjectPath());
    CurrentProject()->Save();
  });
  CloseProject();
}

void BM_Zip6(benchmark::State& state) {
  std::string files;
  for (int i = 0; i < kLayers; ++i) files += " " + PicturePath(i);
  const std::string zip = (kDir / "plain.zip").string();
  Timed(state, "zip -6", [&] {
    std::filesystem::remove(zip);
    Shell("zip -6 -q -j " + zip + files);
  });
}

void BM_LoadProject(benchmark::State& state) {
  Timed(state, "load", [] {
    CloseProject();
    OpenProjectFile(ProjectPath());
  });
  CloseProject();
}

void BM_ExtractEntries(benchmark::State& state) {
  Timed(state, "extract", [] {
    TZylArchive archive(ProjectPath());
    for (const std::string& name : archive.EntryNames())
      benchmark::DoNotOptimize(archive.Extract(name, std::size_t(1) << 30));
  });
}

void BM_Unzip(benchmark::State& state) {
  const std::string out = (kDir / "unzipped").string();
  Timed(state, "unzip", [&] { Shell("unzip -o -q " + ProjectPath() + " -d " + out); });
}

// The large project.
constexpr int kBigLayers = 32, kBigSize = 2048;
const std::filesystem::path kBigDir =
    std::filesystem::temp_directory_path() / "quenvar-big-project";
std::string BigProjectPath() {
  return (kBigDir / "big.zyl").string();
}

void MakeBigProject() {
  Shell("python3 " QUENVAR_SOURCE_DIR "/bench/project/make_big_project.py " + kBigDir.string());
}

struct TChildRun {
  double seconds = 0;
  long peakKiB = 0;
};

// Runs a command in a child process; its wall time and peak resident memory.
TChildRun RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    // The renderer's account of the load is not wanted here.
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  TChildRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "failed: %s\n", args[0].c_str());
  return run;
}

long g_bigPeakKiB = 0;

void BM_OpenBigProjectFirstFrame(benchmark::State& state) {
  const std::string out = (kBigDir / "frames").string();
  std::filesystem::create_directories(out);
  double total = 0;
  for (auto _ : state) {
    const TChildRun run =
        RunChild({QUENVAR_RENDER, BigProjectPath(), "--frames", "1", "--out", out, "--quiet"});
    total += run.seconds;
    g_bigPeakKiB = std::max(g_bigPeakKiB, run.peakKiB);
  }
  g_seconds["big open"] = total / double(state.iterations());
  state.counters["peak_MiB"] = double(g_bigPeakKiB) / 1024.0;
}

void BM_PngtopamBigPictures(benchmark::State& state) {
  std::string files;
  for (int i = 0; i < kBigLayers; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "layer%02d.png", i);
    files += " " + (kBigDir / name).string();
  }
  Timed(state, "pngtopam",
        [&] { Shell("for f in" + files + "; do pngtopam \"$f\" > /dev/null || exit 1; done"); });
}

BENCHMARK(BM_OpenBigProjectFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PngtopamBigPictures)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Zip6)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractEntries)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Unzip)->Unit(benchmark::kMillisecond)->Iterations(3);

// Runs `body` in a fresh child process and returns the child's peak
// resident memory in KiB, so the figure is not hidden by this process's own.
template <class F>
long ChildPeakKiB(F&& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    _exit(int(std::min<long>(usage.ru_maxrss / 1024, 250)));  // MiB, in the exit status
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? long(WEXITSTATUS(status)) * 1024 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  InitCore();
  WritePictures();
  MakeBigProject();
  const long baseline = ChildPeakKiB([] {});
  ChildPeakKiB([] {
    BuildProject();
    CurrentProject()->Save();
  });
  const long peak = ChildPeakKiB([] { OpenProjectFile(ProjectPath()); });

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const double decodedMiB = double(kLayers) * kWidth * kHeight * 4 / (1 << 20);
  std::printf("\nsave / zip -6      : %.2fx (target 1.3x)\n",
              g_seconds["save"] / g_seconds["zip -6"]);
  std::printf("extract / unzip    : %.2fx (target 1.3x)\n",
              g_seconds["extract"] / g_seconds["unzip"]);
  std::printf("load / unzip       : %.2fx (load also decodes 16 PNG pictures)\n",
              g_seconds["load"] / g_seconds["unzip"]);
  std::printf(
      "load peak memory   : %.0f MiB above an idle process of %.0f MiB; decoded "
      "pictures %.0f MiB; ratio %.2f (target 2)\n",
      (peak - baseline) / 1024.0, baseline / 1024.0, decodedMiB,
      (peak - baseline) / 1024.0 / decodedMiB);
  std::uint64_t fileBytes = 0;
  for (int i = 0; i < kBigLayers; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "layer%02d.png", i);
    fileBytes += std::filesystem::file_size(kBigDir / name);
  }
  const double pixelMiB = double(kBigSize) * kBigSize * 4 / (1 << 20);
  const double fileMiB = double(fileBytes) / kBigLayers / (1 << 20);
  std::printf("\nlarge project, %d layers of %dx%d RGBA PNG (%.1f MiB files on average):\n",
              kBigLayers, kBigSize, kBigSize, fileMiB);
  std::printf("open + first frame / pngtopam : %.2fx (target 0.6x; %.2f s against %.2f s)\n",
              g_seconds["big open"] / g_seconds["pngtopam"], g_seconds["big open"],
              g_seconds["pngtopam"]);
  std::printf("peak memory                   : %.0f MiB (target 1000 MB)\n", g_bigPeakKiB / 1024.0);
  std::printf(
      "per layer                     : %.1f MiB above an idle process; target %.1f MiB "
      "(1.25 x %.0f MiB of pixels + %.1f MiB of file)\n",
      (g_bigPeakKiB - baseline) / 1024.0 / kBigLayers, 1.25 * pixelMiB + fileMiB, pixelMiB,
      fileMiB);
  return 0;
}
