#pragma once
// The tagged blocks of additional information that follow a layer's name
// and the global layer mask info: signature, key, length, data.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "psd/psdstream.h"

namespace quenvar {

struct TPsdTaggedBlock {
  std::string key;           // four characters
  std::size_t position = 0;  // stream offset of the data
  std::uint64_t length = 0;  // data length as stored
};

// Whether a block's length field has 8 bytes in a large document.
bool PsdKeyHasWideLength(const std::string& key);

// Reads the next block's header at the stream position, when a block
// signature ("8BIM" or "8B64") starts there and a header fits before `end`;
// otherwise leaves the stream where it was and returns nothing. The stream
// is left at the block's data. The length is not checked.
std::optional<TPsdTaggedBlock> ReadPsdBlockHeader(PsdStream& s, std::size_t end, bool large);

}  // namespace quenvar
