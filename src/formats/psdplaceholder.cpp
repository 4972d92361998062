#include "formats/psdplaceholder.h"

#include <cctype>

#include "host/error.h"

namespace quenvar {

bool LooksLikePsd(std::span<const std::uint8_t> head) {
  if (head.size() <= 26) return false;
  const char sig[] = "8BPS";
  for (int i = 0; i < 4; ++i)
    if (std::toupper(head[i]) != sig[i]) return false;
  return head[4] == 0 && head[5] == 1;
}

namespace {

TPicture DecodePsd(std::span<const std::uint8_t>, const std::string& fileName) {
  throw Error(fileName + ": Photoshop documents cannot be read in this build");
}

}  // namespace

const TPictureReader& PsdPlaceholderReader() {
  static const TPictureReader reader{"PSD", LooksLikePsd, DecodePsd};
  return reader;
}

}  // namespace quenvar
