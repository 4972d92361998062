// Loading a picture file into a surface through the format registry.
#include "compose/surface.h"
#include "formats/formatlist.h"

namespace quenvar {

void TBitmap32::LoadPictureFile(const std::string& fileName) {
  const TPicture picture = LoadPictureByExtension(fileName);
  CopyFrom(picture);
}

}  // namespace quenvar
