#pragma once
// Frames to write and ways to compare what comes back.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/error.h"
#include "video/videowriter.h"

namespace quenvar::videotest {

// A frame of smooth colour waves that move with `n`, opaque.
inline std::vector<std::uint32_t> MovingFrame(int width, int height, int n) {
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  auto wave = [](double t) { return std::uint32_t(127.5 + 127.5 * std::sin(t)); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = wave((x + n) * 0.11);
      const std::uint32_t g = wave((y - n) * 0.13 + 1);
      const std::uint32_t b = wave((x + y) * 0.07 + n * 0.2);
      pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
          0xFF000000u | r << 16 | g << 8 | b;
    }
  return pixels;
}

// Peak signal-to-noise ratio over R, G and B of the width x height area
// both frames share; `stride` is the decoded frame's row length.
inline double Psnr(const std::vector<std::uint32_t>& original, int width, int height,
                   const std::vector<std::uint32_t>& decoded, int stride) {
  double squares = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t a = original[std::size_t(y) * std::size_t(width) + std::size_t(x)];
      const std::uint32_t b = decoded[std::size_t(y) * std::size_t(stride) + std::size_t(x)];
      for (int shift : {0, 8, 16}) {
        const double d = double(int(a >> shift & 255) - int(b >> shift & 255));
        squares += d * d;
      }
    }
  const double mse = squares / (double(width) * double(height) * 3);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh empty folder under the system's temporary folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() / ("quenvar-video-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// Why a video cannot be opened with these settings; empty when it can.
inline std::string RefusalOf(const std::string& file, const TVideoSettings& settings) {
  try {
    TVideoWriter writer(file, settings);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

}  // namespace quenvar::videotest
