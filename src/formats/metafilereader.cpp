// Windows metafiles, plain and enhanced: played onto a picture at the file's
// own size. The extension does not decide which kind a file is; its first
// bytes do.
#include "formats/metafileplayers.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

TPicture DecodeMetafile(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (IsEmf(data)) return PlayEmf(data, fileName);
  if (IsWmf(data)) return PlayWmf(data, fileName);
  FailPicture(fileName, "not a Windows metafile");
}

}  // namespace

const TPictureReader& MetafileReader() {
  static const TPictureReader reader{"Windows metafile", nullptr, DecodeMetafile};
  return reader;
}

}  // namespace quenvar
