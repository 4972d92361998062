#include "psd/psdstream.h"

#include <algorithm>

#include "host/error.h"

namespace quenvar {

void PsdStream::ReadError() {
  throw Error("Stream read error");
}

void PsdStream::Seek(std::size_t pos) {
  if (pos > end_) ReadError();
  pos_ = pos;
}

void PsdStream::SkipLength(std::uint64_t count, const std::string& what) {
  if (pos_ > end_ || count > Remaining()) throw Error(what + " points past the end of the file");
  pos_ += std::size_t(count);
}

std::size_t PsdStream::LimitTo(std::size_t end) {
  const std::size_t previous = end_;
  end_ = std::min(end, end_);
  return previous;
}

void PsdStream::RestoreEnd(std::size_t end) {
  end_ = std::min(end, data_.size());
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

std::uint64_t PsdStream::U64() {
  const std::uint64_t high = U32();
  return high << 32 | U32();
}

std::span<const std::uint8_t> PsdStream::Bytes(std::size_t count) {
  Need(count);
  auto out = data_.subspan(pos_, count);
  pos_ += count;
  return out;
}

}  // namespace quenvar
