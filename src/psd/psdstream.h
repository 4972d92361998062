#pragma once
// A bounded big-endian reader over a PSD document held in memory. Running
// off the end fails the read with "Stream read error".
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quenvar {

class PsdStream {
 public:
  explicit PsdStream(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }

  // Seeking beyond the end fails like a read there would.
  void Seek(std::size_t pos);
  // Skips a section whose stored length may lie: `what` names it in the error.
  void SkipLength(std::uint64_t count, const std::string& what);

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::span<const std::uint8_t> Bytes(std::size_t count);

  [[noreturn]] static void ReadError();

 private:
  void Need(std::size_t count) const {
    if (count > data_.size() - pos_) ReadError();
  }
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace quenvar
