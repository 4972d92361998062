#include "psd/psdgraphic.h"

#include "host/error.h"

namespace quenvar {

namespace {

bool IsPsdHead(std::span<const std::uint8_t> head) {
  return IsPsdStream(head, 0);
}

TPicture DecodePsd(std::span<const std::uint8_t> data, const std::string&) {
  // The reader's messages are shown as they are, without the file name.
  return ReadPsd(data);
}

}  // namespace

const TPictureReader& PsdReader() {
  static const TPictureReader reader{"PSD", &IsPsdHead, &DecodePsd};
  return reader;
}

}  // namespace quenvar
