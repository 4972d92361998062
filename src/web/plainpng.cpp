#include "web/plainpng.h"

#include <png.h>

#include <csetjmp>

#include "host/error.h"

namespace quenvar {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

struct TPngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngWriter() { png_destroy_write_struct(&png, &info); }
};

}  // namespace

std::vector<std::uint8_t> EncodePlainPng(const TBitmap32& picture) {
  if (picture.Empty()) throw Error("Can't encode an empty picture as PNG");
  std::vector<std::uint8_t> out;
  TPngWriter writer;
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!writer.png) throw Error("Can't encode a picture as PNG: out of memory");
  writer.info = png_create_info_struct(writer.png);
  if (!writer.info) throw Error("Can't encode a picture as PNG: out of memory");
  // libpng reports its failures by jumping back here; nothing below holds a
  // resource the writer does not free.
  if (setjmp(png_jmpbuf(writer.png))) throw Error("Can't encode a picture as PNG");
  png_set_write_fn(writer.png, &out, &AppendBytes, &NoFlush);
  png_set_IHDR(writer.png, writer.info, png_uint_32(picture.Width()), png_uint_32(picture.Height()),
               8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(writer.png, writer.info);
  png_set_bgr(writer.png);  // memory holds blue, green, red, alpha
  for (int y = 0; y < picture.Height(); ++y)
    png_write_row(writer.png, reinterpret_cast<png_const_bytep>(picture.RowPointer(y)));
  png_write_end(writer.png, nullptr);
  return out;
}

}  // namespace quenvar
