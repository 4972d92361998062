// Windows bitmap files (bmp, rle, dib): a file header followed by a DIB.
// Files without the file header (packed DIBs) are read too.
#include "formats/bytereader.h"
#include "formats/dib.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

TPicture DecodeBmp(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  DibOptions options;
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    in.Skip(10);
    options.pixelOffset = in.U32LE();
    if (options.pixelOffset < 14 || options.pixelOffset > data.size())
      FailPicture(fileName, "pixel data offset is outside the file");
    return DecodeDib(data, 14, options, fileName);
  }
  if (data.size() >= 4) {
    const std::uint32_t headerSize = in.U32LE();
    if (headerSize == 12 || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
        headerSize == 64 || headerSize == 108 || headerSize == 124)
      return DecodeDib(data, 0, options, fileName);
  }
  FailPicture(fileName, "not a Windows bitmap");
}

}  // namespace

const TPictureReader& BmpReader() {
  static const TPictureReader reader{"Windows bitmap", nullptr, DecodeBmp};
  return reader;
}

}  // namespace quenvar
