#include "psd/psdinflate.h"

#include <algorithm>

#include "host/error.h"

namespace quenvar {

namespace {

// zlib counts in 32-bit units: very large pieces go in slices.
constexpr std::size_t kSlice = std::size_t(1) << 30;

}  // namespace

PsdInflater::PsdInflater(std::span<const std::uint8_t> compressed) : compressed_(compressed) {
  if (inflateInit(&z_) != Z_OK) throw Error("cannot start inflating ZIP data");
}

PsdInflater::~PsdInflater() {
  inflateEnd(&z_);
}

std::size_t PsdInflater::Next(std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (!ended_ && done < out.size()) {
    if (z_.avail_in == 0 && fed_ < compressed_.size()) {
      const std::size_t n = std::min(kSlice, compressed_.size() - fed_);
      z_.next_in = const_cast<Bytef*>(compressed_.data() + fed_);
      z_.avail_in = uInt(n);
      fed_ += n;
    }
    const std::size_t room = std::min(kSlice, out.size() - done);
    z_.next_out = out.data() + done;
    z_.avail_out = uInt(room);
    const int rc = inflate(&z_, Z_NO_FLUSH);
    done += room - z_.avail_out;
    if (rc == Z_STREAM_END)
      ended_ = true;
    else if (rc == Z_BUF_ERROR && z_.avail_in == 0 && fed_ == compressed_.size())
      ended_ = true;  // the data ends before the stream does
    else if (rc != Z_OK && rc != Z_BUF_ERROR)
      throw Error("damaged ZIP data");
  }
  return done;
}

}  // namespace quenvar
