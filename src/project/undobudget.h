#pragma once
// How much memory undo may keep, and which of the oldest steps go when the
// steps kept would take more.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quenvar {

// The line the status log shows when one edit alone was too large to keep.
extern const char* const kUndoHistoryClearedLine;

// The machine's physical memory in bytes; 0 when it cannot be told.
std::uint64_t PhysicalMemoryBytes();
// 1 GiB, or a quarter of `physicalMemory` when that is less (and known).
std::size_t DefaultUndoBudget(std::uint64_t physicalMemory);
// How many of the oldest steps (sizes in bytes, oldest first) must go so the
// rest fit in `budget`: all of them when the newest alone does not fit.
std::size_t OldestStepsToDrop(const std::vector<std::size_t>& sizes, std::size_t budget);

}  // namespace quenvar
