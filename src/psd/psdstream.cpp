#include "psd/psdstream.h"

#include "host/error.h"

namespace quenvar {

void PsdStream::ReadError() {
  throw Error("Stream read error");
}

void PsdStream::Seek(std::size_t pos) {
  if (pos > data_.size()) ReadError();
  pos_ = pos;
}

void PsdStream::SkipLength(std::uint64_t count, const std::string& what) {
  if (count > Remaining()) throw Error(what + " points past the end of the file");
  pos_ += std::size_t(count);
}

std::uint8_t PsdStream::U8() {
  Need(1);
  return data_[pos_++];
}

std::uint16_t PsdStream::U16() {
  Need(2);
  std::uint16_t v = std::uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
  pos_ += 2;
  return v;
}

std::uint32_t PsdStream::U32() {
  Need(4);
  std::uint32_t v = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
                    (std::uint32_t(data_[pos_ + 2]) << 8) | std::uint32_t(data_[pos_ + 3]);
  pos_ += 4;
  return v;
}

std::span<const std::uint8_t> PsdStream::Bytes(std::size_t count) {
  Need(count);
  auto out = data_.subspan(pos_, count);
  pos_ += count;
  return out;
}

}  // namespace quenvar
