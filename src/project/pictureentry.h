#pragma once
// A picture entry of a project archive, decoded apart from its layer: the
// decoding touches no layer and logs nothing, so several entries can be
// decoded at once on worker threads while the layers take the results over
// in order on the calling thread (TBlendLayer::TakePictureEntry).
#include <exception>
#include <span>
#include <string>

#include "formats/picture.h"

namespace quenvar {

struct TDecodedEntry {
  // How the entry's name says it is read: as JPEG, as a bitmap (whose
  // failures reach the loader) or by the reader for the layer's file name
  // (whose failures are swallowed).
  enum class TRoute { None, Jpeg, Bmp, Other };
  TRoute route = TRoute::None;
  bool hasReader = false;
  TPicture picture;
  // The reader's failure, or the missing reader of a bitmap entry.
  std::exception_ptr failure;
};

// Decodes `bytes`, the entry `entryName`, with the reader that `filename`'s
// extension names (JPEG when the entry's name says so). Never throws.
TDecodedEntry DecodePictureEntry(std::span<const std::uint8_t> bytes, const std::string& entryName,
                                 const std::string& filename);

}  // namespace quenvar
