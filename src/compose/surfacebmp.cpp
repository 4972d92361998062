// Writing a surface as a 32-bit Windows bitmap file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compose/bmpencode.h"
#include "compose/surface.h"
#include "host/error.h"

namespace quenvar {

void TBitmap32::SaveBmpFile(const std::string& fileName) const {
  if (Empty()) throw Error("Can't save an empty picture to " + fileName);
  // Beyond 4 GiB the header's size fields cannot describe the file.
  if (std::uint64_t(width_) * std::uint64_t(height_) * 4 + 54 > 0xFFFFFFFFull)
    throw Error("The picture is too large for a bitmap file: " + fileName);

  // Written beside the target and renamed over it only when complete, so a
  // failed write leaves neither a half file nor a damaged old one.
  const std::vector<std::uint8_t> bytes = EncodeBmp32(*this);
  const std::string temp = fileName + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) throw Error("Can't create file " + fileName);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fflush(file) == 0) && ok;
  ok = (std::fclose(file) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), fileName.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error("Can't write file " + fileName);
  }
}

}  // namespace quenvar
