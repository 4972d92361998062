#include "web/pagebytes.h"

namespace quenvar {

std::string EmbedPageBytes(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 64);
  for (std::uint8_t b : bytes) {
    switch (b) {
      case 0x00:
        out += "~0";
        break;
      case '\r':
        out += "~1";
        break;
      case '<':
        out += "~2";
        break;
      case '~':
        out += "~3";
        break;
      default:
        out += char(b);
    }
  }
  return out;
}

}  // namespace quenvar
