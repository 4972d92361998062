#pragma once
// Keeps the part of a plane that lies in a window while the plane's bytes
// are decoded in order, so that a plane far larger than the part kept is
// never held whole.
#include <cstddef>
#include <cstdint>
#include <span>

namespace quenvar {

// A rectangle of a plane, in samples.
struct TPsdPlaneWindow {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  bool operator==(const TPsdPlaneWindow&) const = default;
};

class PsdPlaneWindowWriter {
 public:
  // A plane `width` samples wide of bytesPerSample bytes each; `kept`
  // receives the window's rows, window.width samples each. The window lies
  // inside the plane; bytes past its last row are dropped.
  PsdPlaneWindowWriter(std::int32_t width, int bytesPerSample, const TPsdPlaneWindow& window,
                       std::span<std::uint8_t> kept);

  // The next `count` plane bytes: all equal to `value`, or copied.
  void Fill(std::uint8_t value, std::size_t count);
  void Copy(const std::uint8_t* bytes, std::size_t count);

 private:
  // Walks `count` plane bytes from the current position and hands put(from,
  // to, n) each piece inside the window: `from` counted from the first of
  // the `count` bytes, `to` the kept byte it lands on.
  template <class Put>
  void Pass(std::size_t count, Put put);

  std::uint64_t rowBytes_;
  std::uint64_t keepFrom_;  // the window's columns, in bytes of a row
  std::uint64_t keepTo_;
  std::uint64_t firstRow_;
  std::uint64_t endRow_;
  std::span<std::uint8_t> kept_;
  std::uint64_t position_ = 0;  // plane bytes passed so far
};

}  // namespace quenvar
