#pragma once
// The additional layer information a layer record carries after its name:
// the Unicode name ('luni') and the group section divider ('lsct', 'lsdk').
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

// Reads the blocks from the stream position up to `end`, the end of the
// record's extra data, into layer.name and layer.kind; other blocks are
// skipped. Scanning stops at bytes that do not start a block. Fails with a
// message when a Unicode name or section divider does not fit its block or
// its block does not fit the extra data.
void ReadPsdLayerInfo(PsdStream& s, std::size_t end, PsdLayer& layer, int index, bool large);

// UTF-16 big-endian code units to UTF-8; unpaired surrogates become U+FFFD
// and trailing NUL characters are dropped.
std::string Utf16BeToUtf8(std::span<const std::uint8_t> units);

}  // namespace quenvar
