#pragma once
// A vector of pixels whose plain resize leaves new pixels unset, for stores a
// decoder or a copy fills next: large pictures are not zeroed only to be
// overwritten. resize(n, value) and assign(n, value) still fill.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "compose/color32.h"

namespace quenvar {

namespace pixelstore {

// Large stores are placed on huge-page boundaries and asked to be backed by
// huge pages: a picture of many megabytes is then faulted in a few hundred
// times instead of once per 4 KiB page, which is most of the kernel's share
// of opening a large project.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kHugeFrom = std::size_t(4) << 20;

inline std::size_t HugeSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

inline void* Allocate(std::size_t bytes) {
  if (bytes < kHugeFrom) return ::operator new(bytes);
  void* p = std::aligned_alloc(kHugePage, HugeSize(bytes));
  if (!p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  madvise(p, HugeSize(bytes), MADV_HUGEPAGE);  // only a hint: failure changes nothing
#endif
  return p;
}

inline void Free(void* p, std::size_t bytes) noexcept {
  if (bytes < kHugeFrom)
    ::operator delete(p);
  else
    std::free(p);
}

}  // namespace pixelstore

template <typename T>
struct TDefaultInitAllocator : std::allocator<T> {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = TDefaultInitAllocator<U>;
  };
  TDefaultInitAllocator() = default;
  template <typename U>
  TDefaultInitAllocator(const TDefaultInitAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(pixelstore::Allocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { pixelstore::Free(p, n * sizeof(T)); }
  // Value-less construction default-initialises: a pixel is left as it is.
  template <typename U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    std::allocator_traits<std::allocator<T>>::construct(static_cast<std::allocator<T>&>(*this), p,
                                                        std::forward<Args>(args)...);
  }
};

using TPixelBuffer = std::vector<TColor32, TDefaultInitAllocator<TColor32>>;

// Pixels compare by value whichever allocator holds them.
inline bool operator==(const TPixelBuffer& a, const std::vector<TColor32>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace quenvar
