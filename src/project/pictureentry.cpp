#include "project/pictureentry.h"

#include "formats/formatlist.h"
#include "formats/readers.h"
#include "host/error.h"
#include "project/blendclass.h"

namespace quenvar {

namespace {

bool NamesJpeg(const std::string& text) {
  return text.find(".jpg") != std::string::npos || text.find(".jpeg") != std::string::npos;
}

}  // namespace

TDecodedEntry DecodePictureEntry(std::span<const std::uint8_t> bytes, const std::string& entryName,
                                 const std::string& filename) {
  TDecodedEntry entry;
  if (entryName.empty()) return entry;
  // The JPEG and bitmap tests look at the entry's name; the reader is chosen
  // by the layer's file name.
  const TPictureReader* reader = nullptr;
  if (NamesJpeg(entryName)) {
    entry.route = TDecodedEntry::TRoute::Jpeg;
    reader = &JpegReader();
  } else {
    entry.route = entryName.find(".bmp") != std::string::npos ? TDecodedEntry::TRoute::Bmp
                                                              : TDecodedEntry::TRoute::Other;
    reader = PictureFormats().FindReaderByExtension(ExtensionOf(filename));
  }
  entry.hasReader = reader != nullptr;
  try {
    if (!reader) throw Error("No picture reader for \"" + filename + "\"");
    entry.picture = reader->Decode(bytes, filename);
  } catch (...) {
    entry.picture = TPicture{};
    entry.failure = std::current_exception();
  }
  return entry;
}

}  // namespace quenvar
