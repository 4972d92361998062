// Windows icons: a directory of pictures, of which the largest and deepest is
// decoded. Each entry is either a DIB with an AND mask or a PNG file.
#include <png.h>

#include "formats/bytereader.h"
#include "formats/dib.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

struct IconEntry {
  unsigned width = 0, height = 0, bitCount = 0;
  std::uint32_t size = 0, offset = 0;
};

TPicture DecodeIco(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  const unsigned reserved = in.U16LE(), type = in.U16LE(), count = in.U16LE();
  if (reserved != 0 || (type != 1 && type != 2)) FailPicture(fileName, "not a Windows icon");
  if (count == 0) FailPicture(fileName, "the icon holds no pictures");
  IconEntry best;
  bool found = false;
  for (unsigned i = 0; i < count; ++i) {
    IconEntry e;
    e.width = in.U8();
    e.height = in.U8();
    in.Skip(2);  // colour count, reserved
    in.U16LE();  // planes (cursors: hot spot)
    e.bitCount = in.U16LE();
    e.size = in.U32LE();
    e.offset = in.U32LE();
    if (e.width == 0) e.width = 256;
    if (e.height == 0) e.height = 256;
    if (e.offset >= data.size() || e.size > data.size() - e.offset)
      FailPicture(fileName, "icon picture " + std::to_string(i + 1) + " lies outside the file");
    const std::uint64_t area = std::uint64_t(e.width) * e.height,
                        bestArea = std::uint64_t(best.width) * best.height;
    if (!found || area > bestArea || (area == bestArea && e.bitCount > best.bitCount)) {
      best = e;
      found = true;
    }
  }
  auto image = data.subspan(best.offset, best.size);
  if (image.size() >= 8 && png_sig_cmp(image.data(), 0, 8) == 0) {
    TPicture picture = PngReader().Decode(image, fileName);
    picture.kind = TPictureKind::Bitmap32;
    return picture;
  }
  DibOptions options;
  options.iconMask = true;
  return DecodeDib(image, 0, options, fileName);
}

}  // namespace

const TPictureReader& IcoReader() {
  static const TPictureReader reader{"Windows icon", nullptr, DecodeIco};
  return reader;
}

}  // namespace quenvar
