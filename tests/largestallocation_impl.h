// The replacement operator new behind LargestAllocation: included by exactly
// one file of a test program.
#include <atomic>
#include <cstdlib>
#include <new>

#include "largestallocation.h"

namespace {

std::atomic<int> watchers{0};
std::atomic<std::size_t> largest{0};
std::atomic<std::size_t> total{0};

void* Allocate(std::size_t n) {
  if (watchers.load(std::memory_order_relaxed) > 0) {
    total.fetch_add(n, std::memory_order_relaxed);
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (n > seen && !largest.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) {
  return Allocate(n);
}
void* operator new[](std::size_t n) {
  return Allocate(n);
}
// Every unaligned form is replaced, so that each allocation is released by
// its own kind of release (the sanitizers check that pairing).
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace quenvar::testing {

LargestAllocation::LargestAllocation() {
  largest = 0;
  total = 0;
  ++watchers;
}
LargestAllocation::~LargestAllocation() {
  --watchers;
}
std::size_t LargestAllocation::Bytes() const {
  return largest;
}
std::size_t LargestAllocation::TotalBytes() const {
  return total;
}

}  // namespace quenvar::testing
