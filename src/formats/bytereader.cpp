#include "formats/bytereader.h"

#include <cstring>

#include "host/error.h"

namespace quenvar {

void ByteReader::Fail(const std::string& problem) const {
  throw Error(what_ + ": " + problem);
}

void ByteReader::Need(std::size_t count) const {
  if (count > data_.size() - pos_) Fail("unexpected end of data");
}

void ByteReader::Seek(std::size_t pos) {
  if (pos > data_.size()) Fail("position past the end of data");
  pos_ = pos;
}

void ByteReader::Skip(std::size_t count) {
  Need(count);
  pos_ += count;
}

std::uint8_t ByteReader::U8() {
  Need(1);
  return data_[pos_++];
}

std::uint16_t ByteReader::U16LE() {
  Need(2);
  std::uint16_t v = std::uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

std::uint16_t ByteReader::U16BE() {
  Need(2);
  std::uint16_t v = std::uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
  pos_ += 2;
  return v;
}

std::uint32_t ByteReader::U32LE() {
  Need(4);
  std::uint32_t v = std::uint32_t(data_[pos_]) | (std::uint32_t(data_[pos_ + 1]) << 8) |
                    (std::uint32_t(data_[pos_ + 2]) << 16) | (std::uint32_t(data_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

std::uint32_t ByteReader::U32BE() {
  Need(4);
  std::uint32_t v = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
                    (std::uint32_t(data_[pos_ + 2]) << 8) | std::uint32_t(data_[pos_ + 3]);
  pos_ += 4;
  return v;
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count) {
  Need(count);
  auto out = data_.subspan(pos_, count);
  pos_ += count;
  return out;
}

void ByteReader::Read(void* out, std::size_t count) {
  auto b = Bytes(count);
  if (count) std::memcpy(out, b.data(), count);
}

}  // namespace quenvar
