#include "psd/psdplanewindow.h"

#include <algorithm>
#include <cstring>

namespace quenvar {

PsdPlaneWindowWriter::PsdPlaneWindowWriter(std::int32_t width, int bytesPerSample,
                                           const TPsdPlaneWindow& window,
                                           std::span<std::uint8_t> kept)
    : rowBytes_(std::uint64_t(width) * std::uint64_t(bytesPerSample)),
      keepFrom_(std::uint64_t(window.left) * std::uint64_t(bytesPerSample)),
      keepTo_(keepFrom_ + std::uint64_t(window.width) * std::uint64_t(bytesPerSample)),
      firstRow_(std::uint64_t(window.top)),
      endRow_(std::uint64_t(window.top) + std::uint64_t(window.height)),
      kept_(kept) {}

template <class Put>
void PsdPlaneWindowWriter::Pass(std::size_t count, Put put) {
  std::size_t from = 0;
  while (from < count && rowBytes_ > 0) {
    const std::uint64_t row = position_ / rowBytes_;
    if (row >= endRow_) break;  // nothing further is kept
    const std::uint64_t column = position_ % rowBytes_;
    const std::uint64_t n = std::min<std::uint64_t>(count - from, rowBytes_ - column);
    const std::uint64_t first = std::max(column, keepFrom_);
    const std::uint64_t last = std::min(column + n, keepTo_);
    if (row >= firstRow_ && first < last) {
      const std::uint64_t to = (row - firstRow_) * (keepTo_ - keepFrom_) + (first - keepFrom_);
      put(from + std::size_t(first - column), std::size_t(to), std::size_t(last - first));
    }
    position_ += n;
    from += std::size_t(n);
  }
  position_ += count - from;
}

void PsdPlaneWindowWriter::Fill(std::uint8_t value, std::size_t count) {
  Pass(count, [&](std::size_t, std::size_t to, std::size_t n) {
    std::memset(kept_.data() + to, value, n);
  });
}

void PsdPlaneWindowWriter::Copy(const std::uint8_t* bytes, std::size_t count) {
  Pass(count, [&](std::size_t from, std::size_t to, std::size_t n) {
    std::memcpy(kept_.data() + to, bytes + from, n);
  });
}

}  // namespace quenvar
