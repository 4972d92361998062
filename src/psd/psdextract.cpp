#include "psd/psdextract.h"

#include <png.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/core/error.h"
#include "psd/psdblendkey.h"

namespace quenvar {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Tabs and line breaks inside a name would break the table's layout.
std::string TsvField(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string LayerFileName(int index) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d.png", index);
  return buf;
}

}  // namespace

void WritePngRgba(const std::string& path, const TBitmap32& picture) {
  if (picture.Empty()) throw Error("Cannot write an empty picture to \"" + path + "\"");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw Error("Cannot create file \"" + path + "\"");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw Error("Cannot start writing \"" + path + "\"");
  }
  std::vector<png_byte> row(std::size_t(picture.Width()) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw Error("Cannot write \"" + path + "\"");
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, png_uint_32(picture.Width()), png_uint_32(picture.Height()), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height(); ++y) {
    const TColor32* src = picture.RowPointer(y);
    for (int x = 0; x < picture.Width(); ++x) {
      png_byte* d = &row[std::size_t(x) * 4];
      d[0] = png_byte(RedOf(src[x]));
      d[1] = png_byte(GreenOf(src[x]));
      d[2] = png_byte(BlueOf(src[x]));
      d[3] = png_byte(AlphaOf(src[x]));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

std::string PsdLayersTsv(const TPsdImage& image) {
  std::string out =
      "index\tname\tleft\ttop\twidth\theight\tchannels\tids\tblend\tmode\topacity\tvisible\n";
  for (int i = 0; i < image.layerCount; ++i) {
    const PsdLayer& l = image.layers[std::size_t(i)];
    std::string ids;
    for (std::uint32_t k = 0; k < l.channelCount; ++k)
      ids += (k ? "," : "") + std::to_string(l.channels[k].id);
    out += std::to_string(i) + '\t' + TsvField(l.name) + '\t' + std::to_string(l.left) + '\t' +
           std::to_string(l.top) + '\t' + std::to_string(l.width) + '\t' +
           std::to_string(l.height) + '\t' + std::to_string(l.channelCount) + '\t' + ids + '\t' +
           TsvField(l.blendKey) + '\t' + PsdBlendKeyModeName(l.blendKey) + '\t' +
           std::to_string(l.opacity) + '\t' + (l.visible ? "1" : "0") + '\n';
  }
  return out;
}

void ExtractPsdLayers(const TPsdImage& image, const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw Error("Cannot create folder \"" + dir + "\": " + ec.message());
  for (int i = 0; i < image.layerCount; ++i) {
    const TBitmap32& picture = image.layers[std::size_t(i)].picture;
    if (!picture.Empty()) WritePngRgba(dir + "/" + LayerFileName(i), picture);
  }
  std::ofstream tsv(dir + "/layers.tsv", std::ios::binary);
  tsv << PsdLayersTsv(image);
  if (!tsv) throw Error("Cannot write \"" + dir + "/layers.tsv\"");
}

}  // namespace quenvar
