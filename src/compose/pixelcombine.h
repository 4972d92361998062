#pragma once
// TPixelCombineEvent: the per-pixel hook that custom drawing calls once for
// every covered destination pixel. It is a plain function pointer plus the
// object it is bound to, so it can be compared (the drawing code recognises
// the program's own blend operations by their function) and calling it never
// allocates.
#include <cstdint>

#include "compose/color32.h"

namespace quenvar {

struct TPixelCombineEvent {
  // F: source pixel; B: destination pixel, changed in place; M: the source
  // surface's MasterAlpha, unchanged.
  using Handler = void (*)(void* object, TColor32 F, TColor32& B, std::uint32_t M);

  Handler handler = nullptr;
  void* object = nullptr;

  constexpr TPixelCombineEvent() = default;
  constexpr TPixelCombineEvent(Handler h, void* obj = nullptr) : handler(h), object(obj) {}

  constexpr bool Assigned() const { return handler != nullptr; }
  explicit constexpr operator bool() const { return Assigned(); }
  void operator()(TColor32 F, TColor32& B, std::uint32_t M) const { handler(object, F, B, M); }

  friend constexpr bool operator==(const TPixelCombineEvent&, const TPixelCombineEvent&) = default;
};

// Binds a member function: Bind<&T::Combine>(obj).
template <auto Member, class T>
TPixelCombineEvent BindPixelCombine(T* obj) {
  return TPixelCombineEvent([](void* o, TColor32 F, TColor32& B,
                               std::uint32_t M) { (static_cast<T*>(o)->*Member)(F, B, M); },
                            obj);
}

}  // namespace quenvar
