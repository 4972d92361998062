#pragma once
// Shared by the tests of the PCX, RLA, SGI, portable map, Autodesk, Photo-CD,
// Dr. Halo and Paintshop Pro readers: fixture paths, file bytes, reference
// PNGs read with libpng, and a pixel comparison that names the first
// difference.
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/picture.h"

namespace quenvar::testing2 {

inline std::string Fixture(const std::string& name) {
  return std::string(QUENVAR_TEST_DIR) + "/fixtures2/" + name;
}

// The whole file; a name ending in ".gz" is inflated (the Photo-CD fixture is
// kept compressed).
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) {
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open " + path);
    std::vector<std::uint8_t> out;
    std::uint8_t buf[65536];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    gzclose(f);
    return out;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A reference PNG as 0xAARRGGBB pixels.
inline TPicture ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    throw std::runtime_error("cannot read " + path + ": " + image.message);
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
    throw std::runtime_error("cannot decode " + path + ": " + image.message);
  TPicture pic;
  pic.width = int(image.width);
  pic.height = int(image.height);
  pic.kind = TPictureKind::Bitmap32;
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
    pic.pixels.push_back((TColor32(rgba[i + 3]) << 24) | (TColor32(rgba[i]) << 16) |
                         (TColor32(rgba[i + 1]) << 8) | rgba[i + 2]);
  return pic;
}

// Empty when equal; otherwise the size difference or the first differing
// pixel and the count. Alpha is compared only when `withAlpha`.
inline std::string Difference(const TPicture& got, const TPicture& want, bool withAlpha) {
  std::ostringstream out;
  if (got.width != want.width || got.height != want.height) {
    out << "size " << got.width << "x" << got.height << ", want " << want.width << "x"
        << want.height;
    return out.str();
  }
  if (got.pixels.size() != want.pixels.size()) return "pixel store size differs";
  const TColor32 mask = withAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
  std::size_t count = 0, first = 0;
  for (std::size_t i = 0; i < got.pixels.size(); ++i)
    if ((got.pixels[i] & mask) != (want.pixels[i] & mask) && count++ == 0) first = i;
  if (count == 0) return "";
  out << count << " pixels differ; first at (" << first % got.width << ", " << first / got.width
      << "): got " << std::hex << got.pixels[first] << ", want " << want.pixels[first];
  return out.str();
}

}  // namespace quenvar::testing2
