#pragma once
// A vector of pixels whose plain resize leaves new pixels unset, for stores a
// decoder or a copy fills next: large pictures are not zeroed only to be
// overwritten. resize(n, value) and assign(n, value) still fill.
#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "compose/color32.h"

namespace quenvar {

template <typename T>
struct TDefaultInitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = TDefaultInitAllocator<U>;
  };
  TDefaultInitAllocator() = default;
  template <typename U>
  TDefaultInitAllocator(const TDefaultInitAllocator<U>&) noexcept {}
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
