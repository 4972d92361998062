#pragma once
// Watches the largest single allocation made through operator new while one
// is alive: a reader that refuses a hostile header must refuse it before it
// takes the memory the header asks for. Each test program that uses it
// compiles largestallocation_impl.h into one of its files.
#include <cstddef>

namespace quenvar::testing {

class LargestAllocation {
 public:
  LargestAllocation();  // starts watching from zero
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
  // The largest request since construction, in bytes.
  std::size_t Bytes() const;
  // All requests since construction together, in bytes.
  std::size_t TotalBytes() const;
};

}  // namespace quenvar::testing
