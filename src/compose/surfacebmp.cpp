// Writing a surface as a 32-bit Windows bitmap file.
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/error.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back((unsigned char)(v & 255));
  out.push_back((unsigned char)((v >> 8) & 255));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((unsigned char)((v >> (8 * i)) & 255));
}

// File header (14 bytes) and a 40-byte info header for 32 bits per pixel,
// uncompressed, rows bottom-up (positive height).
std::vector<unsigned char> BmpHeaders(int width, int height) {
  const std::uint32_t imageSize = std::uint32_t(width) * std::uint32_t(height) * 4;
  std::vector<unsigned char> h;
  h.reserve(54);
  h.push_back('B');
  h.push_back('M');
  Put32(h, 54 + imageSize);  // file size
  Put32(h, 0);               // reserved
  Put32(h, 54);              // offset of the pixels
  Put32(h, 40);              // info header size
  Put32(h, std::uint32_t(width));
  Put32(h, std::uint32_t(height));
  Put16(h, 1);   // planes
  Put16(h, 32);  // bits per pixel
  Put32(h, 0);   // BI_RGB
  Put32(h, imageSize);
  Put32(h, 0);  // horizontal resolution
  Put32(h, 0);  // vertical resolution
  Put32(h, 0);  // colours used
  Put32(h, 0);  // important colours
  return h;
}

}  // namespace

void TBitmap32::SaveBmpFile(const std::string& fileName) const {
  if (Empty()) throw Error("Can't save an empty picture to " + fileName);
  // Beyond 4 GiB the header's size fields cannot describe the file.
  if (std::uint64_t(width_) * std::uint64_t(height_) * 4 + 54 > 0xFFFFFFFFull)
    throw Error("The picture is too large for a bitmap file: " + fileName);

  // Written beside the target and renamed over it only when complete, so a
  // failed write leaves neither a half file nor a damaged old one.
  const std::string temp = fileName + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) throw Error("Can't create file " + fileName);
  const auto headers = BmpHeaders(width_, height_);
  bool ok = std::fwrite(headers.data(), 1, headers.size(), file) == headers.size();
  std::vector<unsigned char> row(std::size_t(width_) * 4);
  for (int y = height_ - 1; ok && y >= 0; --y) {
    const TColor32* src = RowPointer(y);
    for (int x = 0; x < width_; ++x) {
      const TColor32 c = src[x];  // stored as blue, green, red, alpha
      row[std::size_t(x) * 4 + 0] = (unsigned char)(c & 255);
      row[std::size_t(x) * 4 + 1] = (unsigned char)((c >> 8) & 255);
      row[std::size_t(x) * 4 + 2] = (unsigned char)((c >> 16) & 255);
      row[std::size_t(x) * 4 + 3] = (unsigned char)(c >> 24);
    }
    ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
  }
  ok = (std::fflush(file) == 0) && ok;
  ok = (std::fclose(file) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), fileName.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error("Can't write file " + fileName);
  }
}

}  // namespace quenvar
