#pragma once
// Inflating a ZIP-compressed PSD channel piece by piece, so that a plane can
// be taken row by row.
#include <cstddef>
#include <cstdint>
#include <span>

#include <zlib.h>

namespace quenvar {

class PsdInflater {
 public:
  explicit PsdInflater(std::span<const std::uint8_t> compressed);
  ~PsdInflater();
  PsdInflater(const PsdInflater&) = delete;
  PsdInflater& operator=(const PsdInflater&) = delete;

  // Fills as much of `out` as the data gives and returns how much; 0 once
  // the data has ended. Throws quenvar::Error when the data is damaged.
  std::size_t Next(std::span<std::uint8_t> out);

 private:
  z_stream z_{};
  std::span<const std::uint8_t> compressed_;
  std::size_t fed_ = 0;
  bool ended_ = false;
};

}  // namespace quenvar
