// Encapsulated PostScript files with a binary DOS header: the PostScript is
// not rendered; the TIFF preview picture the header points to is decoded.
#include "formats/bytereader.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"
#include "formats/tiffdecode.h"

namespace quenvar {
namespace {

bool IsDosEps(std::span<const std::uint8_t> head) {
  return head.size() >= 30 && head[0] == 0xC5 && head[1] == 0xD0 && head[2] == 0xD3 &&
         head[3] == 0xC6;
}

TPicture DecodeEps(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsDosEps(data))
    FailPicture(fileName, "the EPS file has no binary header and so no TIFF preview");
  ByteReader in(data, fileName);
  in.Skip(20);
  const std::uint32_t offset = in.U32LE(), length = in.U32LE();
  if (offset == 0 || length == 0) FailPicture(fileName, "the EPS file has no TIFF preview");
  if (offset > data.size() || length > data.size() - offset)
    FailPicture(fileName, "the TIFF preview lies outside the file");
  return DecodeTiffData(data.subspan(offset, length), fileName);
}

}  // namespace

const TPictureReader& EpsReader() {
  static const TPictureReader reader{"EPS", IsDosEps, DecodeEps};
  return reader;
}

}  // namespace quenvar
