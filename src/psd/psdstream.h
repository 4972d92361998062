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
  explicit PsdStream(std::span<const std::uint8_t> data) : data_(data), end_(data.size()) {}

  std::size_t Position() const { return pos_; }
  // The whole document's size, whatever the current end.
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return end_ - pos_; }

  // Seeking beyond the end fails like a read there would.
  void Seek(std::size_t pos);
  // Skips a section whose stored length may lie: `what` names it in the error.
  void SkipLength(std::uint64_t count, const std::string& what);

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // A length field: 8 bytes where large documents widen it, else 4.
  std::uint64_t Length(bool wide) { return wide ? U64() : U32(); }
  std::span<const std::uint8_t> Bytes(std::size_t count);

  // Reads stop at `end` until the limit is lifted; a limit only narrows the
  // one in force, which it returns for RestoreEnd.
  std::size_t LimitTo(std::size_t end);
  void RestoreEnd(std::size_t end);

  [[noreturn]] static void ReadError();

 private:
  void Need(std::size_t count) const {
    if (pos_ > end_ || count > end_ - pos_) ReadError();
  }
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

// Holds a read limit for a scope, for a block whose contents must stay
// inside its stored length.
class PsdStreamLimit {
 public:
  PsdStreamLimit(PsdStream& s, std::size_t end) : s_(s), previous_(s.LimitTo(end)) {}
  ~PsdStreamLimit() { s_.RestoreEnd(previous_); }
  PsdStreamLimit(const PsdStreamLimit&) = delete;
  PsdStreamLimit& operator=(const PsdStreamLimit&) = delete;

 private:
  PsdStream& s_;
  std::size_t previous_;
};

}  // namespace quenvar
