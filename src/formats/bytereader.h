#pragma once
// A bounded reader over bytes in memory. Every read is checked against the
// end of the data; reading past it throws quenvar::Error instead of touching
// memory that is not there.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quenvar {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data, std::string what = "file")
      : data_(data), what_(std::move(what)) {}

  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  // Seeking past the end is an error; seeking to the end is allowed.
  void Seek(std::size_t pos);
  void Skip(std::size_t count);

  std::uint8_t U8();
  std::uint16_t U16LE();
  std::uint16_t U16BE();
  std::uint32_t U32LE();
  std::uint32_t U32BE();
  std::int16_t I16LE() { return static_cast<std::int16_t>(U16LE()); }
  std::int16_t I16BE() { return static_cast<std::int16_t>(U16BE()); }
  std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }
  std::int32_t I32BE() { return static_cast<std::int32_t>(U32BE()); }
  // The next `count` bytes, without copying; advances past them.
  std::span<const std::uint8_t> Bytes(std::size_t count);
  void Read(void* out, std::size_t count);
  // Whole data, and a view from an absolute position.
  std::span<const std::uint8_t> Data() const { return data_; }
  [[noreturn]] void Fail(const std::string& problem) const;

 private:
  void Need(std::size_t count) const;
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  std::string what_;
};

}  // namespace quenvar
