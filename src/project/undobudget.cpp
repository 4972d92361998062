#include "project/undobudget.h"

#include <unistd.h>

#include <algorithm>

namespace quenvar {

const char* const kUndoHistoryClearedLine =
    "Undo history cleared: the last edit needs more memory than undo may keep.";

std::uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return std::uint64_t(pages) * std::uint64_t(pageSize);
}

std::size_t DefaultUndoBudget(std::uint64_t physicalMemory) {
  constexpr std::uint64_t kMost = std::uint64_t(1) << 30;
  const std::uint64_t quarter = physicalMemory / 4;
  return std::size_t(physicalMemory == 0 ? kMost : std::min(kMost, quarter));
}

std::size_t OldestStepsToDrop(const std::vector<std::size_t>& sizes, std::size_t budget) {
  // Summed from the newest back, so the steps kept are the latest that fit.
  std::size_t total = 0;
  for (std::size_t kept = 0; kept < sizes.size(); ++kept) {
    const std::size_t size = sizes[sizes.size() - 1 - kept];
    if (size > budget - total) return sizes.size() - kept;
    total += size;
  }
  return 0;
}

}  // namespace quenvar
