#include "compose/pngsave.h"

#include <png.h>

#include <cstdio>

#include "host/error.h"

namespace quenvar {

void SavePngFile(const TBitmap32& picture, const std::string& fileName) {
  if (picture.Empty()) throw Error("Can't save an empty picture to " + fileName);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(picture.Width());
  image.height = png_uint_32(picture.Height());
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in little-endian memory order
  const std::string temp = fileName + ".part";
  if (!png_image_write_to_file(&image, temp.c_str(), 0, picture.Bits(), 0, nullptr)) {
    std::remove(temp.c_str());
    throw Error("Can't write file " + fileName + ": " + image.message);
  }
  if (std::rename(temp.c_str(), fileName.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error("Can't write file " + fileName);
  }
}

std::vector<std::uint8_t> EncodePng(const TBitmap32& picture) {
  if (picture.Empty()) throw Error("Can't encode an empty picture as PNG");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(picture.Width());
  image.height = png_uint_32(picture.Height());
  image.format = PNG_FORMAT_BGRA;
  // The first call only measures.
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.Bits(), 0, nullptr))
    throw Error(std::string("Can't encode a picture as PNG: ") + image.message);
  std::vector<std::uint8_t> bytes(size);
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.Bits(), 0, nullptr))
    throw Error(std::string("Can't encode a picture as PNG: ") + image.message);
  bytes.resize(size);
  return bytes;
}

}  // namespace quenvar
