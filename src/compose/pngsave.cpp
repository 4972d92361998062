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

}  // namespace quenvar
