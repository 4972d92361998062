#include "formats/metafiledib.h"

#include <algorithm>
#include <limits>

#include "formats/bytereader.h"
#include "formats/dib.h"

namespace quenvar {

MfBitmap ReadMfBitmap(MetafileCanvas& canvas, std::span<const std::uint8_t> data,
                      std::size_t headerPos, std::size_t pixelPos, const std::string& fileName) {
  MfBitmap bitmap;
  ByteReader h(data, fileName);
  h.Seek(headerPos);
  if (h.U32LE() >= 16) {
    h.Skip(4);
    bitmap.bottomUp = h.I32LE() >= 0;
  }
  DibOptions options;
  options.pixelOffset = pixelPos;
  bitmap.picture = DecodeDib(data, headerPos, options, fileName);
  canvas.Spend(double(bitmap.picture.width) * double(bitmap.picture.height));
  return bitmap;
}

int MfSourceInt(long long v) {
  return int(std::clamp<long long>(v, std::numeric_limits<int>::min() / 2,
                                   std::numeric_limits<int>::max() / 2));
}

int MfSourceTop(const MfBitmap& bitmap, long long y, long long height, long long firstScan) {
  const long long rows = height < 0 ? -height : height;
  long long top = y;
  if (bitmap.bottomUp) top = firstScan + bitmap.picture.height - y - rows;
  // A mirrored copy reads upwards from the row after the rectangle's last.
  return MfSourceInt(height < 0 ? top + rows : top);
}

}  // namespace quenvar
